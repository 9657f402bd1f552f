#include "security/tree_builder.h"

#include "base/format.h"
#include "base/item_param.h"
#include "base/little_endian.h"
#include "config/config_text.h"
#include "security/account_names.h"
#include "security/ace_text.h"
#include "security/descriptor.h"
#include "security/kept_security.h"
#include "security/security_platform.h"

namespace {

const char16_t kSecurityPrivilege[] = u"SeSecurityPrivilege";

// One buffer per part, filled by each reading in turn of the window's (or
// the report's) thread; the readers ahead of it have their own.
DescriptorBuffers g_descriptors;

// One walk over a path's security serves both outputs: the signature (buffer
// not null) and the nodes (nodes not null). Forming only the signature skips
// every text, so a path that joins a group costs no account lookups.
struct Build {
    const NodeSink* nodes;
    ByteBuffer* buffer;
    const PathSecurity* security;
    const char16_t* path;
    TreeItem root;
    uint32_t attributes;
    uint32_t group;          // the full group index
    bool appendFailed;
};

uint32_t Param(const Build* b, uint32_t kind) { return MakeItemParam(GroupItemIndex(b->group), kind); }

bool ShowsNodes(const Build* b) { return b->nodes != nullptr; }

// A child of a node that could not be inserted is left out: a null parent
// would put it among the roots.
TreeItem Insert(const Build* b, TreeItem parent, const char16_t* text, int glyph, uint32_t param,
                uint32_t entry = kNoNodeIndex) {
    if (!parent) return 0;
    return b->nodes->insert(b->nodes->context, parent, text, glyph, MakeNodeId(param, b->group, entry));
}

void Expand(const Build* b, TreeItem item) {
    if (item && b->nodes->expand) b->nodes->expand(b->nodes->context, item);
}

void Append(Build* b, const void* bytes, uint32_t n) {
    if (b->buffer && !ByteBufferAppend(b->buffer, bytes, n)) b->appendFailed = true;
}

void AppendU32(Build* b, uint32_t value) {
    uint8_t bytes[4];
    WriteU32(bytes, value);
    Append(b, bytes, 4);
}

// The separate queries: each part by its own, SeSecurityPrivilege on only
// around the SACL's.
void ReadPartByPart(const char16_t* path, PathSecurity* out) {
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    auto query = [&](DescriptorPart part) {
        out->size[part] = 0;
        out->read[part] = platform->readDescriptor(path, kPartInformation[part], out->bytes[part],
                                                   kDescriptorBufferBytes, &out->size[part]);
    };
    query(kOwnerPart);
    query(kDaclPart);
    out->auditing = platform->setPrivilege(kSecurityPrivilege, true);
    if (out->auditing) {
        query(kSaclPart);
        platform->setPrivilege(kSecurityPrivilege, false);
    }
    query(kLabelPart);
    platform->setPrivilege(kSecurityPrivilege, false);
}

void InsertFixed(const Build* b, TreeItem parent, const char16_t* english, int glyph, uint32_t kind) {
    Insert(b, parent, Translate(english), glyph, Param(b, kind));
}

void AddAttributeNodes(Build* b) {
    AppendU32(b, b->attributes);
    if (!ShowsNodes(b)) return;
    uint32_t a = b->attributes;
    if (a == kNoFileAttributes) {
        InsertFixed(b, b->root, u"unknown attributes", kGlyphUnknown, kKindPlain);
        return;
    }
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    AttributeSummaryText(&w, a);
    TreeItem summary = Insert(b, b->root, text, kGlyphAttributes, Param(b, kKindPlain));

    InsertFixed(b, summary, u"Readonly", (a & 0x1) ? kGlyphBoxTicked : kGlyphBoxEmpty, kKindReadonly);
    InsertFixed(b, summary, u"Hidden", (a & 0x2) ? kGlyphBoxTicked : kGlyphBoxEmpty, kKindHidden);
    if (a & 0x4) InsertFixed(b, summary, u"System attribute", kGlyphBoxTicked, kKindSystem);
    if (a & 0x400) InsertFixed(b, summary, u"Symbolic link, Junction, Reparse point", kGlyphBoxTicked, kKindReparse);
    if (a & 0x800) InsertFixed(b, summary, u"Compressed", kGlyphBoxTicked, kKindCompressed);
    if (a & 0x4000) InsertFixed(b, summary, u"Encrypted", kGlyphBoxTicked, kKindEncrypted);
}

void AddOwnerNode(Build* b) {
    const uint8_t* sid;
    bool defaulted;
    if (!SecurityOwner(b->security, &sid, &defaulted)) {
        if (ShowsNodes(b)) InsertFixed(b, b->root, u"unknown ownership", kGlyphUnknown, kKindOwner);
        return;
    }
    AppendU32(b, defaulted ? 1 : 0);
    // A descriptor without an owner SID has only the flag in the signature
    // and shows "Unknown account".
    if (!defaulted && sid) Append(b, sid, SidLength(sid));
    if (!ShowsNodes(b)) return;
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    char16_t head[kNodeTextUnits];
    FormatText(head, kNodeTextUnits, u"%s : ", Translate(u"Ownership"));
    TextAppend(&w, head);
    int glyph = kGlyphOwner;
    if (defaulted) {
        TextAppend(&w, Translate(u"Inherit"));
        glyph = kGlyphOwnerInherit;
    } else {
        AccountNameOfSid(&w, sid, b->path);
    }
    Insert(b, b->root, text, glyph, Param(b, kKindOwner));
}

// The text, glyph and ItemParam of an allow, deny, audit or label ACE node;
// a label has no type word.
void AceLine(TextWriter* out, const AceView* ace, const char16_t* english, uint32_t kind, uint32_t attributes,
             const char16_t* path, uint32_t* param, int* glyph) {
    uint32_t mask;
    const uint8_t* sid;
    AceMaskAndSid(ace, &mask, &sid);
    *param = MakeItemParam(ItemGroup(*param), kind);
    if (kind == kKindIntegrity) IntegrityLabelText(out, sid, ace->flags, attributes, mask, param);
    else AceLineText(out, Translate(english), path, sid, ace->flags, attributes, mask, param, glyph);
    if (kind == kKindAudit) *glyph = (ace->flags & kSuccessfulAccess) ? kGlyphAllow : kGlyphDeny;
}

// What tells the permission, auditing and integrity stages apart; they share
// every step from the query to the expansion.
struct AclStage {
    DescriptorPart part;
    uint16_t controlBits;          // of the part's control word, in the signature
    const char16_t* unknownText;   // the query failed
    uint32_t unknownKind;
    const char16_t* absentText;    // not present; null: no node
    const char16_t* nullText;      // present with a null ACL
    uint32_t emptyKind;            // of the absent and null nodes
    const char16_t* headerText;
    uint32_t headerKind;
    int glyph;                     // of the header and the absent and null nodes
};

// Inheritance on and off must never share a group: the protected and
// auto-inherited bits of the DACL and SACL are part of the signature.
const AclStage kPermissionStage = {kDaclPart, kDaclProtected | kDaclAutoInherited, u"unknown permissions",
                                   kKindPermissions, nullptr, u"unset permissions", kKindUnset, u"Permissions",
                                   kKindPermissions, kGlyphArrows};
const AclStage kAuditingStage = {kSaclPart, kSaclProtected | kSaclAutoInherited, u"unknown auditing", kKindPlain,
                                 u"no auditing", u"no auditing", kKindUnset, u"Auditing", kKindPlain, kGlyphAudit};
const AclStage kIntegrityStage = {kLabelPart, 0, u"unknown integrity level", kKindPlain, u"no integrity level",
                                  u"no integrity level", kKindIntegrity, u"Integrity level", kKindIntegrity,
                                  kGlyphIntegrity};

void AddAclNodes(Build* b, const AclStage& s) {
    AclView acl;
    uint16_t control;
    const AclState state = SecurityAcl(b->security, s.part, &acl, &control);
    if (state == kAclUnread) {
        if (!ShowsNodes(b)) return;
        InsertFixed(b, b->root, s.unknownText, kGlyphUnknown, s.unknownKind);
        Expand(b, b->root);
        return;
    }
    AppendU32(b, state == kAclAbsent ? 0 : 1);
    if (s.controlBits) AppendU32(b, control & s.controlBits);
    if (state != kAclPresent) {
        if (!ShowsNodes(b)) return;
        const char16_t* text = state == kAclNull ? s.nullText : s.absentText;
        if (text) InsertFixed(b, b->root, text, s.glyph, s.emptyKind);
        Expand(b, b->root);
        return;
    }
    TreeItem header = ShowsNodes(b) ? Insert(b, b->root, Translate(s.headerText), s.glyph, Param(b, s.headerKind)) : 0;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    for (uint32_t entry = 0; NextAce(&cursor, &ace); entry++) {
        Append(b, ace.bytes, ace.size);
        if (!ShowsNodes(b)) continue;
        char16_t text[kNodeTextUnits];
        TextWriter w;
        TextWriterInit(&w, text, kNodeTextUnits);
        uint32_t param = Param(b, kKindPlain);
        int glyph = 0;
        EntryNodeText(&w, &ace, s.part, b->attributes, b->path, &param, &glyph);
        Insert(b, header, text, glyph, param, entry);
    }
    if (ShowsNodes(b)) Expand(b, header);
}

// Every stage in reading order; the auditing stage only when its part was
// asked for.
void WalkSecurity(Build* b) {
    AddAttributeNodes(b);
    AddOwnerNode(b);
    AddAclNodes(b, kPermissionStage);
    if (b->security->auditing) AddAclNodes(b, kAuditingStage);
    AddAclNodes(b, kIntegrityStage);
}

// Writes the buffer's used length into its first u32 and returns it; 0 when
// an append failed.
uint32_t SealSignature(const Build* b) {
    if (b->appendFailed || b->buffer->used < 4) return 0;
    uint32_t length = b->buffer->used;
    WriteU32(b->buffer->data, length);
    return length;
}

TreeItem TreeInsert(void* context, TreeItem parent, const char16_t* text, int glyph, uint64_t id) {
    const TreeSink* tree = static_cast<const TreeSink*>(context);
    return tree->insert(tree->context, parent, text, glyph, id);
}

void TreeExpand(void* context, TreeItem item) {
    const TreeSink* tree = static_cast<const TreeSink*>(context);
    tree->expand(tree->context, item);
}

}  // namespace

