#include "report/json_report.h"

#include "base/file_attributes.h"
#include "base/format.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/descriptor.h"
#include "security/effective_access.h"
#include "security/groups.h"
#include "security/kept_security.h"
#include "security/sddl_text.h"
#include "security/security_platform.h"
#include "security/tree_builder.h"

namespace {

void OutHex(ReportOut* out, uint32_t value) {
    char16_t text[16];
    FormatText(text, 16, u"\"0x%04x%04x\"", value >> 16, value & 0xFFFF);
    OutText(out, text);
}

void OutBool(ReportOut* out, bool value) { OutText(out, value ? u"true" : u"false"); }

void OutKey(ReportOut* out, const char16_t* key) {
    OutJsonString(out, key);
    OutChar(out, u':');
}

// A key after an earlier member of the same object.
void OutNextKey(ReportOut* out, const char16_t* key) {
    OutChar(out, u',');
    OutKey(out, key);
}

void OutSidString(ReportOut* out, const uint8_t* sid) {
    if (!sid) {
        OutText(out, u"null");
        return;
    }
    char16_t text[256];
    TextWriter w;
    TextWriterInit(&w, text, 256);
    SidText(&w, sid);
    OutJsonString(out, text);
}

void OutAccount(ReportOut* out, const uint8_t* sid, const char16_t* path) {
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    AccountNameOfSid(&w, sid, path);
    OutJsonString(out, text);
}

// "account" (the name the tree shows) and "sid" (its S-1-... string).
void OutAccountAndSid(ReportOut* out, const uint8_t* sid, const char16_t* path) {
    OutKey(out, u"account");
    OutAccount(out, sid, path);
    OutNextKey(out, u"sid");
    OutSidString(out, sid);
}

// The node text the tree shows for the entry.
void OutEntryNodeText(ReportOut* out, const AceView* ace, DescriptorPart part, const char16_t* path,
                      uint32_t attributes) {
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    uint32_t param = 0;
    int glyph = 0;
    EntryNodeText(&w, ace, part, attributes, path, &param, &glyph);
    OutJsonString(out, text);
}

void OutAce(ReportOut* out, const AceView* ace, DescriptorPart part, const char16_t* path, uint32_t attributes) {
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    AceTypeName(&w, ace->type);
    OutText(out, u"{");
    OutKey(out, u"type");
    OutJsonString(out, text);
    OutText(out, u",");
    char16_t flags[8];
    FormatText(flags, 8, ace->flags < 0x10 ? u"0x0%x" : u"0x%x", (unsigned)ace->flags);
    OutKey(out, u"flags");
    OutJsonString(out, flags);
    OutNextKey(out, u"inherited");
    OutBool(out, (ace->flags & kInheritedAce) != 0);
    uint32_t mask;
    const uint8_t* sid;
    OutNextKey(out, u"text");
    OutEntryNodeText(out, ace, part, path, attributes);
    if (!AceMaskAndSid(ace, &mask, &sid)) {
        OutText(out, u"}");
        return;
    }
    OutChar(out, u',');
    OutAccountAndSid(out, sid, path);
    OutNextKey(out, u"mask");
    OutHex(out, mask);
    if (ace->type != kAceMandatoryLabel) {   // a label's mask is its policy, shown in its text
        TextWriterInit(&w, text, kNodeTextUnits);
        AccessMaskText(&w, mask);
        OutNextKey(out, u"rights");
        OutJsonString(out, text);
    }
    TextWriterInit(&w, text, kNodeTextUnits);
    uint32_t param = 0;
    int scopeGlyph = 0;
    AceScopeText(&w, ace->flags, attributes, &param, &scopeGlyph);
    OutNextKey(out, u"scope");
    OutJsonString(out, text);
    OutText(out, u"}");
}

void OutError(ReportOut* out, const char16_t* english) {
    OutText(out, u"{");
    OutKey(out, u"error");
    OutJsonString(out, Translate(english));
    OutText(out, u"}");
}

// "null" for an absent or null ACL, an object with the error for a part that
// could not be read, else the flags and ACEs.
void OutAcl(ReportOut* out, const PathSecurity* security, DescriptorPart part, const char16_t* unknownText,
            const char16_t* path) {
    AclView acl;
    uint16_t control;
    const AclState state = SecurityAcl(security, part, &acl, &control);
    if (state == kAclUnread) {
        OutError(out, unknownText);
        return;
    }
    if (state != kAclPresent) {
        OutText(out, u"null");
        return;
    }
    const bool dacl = part == kDaclPart;
    OutText(out, u"{");
    OutKey(out, u"protected");
    OutBool(out, (control & (dacl ? kDaclProtected : kSaclProtected)) != 0);
    OutNextKey(out, u"autoInherited");
    OutBool(out, (control & (dacl ? kDaclAutoInherited : kSaclAutoInherited)) != 0);
    OutNextKey(out, u"aces");
    OutText(out, u"[");
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    for (bool first = true; NextAce(&cursor, &ace); first = false) {
        if (!first) OutText(out, u",");
        OutAce(out, &ace, part, path, security->attributes);
    }
    OutText(out, u"]}");
}

void OutLabel(ReportOut* out, const PathSecurity* security, const char16_t* path) {
    AclView acl;
    uint16_t control;
    const AclState state = SecurityAcl(security, kLabelPart, &acl, &control);
    if (state == kAclUnread) {
        OutError(out, u"unknown integrity level");
        return;
    }
    AceCursor cursor;
    AceView ace;
    if (state == kAclPresent) {
        AceCursorInit(&cursor, &acl);
        while (NextAce(&cursor, &ace)) {
            if (ace.type != kAceMandatoryLabel) continue;
            OutAce(out, &ace, kLabelPart, path, security->attributes);
            return;
        }
    }
    OutText(out, u"null");
}

void OutOwner(ReportOut* out, const PathSecurity* security, const char16_t* path) {
    const uint8_t* sid = nullptr;
    bool defaulted = false;
    SecurityOwner(security, &sid, &defaulted);
    OutText(out, u"{");
    OutAccountAndSid(out, sid, path);
    OutNextKey(out, u"defaulted");
    OutBool(out, defaulted);
    OutText(out, u"}");
}

void PutSddl(void* out, const char16_t* text, uint32_t units) { OutUnits(static_cast<ReportOut*>(out), text, units); }

// Each ACE of a present ACL, as SDDL.
void OutSddlAces(ReportOut* out, const AclView* acl) { SddlAces(acl, out, PutSddl); }

// "S:" with the SACL's flags.
void OutSaclHead(ReportOut* out, uint16_t control) {
    char16_t flags[8];
    TextWriter w;
    TextWriterInit(&w, flags, 8);
    SddlAclFlags(&w, control, false);
    OutText(out, u"S:");
    OutText(out, flags);
}

// Owner, DACL and the SACL with the label: what was read, in SDDL; a part
// that could not be read or is absent is left out.
void OutSddl(ReportOut* out, const PathSecurity* security) {
    OutChar(out, u'"');
    const uint8_t* sid = nullptr;
    bool defaulted;
    if (SecurityOwner(security, &sid, &defaulted) && sid) {
        char16_t text[256];
        TextWriter w;
        TextWriterInit(&w, text, 256);
        TextAppend(&w, u"O:");
        SidText(&w, sid);
        OutText(out, text);
    }
    AclView dacl, sacl, label;
    uint16_t daclControl, saclControl, labelControl;
    const AclState daclState = SecurityAcl(security, kDaclPart, &dacl, &daclControl);
    if (daclState == kAclPresent || daclState == kAclNull) {
        SddlDacl(daclControl, daclState == kAclPresent ? &dacl : nullptr, out, PutSddl);
    }
    const AclState saclState = SecurityAcl(security, kSaclPart, &sacl, &saclControl);
    const AclState labelState = SecurityAcl(security, kLabelPart, &label, &labelControl);
    const bool saclShown = saclState == kAclPresent || saclState == kAclNull;
    const bool labelShown = labelState == kAclPresent || labelState == kAclNull;
    if (saclShown || labelShown) {
        OutSaclHead(out, saclShown ? saclControl : labelControl);
        if (saclState == kAclPresent) OutSddlAces(out, &sacl);
        if (labelState == kAclPresent) OutSddlAces(out, &label);
    }
    OutChar(out, u'"');
}

// {"kind":"find","account":...,"sid":...}, {"kind":"explicit"} or
// {"kind":"protected"}; null without a filter.
void OutFilter(ReportOut* out, const ReportSelection* selection) {
    const FindQuery* filter = selection->filter;
    if (!filter) {
        OutText(out, u"null");
        return;
    }
    OutText(out, u"{");
    OutKey(out, u"kind");
    const char16_t* kinds[] = {u"find", u"explicit", u"protected"};
    OutJsonString(out, kinds[filter->mode]);
    if (filter->mode == kFindAccount) {
        OutNextKey(out, u"account");
        OutJsonString(out, selection->filterText);
        OutNextKey(out, u"sid");
        OutSidString(out, filter->sid);
    }
    OutText(out, u"}");
}

// The account's access: its mask, the rights as the tree names them and
// how it was computed; null when it cannot be told.
void OutEffectiveAccess(ReportOut* out, const ReportSelection* selection, const GroupSnapshot* group) {
    EffectiveAccess access;
    if (!ReportGroupAccess(selection, group, &access)) {
        OutText(out, u"null");
        return;
    }
    OutText(out, u"{");
    OutKey(out, u"account");
    OutJsonString(out, selection->access->account);
    OutNextKey(out, u"sid");
    OutSidString(out, selection->access->sid);
    OutNextKey(out, u"mask");
    OutHex(out, access.mask);
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    EffectiveRightsText(&w, access.mask);
    OutNextKey(out, u"rights");
    OutJsonString(out, text);
    OutNextKey(out, u"computedBy");
    OutJsonString(out, access.source == kAccessComputedByWindows ? u"windows" : u"localGroupsOnly");
    TextWriterInit(&w, text, kNodeTextUnits);
    EffectiveAccessSourceText(&w, &access, FirstGroupPath(group));
    OutNextKey(out, u"how");
    OutJsonString(out, text);
    OutNextKey(out, u"entriesNotEvaluated");
    OutText(out, u"[");
    const uint32_t kept = access.skippedCount < kMaxSkippedEntries ? access.skippedCount : kMaxSkippedEntries;
    for (uint32_t i = 0; i < kept; i++) {
        if (i) OutChar(out, u',');
        OutSidString(out, access.skipped[i].sid);
    }
    OutText(out, u"]}");
}

void OutGroup(ReportOut* out, const GroupSnapshot* group, const ReportSelection* selection) {
    const char16_t* path = FirstGroupPath(group);
    const PathSecurity* security = group->security;
    OutText(out, u"{");
    OutKey(out, u"paths");
    OutText(out, u"[");
    for (const char16_t* p = path; p; p = NextGroupPath(p)) {
        if (p != path) OutText(out, u",");
        OutJsonString(out, p);
    }
    OutText(out, u"],");
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    AttributeSummaryText(&w, security->attributes);
    OutKey(out, u"attributes");
    OutJsonString(out, text);
    OutNextKey(out, u"attributeBits");
    OutHex(out, security->attributes);
    OutNextKey(out, u"owner");
    OutOwner(out, security, path);
    OutNextKey(out, u"dacl");
    OutAcl(out, security, kDaclPart, u"unknown permissions", path);
    OutNextKey(out, u"sacl");
    OutAcl(out, security, kSaclPart, u"unknown auditing", path);
    OutNextKey(out, u"label");
    OutLabel(out, security, path);
    OutNextKey(out, u"sddl");
    OutSddl(out, security);
    if (selection->access) {
        OutNextKey(out, u"effectiveAccess");
        OutEffectiveAccess(out, selection, group);
    }
    OutText(out, u"}");
}

void OutUnreadable(ReportOut* out, bool* first, const char16_t* path, const char16_t* error) {
    if (!*first) OutText(out, u",");
    *first = false;
    OutText(out, u"\r\n{");
    OutKey(out, u"path");
    OutJsonString(out, path);
    OutNextKey(out, u"error");
    OutJsonString(out, error);
    OutText(out, u"}");
}

}  // namespace

