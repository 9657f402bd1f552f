#include "security/sddl_text.h"

#include "base/format.h"
#include "base/little_endian.h"

void SidText(TextWriter* out, const uint8_t* sid) {
    uint64_t authority = 0;
    for (int i = 2; i < 8; i++) authority = authority << 8 | sid[i];
    char16_t part[32];
    FormatText(part, 32, u"S-%d-", (unsigned)sid[0]);
    TextAppend(out, part);
    if (authority >> 32) {
        FormatText(part, 32, u"0x%04x%04x%04x", (unsigned)(authority >> 32), (unsigned)(authority >> 16 & 0xFFFF),
                   (unsigned)(authority & 0xFFFF));
    } else {
        FormatText(part, 32, u"%d", (unsigned long long)authority);
    }
    TextAppend(out, part);
    for (uint32_t i = 0; i < sid[1]; i++) {
        FormatText(part, 32, u"-%d", ReadU32(sid + 8 + 4 * i));
        TextAppend(out, part);
    }
}

void SddlAclFlags(TextWriter* out, uint16_t control, bool dacl) {
    if (control & (dacl ? kDaclProtected : kSaclProtected)) TextAppend(out, u"P");
    if (control & (dacl ? kDaclAutoInherited : kSaclAutoInherited)) TextAppend(out, u"AI");
}

bool SddlAce(TextWriter* out, const AceView* ace) {
    uint32_t mask;
    const uint8_t* sid;
    if (!AceMaskAndSid(ace, &mask, &sid)) return false;
    const char16_t* type = ace->type == kAceAllow  ? u"A"
                           : ace->type == kAceDeny ? u"D"
                           : ace->type == kAceAudit ? u"AU"
                                                    : u"ML";
    struct Flag {
        uint8_t bit;
        const char16_t* code;
    };
    const Flag flags[] = {{kObjectInherit, u"OI"}, {kContainerInherit, u"CI"}, {kNoPropagateInherit, u"NP"},
                          {kInheritOnly, u"IO"},   {kInheritedAce, u"ID"},      {kSuccessfulAccess, u"SA"},
                          {0x80, u"FA"}};
    TextAppend(out, u"(");
    TextAppend(out, type);
    TextAppend(out, u";");
    for (const Flag& f : flags)
        if (ace->flags & f.bit) TextAppend(out, f.code);
    char16_t rights[16];
    FormatText(rights, 16, u";0x%x;;;", mask);
    TextAppend(out, rights);
    SidText(out, sid);
    TextAppend(out, u")");
    return true;
}

bool SddlAces(const AclView* acl, void* sink, SddlPut put) {
    AceCursor cursor;
    AceCursorInit(&cursor, acl);
    AceView ace;
    bool all = true;
    while (NextAce(&cursor, &ace)) {
        char16_t text[512];
        TextWriter w;
        TextWriterInit(&w, text, 512);
        if (SddlAce(&w, &ace) && !w.cut) put(sink, text, w.length);
        else all = false;
    }
    return all;
}

bool SddlDacl(uint16_t control, const AclView* acl, void* sink, SddlPut put) {
    char16_t head[16];
    TextWriter w;
    TextWriterInit(&w, head, 16);
    TextAppend(&w, u"D:");
    SddlAclFlags(&w, control, true);
    put(sink, head, w.length);
    if (acl) return SddlAces(acl, sink, put);
    put(sink, u"NO_ACCESS_CONTROL", 17);
    return true;
}

void AceTypeName(TextWriter* out, uint8_t type) {
    switch (type) {
    case kAceAllow: TextAppend(out, u"allow"); return;
    case kAceDeny: TextAppend(out, u"deny"); return;
    case kAceAudit: TextAppend(out, u"audit"); return;
    case kAceMandatoryLabel: TextAppend(out, u"label"); return;
    }
    char16_t text[8];
    FormatText(text, 8, type < 0x10 ? u"0x0%x" : u"0x%x", (unsigned)type);
    TextAppend(out, text);
}
