#include "security/tree_builder.h"

#include "base/format.h"
#include "base/little_endian.h"
#include "base/text.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/descriptor.h"
#include "security/security_platform.h"

namespace {

const uint32_t kAttributesUnreadable = 0xFFFFFFFF;
const char16_t kSecurityPrivilege[] = u"SeSecurityPrivilege";

// Filled by each query in turn; the user-interface thread is the only caller.
uint8_t g_descriptor[kDescriptorBufferBytes];

struct Build {
    const TreeSink* tree;
    ByteBuffer* buffer;
    const char16_t* path;
    TreeItem root;
    uint32_t attributes;
    uint32_t group;          // the ItemParam group index
    bool appendFailed;
};

uint32_t Param(const Build* b, uint32_t kind) { return MakeItemParam(b->group, kind); }

// A child of a node that could not be inserted is left out: a null parent
// would put it among the roots.
TreeItem Insert(const Build* b, TreeItem parent, const char16_t* text, int glyph, uint32_t param) {
    if (!parent) return 0;
    return b->tree->insert(b->tree->context, parent, text, glyph, param);
}

void Expand(const Build* b, TreeItem item) {
    if (item) b->tree->expand(b->tree->context, item);
}

void Append(Build* b, const void* bytes, uint32_t n) {
    if (!ByteBufferAppend(b->buffer, bytes, n)) b->appendFailed = true;
}

void AppendU32(Build* b, uint32_t value) {
    uint8_t bytes[4];
    WriteU32(bytes, value);
    Append(b, bytes, 4);
}

// Reads one part of the descriptor into the shared buffer.
bool Query(const Build* b, uint32_t information, uint32_t* size) {
    *size = 0;
    if (!CurrentSecurityPlatform()->readDescriptor(b->path, information, g_descriptor, kDescriptorBufferBytes, size))
        return false;
    if (*size > kDescriptorBufferBytes) *size = kDescriptorBufferBytes;
    return true;
}

void InsertFixed(const Build* b, TreeItem parent, const char16_t* english, int glyph, uint32_t kind) {
    Insert(b, parent, Translate(english), glyph, Param(b, kind));
}

void AddAttributeNodes(Build* b) {
    AppendU32(b, b->attributes);
    uint32_t a = b->attributes;
    if (a == kAttributesUnreadable) {
        InsertFixed(b, b->root, u"unknown attributes", kGlyphUnknown, kKindPlain);
        return;
    }
    struct Letter {
        uint32_t bit;
        char16_t letter;
    };
    const Letter letters[] = {{0x1, u'R'},    {0x20, u'A'},   {0x4, u'S'},    {0x2, u'H'},   {0x400, u'P'},
                              {0x1000, u'O'}, {0x2000, u'I'}, {0x800, u'C'}, {0x4000, u'e'}};
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    TextAppend(&w, Translate(u"attributes"));
    TextAppend(&w, u" [");
    for (const Letter& l : letters)
        if (a & l.bit) TextAppendChar(&w, l.letter);
    TextAppendChar(&w, u']');
    TreeItem summary = Insert(b, b->root, text, kGlyphAttributes, Param(b, kKindPlain));

    InsertFixed(b, summary, u"Readonly", (a & 0x1) ? kGlyphBoxTicked : kGlyphBoxEmpty, kKindReadonly);
    InsertFixed(b, summary, u"Hidden", (a & 0x2) ? kGlyphBoxTicked : kGlyphBoxEmpty, kKindHidden);
    if (a & 0x4) InsertFixed(b, summary, u"System attribute", kGlyphBoxTicked, kKindSystem);
    if (a & 0x400) InsertFixed(b, summary, u"Symbolic link, Junction, Reparse point", kGlyphBoxTicked, kKindReparse);
    if (a & 0x800) InsertFixed(b, summary, u"Compressed", kGlyphBoxTicked, kKindCompressed);
    if (a & 0x4000) InsertFixed(b, summary, u"Encrypted", kGlyphBoxTicked, kKindEncrypted);
}

void AddOwnerNode(Build* b) {
    uint32_t size;
    const uint8_t* sid;
    bool defaulted;
    if (!Query(b, kOwnerInformation, &size) || !ReadDescriptorOwner(g_descriptor, size, &sid, &defaulted)) {
        InsertFixed(b, b->root, u"unknown ownership", kGlyphUnknown, kKindOwner);
        return;
    }
    AppendU32(b, defaulted ? 1 : 0);
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
        // A descriptor without an owner SID has only the flag in the signature
        // and shows "Unknown account".
        if (sid) Append(b, sid, SidLength(sid));
        AccountNameOfSid(&w, sid, b->path);
    }
    Insert(b, b->root, text, glyph, Param(b, kKindOwner));
}

void InsertOtherAce(const Build* b, TreeItem parent, const AceView* ace) {
    char16_t text[kNodeTextUnits];
    FormatText(text, kNodeTextUnits, u"%s(0x%x):", Translate(u"unknown type"), (unsigned)ace->type);
    Insert(b, parent, text, kGlyphArrows, Param(b, kKindOtherAce));
}

