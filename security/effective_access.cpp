#include "security/effective_access.h"

#include "base/format.h"
#include "base/little_endian.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/kept_security.h"

namespace {

const uint32_t kReadControl = 0x00020000;
const uint32_t kWriteDac = 0x00040000;
const uint32_t kAccessSystemSecurity = 0x01000000;   // granted by privilege, never by an entry
const uint32_t kMaximumAllowed = 0x02000000;
const uint32_t kGenericAll = 0x10000000;
const uint32_t kGenericExecute = 0x20000000;
const uint32_t kGenericWrite = 0x40000000;
const uint32_t kGenericRead = 0x80000000;

const uint8_t kEveryone[] = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
const uint8_t kAuthenticatedUsers[] = {1, 1, 0, 0, 0, 0, 0, 5, 11, 0, 0, 0};
const uint8_t kOwnerRights[] = {1, 1, 0, 0, 0, 0, 0, 3, 4, 0, 0, 0};

const uint32_t kHeaderBytes = 20;

uint32_t MapFileGenericBits(uint32_t mask) {
    uint32_t mapped = mask & ~(kGenericAll | kGenericExecute | kGenericWrite | kGenericRead);
    if (mask & kGenericRead) mapped |= kFileGenericRead;
    if (mask & kGenericWrite) mapped |= kFileGenericWrite;
    if (mask & kGenericExecute) mapped |= kFileGenericExecute;
    if (mask & kGenericAll) mapped |= kFileAllAccess;
    return mapped & ~(kAccessSystemSecurity | kMaximumAllowed);
}

// The SID at offset when the whole of it lies within the list; null at the
// end of the list and where a SID would run past it.
const uint8_t* SidAt(const ByteBuffer* list, uint32_t offset) {
    if (!list->data || offset >= list->used || list->used - offset < 8) return nullptr;
    const uint8_t* sid = list->data + offset;
    return SidLength(sid) <= list->used - offset ? sid : nullptr;
}

// Whom the entries are matched against: the held SIDs, and OWNER RIGHTS for
// the owner.
struct Holder {
    const ByteBuffer* held;
    bool isOwner;
};

bool Concerns(const Holder* holder, const uint8_t* sid) {
    return SidListHolds(holder->held, sid) || (holder->isOwner && SidsEqual(sid, kOwnerRights));
}

// An OWNER RIGHTS entry that takes part in the check (not inherit-only)
// replaces the owner's implicit rights.
bool HasEffectiveOwnerRightsEntry(const AclView* dacl) {
    AceCursor cursor;
    AceCursorInit(&cursor, dacl);
    AceView ace;
    uint32_t mask;
    const uint8_t* sid;
    while (NextAce(&cursor, &ace))
        if (!(ace.flags & kInheritOnly) && AnyAceMaskAndSid(&ace, &mask, &sid) && SidsEqual(sid, kOwnerRights))
            return true;
    return false;
}

bool IsSkippedType(uint8_t type) {
    return type == kAceAllowObject || type == kAceDenyObject || type == kAceAllowCallback ||
           type == kAceDenyCallback || type == kAceAllowCallbackObject || type == kAceDenyCallbackObject;
}

void NoteSkipped(EffectiveAccess* out, uint32_t index, const AceView* ace) {
    uint32_t mask;
    const uint8_t* sid = nullptr;
    if (out->skippedCount < kMaxSkippedEntries) {
        SkippedEntry* entry = &out->skipped[out->skippedCount];
        entry->index = index;
        entry->type = ace->type;
        entry->sid = AnyAceMaskAndSid(ace, &mask, &sid) ? sid : nullptr;
    }
    out->skippedCount++;
}

// One entry of the walk: granted and denied only ever grow.
void ApplyEntry(const Holder* holder, const AceView* ace, uint32_t* granted, uint32_t* denied) {
    uint32_t mask;
    const uint8_t* sid;
    if (!AceMaskAndSid(ace, &mask, &sid) || !Concerns(holder, sid)) return;
    mask = MapFileGenericBits(mask);
    if (ace->type == kAceDeny) *denied |= mask & ~*granted;
    else if (ace->type == kAceAllow) *granted |= mask & ~*denied;
}

void AppendU32(ByteBuffer* out, uint32_t value, bool* ok) {
    uint8_t bytes[4];
    WriteU32(bytes, value);
    *ok = *ok && ByteBufferAppend(out, bytes, 4);
}

}  // namespace

bool SidListAdd(ByteBuffer* list, const uint8_t* sid) { return ByteBufferAppend(list, sid, SidLength(sid)); }

bool SidListHolds(const ByteBuffer* list, const uint8_t* sid) {
    uint32_t offset = 0;
    for (const uint8_t* held; (held = SidAt(list, offset)) != nullptr; offset += SidLength(held))
        if (SidsEqual(held, sid)) return true;
    return false;
}

bool SidListAddAccount(ByteBuffer* list, const uint8_t* account) {
    return SidListAdd(list, account) && SidListAdd(list, kEveryone) && SidListAdd(list, kAuthenticatedUsers);
}

