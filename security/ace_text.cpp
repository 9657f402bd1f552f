#include "security/ace_text.h"

#include "base/format.h"
#include "config/config_text.h"
#include "security/descriptor.h"
#include "security/security_platform.h"

namespace {

struct AccessMaskName {
    uint32_t mask;
    const char16_t* name;
};

// Composite rights first, so that they take their bits before the single bits.
const AccessMaskName kAccessMaskNames[] = {
    {0x001F01FF, u"Full Control"},
    {0x001301BF, u"Modify"},
    {0x001201FF, u"modify(disable delete this folder)"},
    {0x0013019F, u"modify(disable execute)"},
    {0x001200A9, u"Read & Execute"},
    {0x00120089, u"Read"},
    {0x00100116, u"Write"},
    {0x001200A0, u"[execute]"},
    {0x00110000, u"[delete]"},
    {0x00000001, u"List Folder / Read Data"},
    {0x00000002, u"Create Files / Write Data"},
    {0x00000004, u"Create Folders / Append Data"},
    {0x00000008, u"Read Extended Attributes"},
    {0x00000010, u"Write Extended Attributes"},
    {0x00000020, u"Traverse Folder / Execute File"},
    {0x00000040, u"Delete Subfolders and Files"},
    {0x00000080, u"Read Attributes"},
    {0x00000100, u"Write Attributes"},
    {0x00010000, u"Delete"},
    {0x00020000, u"Read Permissions"},
    {0x00040000, u"Change Permissions"},
    {0x00080000, u"Take Ownership"},
    {0x00100000, u"(Synchronize)"},
    {0x01000000, u"Access system security"},
    {0x02000000, u"[Maximum allowed]"},
    {0x10000000, u"[Generic all]"},
    {0x20000000, u"[Generic execute]"},
    {0x40000000, u"[Generic write]"},
    {0x80000000, u"[Generic read]"},
    {0, nullptr},
};

const uint32_t kFullControl = 0x001F01FF;
const uint32_t kModify = 0x001301BF;
const uint32_t kReadExecute = 0x001200A9;

bool SingleBit(uint32_t mask) { return (mask & (mask - 1)) == 0; }

// The system part of a UNC path: the two backslashes and the server name.
void LookupSystemOf(const char16_t* path, char16_t* system, uint32_t capacity) {
    uint32_t n = 2;
    while (path[0] && path[1] && path[n] && path[n] != u'\\') n++;
    if (!path[0] || !path[1]) n = TextLength(path);
    CopyTextN(system, capacity, path, n);
}

// The level named by a label SID's first sub-authority.
const char16_t* IntegrityLevelName(const uint8_t* sid) {
    uint32_t level;
    if (!SidFirstSubAuthority(sid, &level)) return u"Unknown";
    switch (level) {
    case 0x0000: return u"Untrusted";
    case 0x1000: return u"Low";
    case 0x2000: return u"Medium";
    case 0x3000: return u"High";
    case 0x4000: return u"System";
    default: return u"Unknown";
    }
}

uint32_t MarkInherited(uint32_t itemParam) { return MakeItemParam(ItemGroup(itemParam), kKindInherited); }

}  // namespace

uint32_t AccountNameOfSid(TextWriter* out, const uint8_t* sid, const char16_t* path) {
    uint32_t start = out->length;
    if (sid) {
        const SecurityPlatform* platform = CurrentSecurityPlatform();
        char16_t system[kFullPathUnits];
        bool unc = path && path[0] == u'\\';
        if (unc) LookupSystemOf(path, system, kFullPathUnits);
        char16_t name[kAccountUnits];
        char16_t domain[kAccountUnits];
        name[0] = 0;
        domain[0] = 0;
        if (platform->lookupAccount(unc ? system : nullptr, sid, name, domain)) {
            name[kAccountUnits - 1] = 0;
            domain[kAccountUnits - 1] = 0;
            if (domain[0]) {
                TextAppend(out, domain);
                TextAppendChar(out, u'\\');
            }
            TextAppend(out, name);
            return out->length - start;
        }
        char16_t text[kNodeTextUnits];
        text[0] = 0;
        if (platform->sidToString(sid, text, kNodeTextUnits)) {
            text[kNodeTextUnits - 1] = 0;
            TextAppend(out, text);
            return out->length - start;
        }
    }
    TextAppend(out, Translate(u"Unknown account"));
    return out->length - start;
}

