#include "security/ace_text.h"

#include "base/format.h"
#include "base/item_param.h"
#include "config/config_text.h"
#include "security/access_rights.h"
#include "security/account_names.h"
#include "security/descriptor.h"
#include "security/security_platform.h"

namespace {

// Allow and deny ACEs of these whole masks have glyphs of their own.
struct MaskGlyph {
    uint32_t mask;
    int glyph;
};
const MaskGlyph kMaskGlyphs[] = {
    {kFullControlMask, kGlyphFullControl}, {kModifyMask, kGlyphModify}, {kReadExecuteMask, kGlyphReadExecute}};

int MaskGlyphOf(uint32_t mask) {
    for (const MaskGlyph& entry : kMaskGlyphs)
        if (entry.mask == mask) return entry.glyph;
    return 0;
}

// The names of an access mask, largest rights first, each taking its bits.
struct MaskNaming {
    TextWriter* out;
    uint32_t remaining;
    bool matched;
};

// Names the right when all its bits remain; true when none are left after it.
bool NameRight(MaskNaming* naming, const AccessRight* right) {
    if (!right || !right->name || (naming->remaining & right->mask) != right->mask) return false;
    if (naming->matched) TextAppendChar(naming->out, u',');
    TextAppend(naming->out, Translate(right->name));
    naming->matched = true;
    naming->remaining &= ~right->mask;
    return naming->remaining == 0;
}

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

// "domain\\name" or "name" from a lookup, else the SID string, into
// kAccountTextUnits units; null when neither works.
const uint32_t kAccountTextUnits = 2 * kAccountUnits + kNodeTextUnits;
const char16_t* LookUpAccountText(const char16_t* system, const uint8_t* sid, char16_t* out) {
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    TextWriter w;
    TextWriterInit(&w, out, kAccountTextUnits);
    char16_t name[kAccountUnits];
    char16_t domain[kAccountUnits];
    name[0] = 0;
    domain[0] = 0;
    if (platform->lookupAccount(system, sid, name, domain)) {
        name[kAccountUnits - 1] = 0;
        domain[kAccountUnits - 1] = 0;
        if (domain[0]) {
            TextAppend(&w, domain);
            TextAppendChar(&w, u'\\');
        }
        TextAppend(&w, name);
        return out;
    }
    char16_t text[kNodeTextUnits];
    text[0] = 0;
    if (!platform->sidToString(sid, text, kNodeTextUnits)) return nullptr;
    text[kNodeTextUnits - 1] = 0;
    TextAppend(&w, text);
    return out;
}

uint32_t MarkInherited(uint32_t itemParam) { return MakeItemParam(ItemGroup(itemParam), kKindInherited); }

}  // namespace

uint32_t AccountNameOfSid(TextWriter* out, const uint8_t* sid, const char16_t* path) {
    uint32_t start = out->length;
    if (sid) {
        char16_t system[kFullPathUnits];
        system[0] = 0;
        bool unc = path && path[0] == u'\\';
        if (unc) LookupSystemOf(path, system, kFullPathUnits);
        const char16_t* text = nullptr;
        char16_t looked[kAccountTextUnits];
        if (!FindAccountText(system, sid, &text)) {
            text = LookUpAccountText(unc ? system : nullptr, sid, looked);
            KeepAccountText(system, sid, text);
        }
        if (text) {
            TextAppend(out, text);
            return out->length - start;
        }
    }
    TextAppend(out, Translate(u"Unknown account"));
    return out->length - start;
}

uint32_t AccessMaskText(TextWriter* out, uint32_t mask) {
    uint32_t start = out->length;
    MaskNaming naming = {out, mask, false};
    bool suffix = false;
    bool named = false;
    for (uint32_t i = 0; i < kAccessRightCount && !named; i++)
        if (kAccessRights[i].composite) named = NameRight(&naming, &kAccessRights[i]);
    // The single bits in rising order; one of them naming the last bits still
    // shows the whole mask.
    for (uint32_t bit = 0; bit < 32 && !named; bit++) suffix = named = NameRight(&naming, SingleBitRight(1u << bit));
    if (naming.matched && naming.remaining != 0) suffix = true;
    if (suffix) {
        char16_t hex[16];
        FormatText(hex, 16, u"(%04x)", mask);
        TextAppend(out, hex);
    }
    return out->length - start;
}

uint32_t AceScopeBits(uint8_t aceFlags, uint32_t attributes) {
    if (!(attributes & kFolderAttribute)) return 0;
    uint32_t bits = 0;
    if (!(aceFlags & kInheritOnly)) bits |= kScopeThisFolder;
    if (aceFlags & kContainerInherit) bits |= kScopeInheritSubfolder;
    if (aceFlags & kObjectInherit) bits |= kScopeInheritFile;
    return bits;
}

uint32_t AceScopeText(TextWriter* out, uint8_t aceFlags, uint32_t attributes, uint32_t* itemParam, int* scopeGlyph) {
    uint32_t start = out->length;
    *itemParam |= AceScopeBits(aceFlags, attributes);
    if (attributes & kFolderAttribute) {
        const uint8_t scope = kObjectInherit | kContainerInherit | kInheritOnly;
        if ((aceFlags & scope) == (kObjectInherit | kContainerInherit)) {
            TextAppend(out, Translate(u"(all)"));
        } else {
            if (!(aceFlags & kInheritOnly)) TextAppend(out, Translate(u"(this folder)"));
            if (aceFlags & kContainerInherit) TextAppend(out, Translate(u"(inherit subfolder)"));
            if (aceFlags & kObjectInherit) TextAppend(out, Translate(u"(inherit file)"));
            if ((aceFlags & scope) == 0) *scopeGlyph = kGlyphThisFolderOnly;
            else if ((aceFlags & scope) == scope) *scopeGlyph = kGlyphContentsOnly;
            if (*scopeGlyph && (aceFlags & kInheritedAce)) *scopeGlyph += kGlyphInheritedStep;
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
        const int deny = *glyph == kGlyphDeny ? kGlyphDenyStep : 0;
        const int inheritedStep = inherited ? kGlyphInheritedStep : 0;
        const int maskGlyph = MaskGlyphOf(mask);
        if (scopeGlyph != 0) *glyph = scopeGlyph + deny;
        else if (maskGlyph != 0) *glyph = maskGlyph + inheritedStep + deny;
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