void ReadPathSecurityInto(const char16_t* path, uint32_t attributes, DescriptorBuffers* buffers, PathSecurity* out) {
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    const bool inOpen = attributes == kAttributesInOpen;
    for (uint32_t part = 0; part < kDescriptorPartCount; part++) {
        out->bytes[part] = buffers->part[part];
        out->read[part] = false;
        out->size[part] = 0;
    }
    out->attributes = attributes;
    out->auditing = false;
    if (platform->readSecurity(path, inOpen, out)) return;
    for (uint32_t part = 0; part < kDescriptorPartCount; part++) out->read[part] = false;
    out->attributes = inOpen ? platform->attributes(path) : attributes;
    ReadPartByPart(path, out);
}

void ReadPathSecurity(const char16_t* path, uint32_t attributes, PathSecurity* out) {
    ReadPathSecurityInto(path, attributes, &g_descriptors, out);
}

uint32_t FormSignature(const PathSecurity* security, ByteBuffer* buffer) {
    Build b = {nullptr, buffer, security, nullptr, 0, security->attributes, 0, false};
    WalkSecurity(&b);
    return SealSignature(&b);
}

void WriteSecurityNodes(const NodeSink* sink, const PathSecurity* security, const char16_t* path, TreeItem root,
                        uint32_t group) {
    Build b = {sink, nullptr, security, path, root, security->attributes, group, false};
    WalkSecurity(&b);
}