uint32_t AccessMaskText(TextWriter* out, uint32_t mask) {
    uint32_t start = out->length;
    uint32_t remaining = mask;
    bool matched = false;
    bool suffix = false;
    for (const AccessMaskName* row = kAccessMaskNames; row->mask; row++) {
        if ((remaining & row->mask) != row->mask) continue;
        if (matched) TextAppendChar(out, u',');
        TextAppend(out, Translate(row->name));
        matched = true;
        remaining &= ~row->mask;
        if (remaining == 0) {
            suffix = SingleBit(row->mask);
            break;
        }
    }
    if (matched && remaining != 0) suffix = true;
    if (suffix) {
        char16_t hex[16];
        FormatText(hex, 16, u"(%04x)", mask);
        TextAppend(out, hex);
    }
    return out->length - start;
}

uint32_t AceScopeText(TextWriter* out, uint8_t aceFlags, uint32_t attributes, uint32_t* itemParam, int* scopeGlyph) {
    uint32_t start = out->length;
    if (attributes & kFolderAttribute) {
        const uint8_t scope = kObjectInherit | kContainerInherit | kInheritOnly;
        if ((aceFlags & scope) == (kObjectInherit | kContainerInherit)) {
            TextAppend(out, Translate(u"(all)"));
            *itemParam |= kScopeThisFolder | kScopeInheritSubfolder | kScopeInheritFile;
        } else {
            if (!(aceFlags & kInheritOnly)) {
                TextAppend(out, Translate(u"(this folder)"));
                *itemParam |= kScopeThisFolder;
            }
            if (aceFlags & kContainerInherit) {
                TextAppend(out, Translate(u"(inherit subfolder)"));
                *itemParam |= kScopeInheritSubfolder;
            }
            if (aceFlags & kObjectInherit) {
                TextAppend(out, Translate(u"(inherit file)"));
                *itemParam |= kScopeInheritFile;
            }
            if ((aceFlags & scope) == 0) *scopeGlyph = kGlyphThisFolderOnly;
            else if ((aceFlags & scope) == scope) *scopeGlyph = kGlyphContentsOnly;
            if (*scopeGlyph && (aceFlags & kInheritedAce)) *scopeGlyph += 1;
        }
    }
    if (aceFlags & kNoPropagateInherit) TextAppend(out, Translate(u"(propagate inherit)"));
    return out->length - start;
}

uint32_t AceLineText(TextWriter* out, const char16_t* typeWord, const char16_t* path, const uint8_t* sid,
                     uint8_t aceFlags, uint32_t attributes, uint32_t mask, uint32_t* itemParam, int* glyph) {
    uint32_t start = out->length;
    bool inherited = (aceFlags & kInheritedAce) != 0;
    TextAppend(out, typeWord);
    if (inherited) TextAppend(out, Translate(u"(inherit)"));
    TextAppend(out, u" : ");
    AccountNameOfSid(out, sid, path);
    TextAppend(out, u" : ");
    int scopeGlyph = 0;
    AceScopeText(out, aceFlags, attributes, itemParam, &scopeGlyph);
    TextAppendChar(out, u' ');
    AccessMaskText(out, mask);

    if (*glyph == kGlyphAllow || *glyph == kGlyphDeny) {
        int deny = *glyph == kGlyphDeny ? 2 : 0;
        int inheritedStep = inherited ? 1 : 0;
        if (scopeGlyph != 0) *glyph = scopeGlyph + deny;
        else if (mask == kFullControl) *glyph = 30 + inheritedStep + deny;
        else if (mask == kModify) *glyph = 34 + inheritedStep + deny;
        else if (mask == kReadExecute) *glyph = 38 + inheritedStep + deny;
        else *glyph += inheritedStep;
    }
    if (inherited) *itemParam = MarkInherited(*itemParam);
    return out->length - start;
}

uint32_t IntegrityLabelText(TextWriter* out, const uint8_t* sid, uint8_t aceFlags, uint32_t attributes,
                            uint32_t policy, uint32_t* itemParam) {
    uint32_t start = out->length;
    if (aceFlags & kInheritedAce) TextAppend(out, Translate(u"(inherit)"));
    char16_t level[kNodeTextUnits];
    FormatText(level, kNodeTextUnits, u"%s : ", Translate(IntegrityLevelName(sid)));
    TextAppend(out, level);
    int scopeGlyph = 0;
    AceScopeText(out, aceFlags, attributes, itemParam, &scopeGlyph);
    TextAppendChar(out, u' ');
    if (policy & 0x1) TextAppend(out, Translate(u"(No write up)"));
    if (policy & 0x2) TextAppend(out, Translate(u"(No read up)"));
    if (policy & 0x4) TextAppend(out, Translate(u"(No execute up)"));
    if (aceFlags & kInheritedAce) *itemParam = MarkInherited(*itemParam);
    return out->length - start;
}