void OutJsonString(ReportOut* out, const char16_t* text) {
    OutChar(out, u'"');
    for (const char16_t* p = text; *p; p++) {
        char16_t c = *p;
        bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && p[1] >= 0xDC00 && p[1] <= 0xDFFF) {
            OutUnits(out, p, 2);
            p++;
            continue;
        }
        if (c == u'"' || c == u'\\') {
            OutChar(out, u'\\');
            OutChar(out, c);
        } else if (c < 0x20 || high || low) {
            char16_t escape[8];
            FormatText(escape, 8, u"\\u%04x", (unsigned)c);
            OutText(out, escape);
        } else {
            OutChar(out, c);
        }
    }
    OutChar(out, u'"');
}

bool GroupRead(const GroupSnapshot* group, char16_t* error) {
    TextWriter w;
    TextWriterInit(&w, error, kNodeTextUnits);
    return UnreadPartsText(group->security, &w);
}

bool NextWalkGap(const WalkGaps* gaps, uint32_t* offset, const char16_t** reason, const char16_t** path) {
    if (!gaps->pairs || *offset >= gaps->units) return false;
    *reason = gaps->pairs + *offset;
    *path = *reason + TextLength(*reason) + 1;
    *offset = (uint32_t)(*path - gaps->pairs) + TextLength(*path) + 1;
    return true;
}