void InsertSecurityNodes(const TreeSink* tree, const PathSecurity* security, const char16_t* path, TreeItem root,
                         uint32_t group) {
    const NodeSink sink = {const_cast<TreeSink*>(tree), TreeInsert, TreeExpand};
    WriteSecurityNodes(&sink, security, path, root, group);
}

void AttributeSummaryText(TextWriter* out, uint32_t attributes) {
    if (attributes == kNoFileAttributes) {
        TextAppend(out, Translate(u"unknown attributes"));
        return;
    }
    struct Letter {
        uint32_t bit;
        char16_t letter;
    };
    const Letter letters[] = {{0x1, u'R'},    {0x20, u'A'},   {0x4, u'S'},    {0x2, u'H'},   {0x400, u'P'},
                              {0x1000, u'O'}, {0x2000, u'I'}, {0x800, u'C'}, {0x4000, u'e'}};
    TextAppend(out, Translate(u"attributes"));
    TextAppend(out, u" [");
    for (const Letter& l : letters)
        if (attributes & l.bit) TextAppendChar(out, l.letter);
    TextAppendChar(out, u']');
}

void EntryNodeText(TextWriter* out, const AceView* ace, DescriptorPart part, uint32_t attributes,
                   const char16_t* path, uint32_t* param, int* glyph) {
    if (part == kDaclPart && ace->type == kAceAllow) {
        *glyph = kGlyphAllow;
        AceLine(out, ace, u"Allow", kKindAllowAce, attributes, path, param, glyph);
    } else if (part == kDaclPart && ace->type == kAceDeny) {
        *glyph = kGlyphDeny;
        AceLine(out, ace, u"Deny", kKindDenyAce, attributes, path, param, glyph);
    } else if (part == kSaclPart && ace->type == kAceAudit) {
        *glyph = kGlyphAudit;
        const char16_t* word = (ace->flags & kSuccessfulAccess) ? u"Sucessful" : u"Failed";
        AceLine(out, ace, word, kKindAudit, attributes, path, param, glyph);
    } else if (part == kLabelPart && ace->type == kAceMandatoryLabel) {
        *glyph = kGlyphDeny;
        AceLine(out, ace, nullptr, kKindIntegrity, attributes, path, param, glyph);
    } else {
        char16_t text[kNodeTextUnits];
        FormatText(text, kNodeTextUnits, u"%s(0x%x):", Translate(u"unknown type"), (unsigned)ace->type);
        TextAppend(out, text);
        *glyph = kGlyphArrows;
        *param = MakeItemParam(ItemGroup(*param), kKindOtherAce);
    }
}