void EvaluateEffectiveAccess(const uint8_t* owner, bool daclPresent, const AclView* dacl, const ByteBuffer* held,
                             EffectiveAccess* out) {
    out->mask = 0;
    out->source = kAccessLocalGroupsOnly;
    out->skippedCount = 0;
    if (!daclPresent || !dacl || !dacl->acl) {
        out->mask = kFileAllAccess;
        return;
    }
    const Holder holder = {held, owner && SidListHolds(held, owner)};
    uint32_t granted = 0, denied = 0;
    // Granted before the walk, so no deny entry can take them.
    if (holder.isOwner && !HasEffectiveOwnerRightsEntry(dacl)) granted = kReadControl | kWriteDac;
    AceCursor cursor;
    AceCursorInit(&cursor, dacl);
    AceView ace;
    for (uint32_t index = 0; NextAce(&cursor, &ace); index++) {
        if (ace.flags & kInheritOnly) continue;
        if (IsSkippedType(ace.type)) {
            uint32_t mask;
            const uint8_t* sid;
            if (!AnyAceMaskAndSid(&ace, &mask, &sid) || Concerns(&holder, sid)) NoteSkipped(out, index, &ace);
            continue;
        }
        ApplyEntry(&holder, &ace, &granted, &denied);
    }
    out->mask = granted;
}

bool SecurityOwnerAndDacl(const PathSecurity* security, const uint8_t** owner, bool* daclPresent, AclView* dacl) {
    bool defaulted;
    uint16_t control;
    const AclState state = SecurityAcl(security, kDaclPart, dacl, &control);
    *daclPresent = state == kAclNull || state == kAclPresent;
    return SecurityOwner(security, owner, &defaulted) && state != kAclUnread;
}

bool EvaluateSecurityAccess(const PathSecurity* security, const ByteBuffer* held, EffectiveAccess* out) {
    const uint8_t* owner;
    bool present;
    AclView dacl;
    if (!SecurityOwnerAndDacl(security, &owner, &present, &dacl)) return false;
    EvaluateEffectiveAccess(owner, present, &dacl, held, out);
    return true;
}

bool ComposeAccessDescriptor(const uint8_t* owner, bool daclPresent, const AclView* dacl, ByteBuffer* out) {
    const uint32_t ownerBytes = owner ? SidLength(owner) : 0;
    const bool withAcl = daclPresent && dacl && dacl->acl;
    const uint16_t control = (uint16_t)(kSelfRelative | (daclPresent ? kDaclPresent : 0));
    const uint8_t header[4] = {1, 0, (uint8_t)control, (uint8_t)(control >> 8)};
    bool ok = ByteBufferAppend(out, header, 4);
    AppendU32(out, owner ? kHeaderBytes : 0, &ok);
    AppendU32(out, owner ? kHeaderBytes + ownerBytes : 0, &ok);
    AppendU32(out, 0, &ok);
    AppendU32(out, withAcl ? kHeaderBytes + 2 * ownerBytes : 0, &ok);
    if (owner) ok = ok && ByteBufferAppend(out, owner, ownerBytes) && ByteBufferAppend(out, owner, ownerBytes);
    if (withAcl) ok = ok && ByteBufferAppend(out, dacl->acl, dacl->size);
    return ok;
}

void EffectiveRightsText(TextWriter* out, uint32_t mask) {
    if (mask == 0) TextAppend(out, Translate(u"No access"));
    else AccessMaskText(out, mask);
}

void EffectiveAccessSourceText(TextWriter* out, const EffectiveAccess* access, const char16_t* path) {
    bool windows = access->source == kAccessComputedByWindows;
    TextAppend(out, Translate(windows ? u"(computed by Windows)" : u"(local groups only)"));
    if (access->skippedCount == 0) return;
    char16_t names[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, names, kNodeTextUnits);
    const uint32_t kept = access->skippedCount < kMaxSkippedEntries ? access->skippedCount : kMaxSkippedEntries;
    for (uint32_t i = 0; i < kept; i++) {
        if (i) TextAppend(&w, u", ");
        AccountNameOfSid(&w, access->skipped[i].sid, path);
    }
    if (access->skippedCount > kept) TextAppend(&w, u", ...");
    char16_t text[kNodeTextUnits];
    FormatText(text, kNodeTextUnits, Translate(u"(entries not evaluated: %s)"), names);
    TextAppendChar(out, u' ');
    TextAppend(out, text);
}

void EffectiveAccessLine(TextWriter* out, const char16_t* account, const EffectiveAccess* access,
                         const char16_t* path) {
    char16_t rights[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, rights, kNodeTextUnits);
    EffectiveRightsText(&w, access->mask);
    char16_t hex[16];
    FormatText(hex, 16, u"0x%x", access->mask);
    char16_t text[kNodeTextUnits];
    FormatText(text, kNodeTextUnits, Translate(u"Effective access of %s: %s (%s)"), account, rights, hex);
    TextAppend(out, text);
    TextAppendChar(out, u' ');
    EffectiveAccessSourceText(out, access, path);
}