bool WriteJsonReport(ReportOut* out, const WalkGaps* gaps, const ReportSelection* selection) {
    OutText(out, u"{\"version\":1,\"filter\":");
    OutFilter(out, selection);
    OutText(out, u",\"groups\":[");
    bool firstGroup = true;
    char16_t error[kNodeTextUnits];
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        if (!ReadGroup(i, &group) || !GroupRead(&group, error) || !ReportKeepsGroup(selection, &group)) continue;
        if (!firstGroup) OutText(out, u",");
        firstGroup = false;
        OutText(out, u"\r\n");
        OutGroup(out, &group, selection);
        OutFlush(out, false);
    }
    OutText(out, u"],\r\n\"unreadable\":[");
    bool allRead = true, firstUnreadable = true;
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        if (!ReadGroup(i, &group) || GroupRead(&group, error)) continue;
        allRead = false;
        for (const char16_t* p = FirstGroupPath(&group); p; p = NextGroupPath(p))
            OutUnreadable(out, &firstUnreadable, p, error);
    }
    const char16_t* name;
    uint32_t groupsBefore;
    for (uint32_t i = 0; ReadUnnamedPath(i, &name, &groupsBefore); i++) {
        allRead = false;
        OutUnreadable(out, &firstUnreadable, name, Translate(u"unknown name"));
    }
    const char16_t* reason;
    for (uint32_t offset = 0; NextWalkGap(gaps, &offset, &reason, &name);) {
        allRead = false;
        OutUnreadable(out, &firstUnreadable, name, reason);
    }
    OutText(out, u"]}\r\n");
    return allRead;
}
