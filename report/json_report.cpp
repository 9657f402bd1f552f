#include "report/json_report.h"

#include "base/file_attributes.h"
#include "base/format.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/descriptor.h"
#include "security/groups.h"
#include "security/sddl_text.h"
#include "security/security_platform.h"

namespace {

const char16_t kSecurityPrivilege[] = u"SeSecurityPrivilege";

// One descriptor part as read for the group's first path.
struct Part {
    uint8_t bytes[kDescriptorBufferBytes];
    uint32_t size;
    bool read;
};
// The four parts of the group being written; one group at a time.
Part g_owner, g_dacl, g_sacl, g_label;

void ReadPart(const char16_t* path, uint32_t information, Part* part) {
    part->size = 0;
    part->read = CurrentSecurityPlatform()->readDescriptor(path, information, part->bytes, kDescriptorBufferBytes,
                                                           &part->size);
    if (part->size > kDescriptorBufferBytes) part->size = kDescriptorBufferBytes;
}

// The auditing part needs the privilege, as the tree's reading does.
void ReadParts(const char16_t* path) {
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    ReadPart(path, kOwnerInformation, &g_owner);
    ReadPart(path, kDaclInformation, &g_dacl);
    g_sacl.read = false;
    if (platform->setPrivilege(kSecurityPrivilege, true)) {
        ReadPart(path, kSaclInformation, &g_sacl);
        platform->setPrivilege(kSecurityPrivilege, false);
    }
    ReadPart(path, kLabelInformation, &g_label);
}

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

// The node text the tree shows for the ACE.
void OutAceNodeText(ReportOut* out, const AceView* ace, uint32_t mask, const uint8_t* sid, const char16_t* path,
                    uint32_t attributes) {
    char16_t text[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, text, kNodeTextUnits);
    uint32_t param = 0;
    int glyph = kGlyphAllow;
    if (ace->type == kAceMandatoryLabel) {
        IntegrityLabelText(&w, sid, ace->flags, attributes, mask, &param);
    } else {
        const char16_t* word = ace->type == kAceAllow  ? u"Allow"
                               : ace->type == kAceDeny ? u"Deny"
                               : (ace->flags & kSuccessfulAccess) ? u"Sucessful"
                                                                   : u"Failed";
        AceLineText(&w, Translate(word), path, sid, ace->flags, attributes, mask, &param, &glyph);
    }
    OutJsonString(out, text);
}

void OutAce(ReportOut* out, const AceView* ace, const char16_t* path, uint32_t attributes) {
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
    if (!AceMaskAndSid(ace, &mask, &sid)) {
        FormatText(text, kNodeTextUnits, u"%s(0x%x):", Translate(u"unknown type"), (unsigned)ace->type);
        OutNextKey(out, u"text");
        OutJsonString(out, text);
        OutText(out, u"}");
        return;
    }
    OutNextKey(out, u"text");
    OutAceNodeText(out, ace, mask, sid, path, attributes);
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

// "null" for an absent or null ACL, an object with the error for a part that
// could not be read, else the flags and ACEs.
void OutAcl(ReportOut* out, const Part* part, bool dacl, const char16_t* unknownText, const char16_t* path,
            uint32_t attributes) {
    bool present;
    AclView acl;
    bool read = part->read && (dacl ? ReadDescriptorDacl : ReadDescriptorSacl)(part->bytes, part->size, &present, &acl);
    if (!read) {
        OutText(out, u"{");
        OutKey(out, u"error");
        OutJsonString(out, Translate(unknownText));
        OutText(out, u"}");
        return;
    }
    if (!present || !acl.acl) {
        OutText(out, u"null");
        return;
    }
    uint16_t control = 0;
    DescriptorControl(part->bytes, part->size, &control);
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
        OutAce(out, &ace, path, attributes);
    }
    OutText(out, u"]}");
}

void OutLabel(ReportOut* out, const char16_t* path, uint32_t attributes) {
    bool present;
    AclView acl;
    if (!g_label.read || !ReadDescriptorSacl(g_label.bytes, g_label.size, &present, &acl)) {
        OutText(out, u"{");
        OutKey(out, u"error");
        OutJsonString(out, Translate(u"unknown integrity level"));
        OutText(out, u"}");
        return;
    }
    AceCursor cursor;
    AceView ace;
    if (present && acl.acl) {
        AceCursorInit(&cursor, &acl);
        while (NextAce(&cursor, &ace)) {
            if (ace.type != kAceMandatoryLabel) continue;
            OutAce(out, &ace, path, attributes);
            return;
        }
    }
    OutText(out, u"null");
}

void OutOwner(ReportOut* out, const char16_t* path) {
    const uint8_t* sid = nullptr;
    bool defaulted = false;
    ReadDescriptorOwner(g_owner.bytes, g_owner.size, &sid, &defaulted);
    OutText(out, u"{");
    OutAccountAndSid(out, sid, path);
    OutNextKey(out, u"defaulted");
    OutBool(out, defaulted);
    OutText(out, u"}");
}

// Each ACE of a readable ACL part, as SDDL.
void OutSddlAces(ReportOut* out, const Part* part, bool dacl) {
    bool present;
    AclView acl;
    if (!part->read || !(dacl ? ReadDescriptorDacl : ReadDescriptorSacl)(part->bytes, part->size, &present, &acl) ||
        !present || !acl.acl)
        return;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    while (NextAce(&cursor, &ace)) {
        char16_t text[512];
        TextWriter w;
        TextWriterInit(&w, text, 512);
        if (SddlAce(&w, &ace)) OutUnits(out, text, w.length);
    }
}

bool AclPart(const Part* part, bool dacl, bool* nullAcl, uint16_t* control) {
    bool present;
    AclView acl;
    if (!part->read || !(dacl ? ReadDescriptorDacl : ReadDescriptorSacl)(part->bytes, part->size, &present, &acl) ||
        !present)
        return false;
    *nullAcl = !acl.acl;
    DescriptorControl(part->bytes, part->size, control);
    return true;
}

// Owner, DACL and the SACL with the label: what was read, in SDDL; a part
// that could not be read or is absent is left out.
void OutSddl(ReportOut* out) {
    OutChar(out, u'"');
    const uint8_t* sid = nullptr;
    bool defaulted;
    if (g_owner.read && ReadDescriptorOwner(g_owner.bytes, g_owner.size, &sid, &defaulted) && sid) {
        char16_t text[256];
        TextWriter w;
        TextWriterInit(&w, text, 256);
        TextAppend(&w, u"O:");
        SidText(&w, sid);
        OutText(out, text);
    }
    bool nullAcl = false;
    uint16_t control = 0;
    char16_t flags[8];
    TextWriter w;
    if (AclPart(&g_dacl, true, &nullAcl, &control)) {
        TextWriterInit(&w, flags, 8);
        SddlAclFlags(&w, control, true);
        OutText(out, u"D:");
        OutText(out, flags);
        if (nullAcl) OutText(out, u"NO_ACCESS_CONTROL");
        OutSddlAces(out, &g_dacl, true);
    }
    bool sacl = AclPart(&g_sacl, false, &nullAcl, &control);
    uint16_t labelControl = 0;
    bool label = AclPart(&g_label, false, &nullAcl, &labelControl);
    if (sacl || label) {
        TextWriterInit(&w, flags, 8);
        SddlAclFlags(&w, sacl ? control : labelControl, false);
        OutText(out, u"S:");
        OutText(out, flags);
        OutSddlAces(out, &g_sacl, false);
        OutSddlAces(out, &g_label, false);
    }
    OutChar(out, u'"');
}

void OutGroup(ReportOut* out, const JsonReportInput* input, const GroupSnapshot* group, uint32_t attributes) {
    const char16_t* path = FirstGroupPath(group);
    ReadParts(path);
    OutText(out, u"{");
    OutKey(out, u"paths");
    OutText(out, u"[");
    for (const char16_t* p = path; p; p = NextGroupPath(p)) {
        if (p != path) OutText(out, u",");
        OutJsonString(out, p);
    }
    OutText(out, u"],");
    // The attribute node is the root's first child.
    char16_t text[kNodeTextUnits];
    uint32_t param;
    TreeItem summary = input->tree->firstChild(input->tree->context, group->root);
    if (!summary || !input->tree->read(input->tree->context, summary, text, kNodeTextUnits, &param)) text[0] = 0;
    OutKey(out, u"attributes");
    OutJsonString(out, text);
    OutNextKey(out, u"attributeBits");
    OutHex(out, attributes);
    OutNextKey(out, u"owner");
    OutOwner(out, path);
    OutNextKey(out, u"dacl");
    OutAcl(out, &g_dacl, true, u"unknown permissions", path, attributes);
    OutNextKey(out, u"sacl");
    OutAcl(out, &g_sacl, false, u"unknown auditing", path, attributes);
    OutNextKey(out, u"label");
    OutLabel(out, path, attributes);
    OutNextKey(out, u"sddl");
    OutSddl(out);
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

void AppendFailure(TextWriter* error, const char16_t* english) {
    if (error->length) TextAppend(error, u"; ");
    TextAppend(error, Translate(english));
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

namespace {

bool GroupReadable(const char16_t* path, uint32_t attributes, TextWriter* error) {
    static uint8_t bytes[kDescriptorBufferBytes];
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    uint32_t size = 0;
    const uint8_t* sid;
    bool defaulted, present;
    AclView acl;
    if (attributes == 0xFFFFFFFF) AppendFailure(error, u"unknown attributes");
    if (!platform->readDescriptor(path, kOwnerInformation, bytes, kDescriptorBufferBytes, &size) ||
        !ReadDescriptorOwner(bytes, size < kDescriptorBufferBytes ? size : kDescriptorBufferBytes, &sid, &defaulted))
        AppendFailure(error, u"unknown ownership");
    size = 0;
    if (!platform->readDescriptor(path, kDaclInformation, bytes, kDescriptorBufferBytes, &size) ||
        !ReadDescriptorDacl(bytes, size < kDescriptorBufferBytes ? size : kDescriptorBufferBytes, &present, &acl))
        AppendFailure(error, u"unknown permissions");
    return error->length == 0;
}

}  // namespace

GroupReading CheckGroup(uint32_t index, PathAttributesFn attributes, void* context, GroupSnapshot* group,
                        uint32_t* groupAttributes, char16_t* error) {
    if (!ReadGroup(index, group) || !FirstGroupPath(group)) return kNoSuchGroup;
    *groupAttributes = attributes(context, FirstGroupPath(group));
    TextWriter w;
    TextWriterInit(&w, error, kNodeTextUnits);
    return GroupReadable(FirstGroupPath(group), *groupAttributes, &w) ? kGroupRead : kGroupUnread;
}

bool WriteJsonReport(ReportOut* out, const JsonReportInput* input) {
    OutText(out, u"{\"version\":1,\"groups\":[");
    bool firstGroup = true;
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        uint32_t attributes;
        char16_t error[kNodeTextUnits];
        if (CheckGroup(i, input->attributes, input->context, &group, &attributes, error) != kGroupRead) continue;
        if (!firstGroup) OutText(out, u",");
        firstGroup = false;
        OutText(out, u"\r\n");
        OutGroup(out, input, &group, attributes);
        OutFlush(out, false);
    }
    OutText(out, u"],\r\n\"unreadable\":[");
    bool allRead = true, firstUnreadable = true;
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        uint32_t attributes;
        char16_t error[kNodeTextUnits];
        if (CheckGroup(i, input->attributes, input->context, &group, &attributes, error) != kGroupUnread) continue;
        allRead = false;
        for (const char16_t* p = FirstGroupPath(&group); p; p = NextGroupPath(p))
            OutUnreadable(out, &firstUnreadable, p, error);
    }
    for (const char16_t* name = input->unknownNames; name && *name; name += TextLength(name) + 1) {
        allRead = false;
        OutUnreadable(out, &firstUnreadable, name, Translate(u"unknown name"));
    }
    OutText(out, u"]}\r\n");
    return allRead;
}