// The text, glyph and ItemParam of an allow, deny, audit or label ACE node;
// a label has no type word.
void InsertAceLine(const Build* b, TreeItem parent, const AceView* ace, const char16_t* english, int glyph,
                   uint32_t kind) {
    uint32_t mask;
    const uint8_t* sid;
    AceMaskAndSid(ace, &mask, &sid);
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    uint32_t param = Param(b, kind);
    if (kind == kKindIntegrity) IntegrityLabelText(&w, sid, ace->flags, b->attributes, mask, &param);
    else AceLineText(&w, Translate(english), b->path, sid, ace->flags, b->attributes, mask, &param, &glyph);
    if (kind == kKindAudit) glyph = (ace->flags & kSuccessfulAccess) ? kGlyphAllow : kGlyphDeny;
    Insert(b, parent, text, glyph, param);
}

void InsertPermissionAce(const Build* b, TreeItem header, const AceView* ace) {
    if (ace->type == kAceAllow) InsertAceLine(b, header, ace, u"Allow", kGlyphAllow, kKindAllowAce);
    else if (ace->type == kAceDeny) InsertAceLine(b, header, ace, u"Deny", kGlyphDeny, kKindDenyAce);
    else InsertOtherAce(b, header, ace);
}

void InsertAuditAce(const Build* b, TreeItem header, const AceView* ace) {
    if (ace->type != kAceAudit) {
        InsertOtherAce(b, header, ace);
        return;
    }
    const char16_t* word = (ace->flags & kSuccessfulAccess) ? u"Sucessful" : u"Failed";
    InsertAceLine(b, header, ace, word, kGlyphAudit, kKindAudit);
}

void InsertLabelAce(const Build* b, TreeItem header, const AceView* ace) {
    if (ace->type == kAceMandatoryLabel) InsertAceLine(b, header, ace, nullptr, kGlyphDeny, kKindIntegrity);
    else InsertOtherAce(b, header, ace);
}

// What tells the permission, auditing and integrity stages apart; they share
// every step from the query to the expansion.
struct AclStage {
    uint32_t information;
    bool (*read)(const uint8_t* sd, uint32_t size, bool* present, AclView* acl);
    const char16_t* unknownText;   // the query failed
    uint32_t unknownKind;
    const char16_t* absentText;    // not present; null: no node
    const char16_t* nullText;      // present with a null ACL
    uint32_t emptyKind;            // of the absent and null nodes
    const char16_t* headerText;
    uint32_t headerKind;
    int glyph;                     // of the header and the absent and null nodes
    void (*insertAce)(const Build* b, TreeItem header, const AceView* ace);
};

const AclStage kPermissionStage = {kDaclInformation, ReadDescriptorDacl, u"unknown permissions", kKindPermissions,
                                   nullptr, u"unset permissions", kKindUnset, u"Permissions", kKindPermissions,
                                   kGlyphArrows, InsertPermissionAce};
const AclStage kAuditingStage = {kSaclInformation, ReadDescriptorSacl, u"unknown auditing", kKindPlain,
                                 u"no auditing", u"no auditing", kKindUnset, u"Auditing", kKindPlain,
                                 kGlyphAudit, InsertAuditAce};
// The label query's answer carries the label ACE in the SACL fields.
const AclStage kIntegrityStage = {kLabelInformation, ReadDescriptorSacl, u"unknown integrity level", kKindPlain,
                                  u"no integrity level", u"no integrity level", kKindIntegrity,
                                  u"Integrity level", kKindIntegrity, kGlyphIntegrity, InsertLabelAce};

void AddAclNodes(Build* b, const AclStage& s) {
    uint32_t size;
    bool present;
    AclView acl;
    if (!Query(b, s.information, &size) || !s.read(g_descriptor, size, &present, &acl)) {
        InsertFixed(b, b->root, s.unknownText, kGlyphUnknown, s.unknownKind);
        Expand(b, b->root);
        return;
    }
    AppendU32(b, present ? 1 : 0);
    if (!present || !acl.acl) {
        const char16_t* text = present ? s.nullText : s.absentText;
        if (text) InsertFixed(b, b->root, text, s.glyph, s.emptyKind);
        Expand(b, b->root);
        return;
    }
    TreeItem header = Insert(b, b->root, Translate(s.headerText), s.glyph, Param(b, s.headerKind));
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    while (NextAce(&cursor, &ace)) {
        Append(b, ace.bytes, ace.size);
        s.insertAce(b, header, &ace);
    }
    Expand(b, header);
}

}  // namespace

uint32_t BuildSecurityNodes(const TreeSink* tree, ByteBuffer* buffer, const char16_t* path, TreeItem root,
                            uint32_t attributes, uint32_t group) {
    Build b = {tree, buffer, path, root, attributes, GroupItemIndex(group), false};
    const SecurityPlatform* platform = CurrentSecurityPlatform();

    AddAttributeNodes(&b);
    AddOwnerNode(&b);
    AddAclNodes(&b, kPermissionStage);
    if (platform->setPrivilege(kSecurityPrivilege, true)) {
        AddAclNodes(&b, kAuditingStage);
        platform->setPrivilege(kSecurityPrivilege, false);
    }
    AddAclNodes(&b, kIntegrityStage);
    platform->setPrivilege(kSecurityPrivilege, false);

    if (b.appendFailed || buffer->used < 4) return 0;
    uint32_t length = buffer->used;
    WriteU32(buffer->data, length);
    return length;
}
