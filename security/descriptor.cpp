#include "security/descriptor.h"

#include <string.h>

#include "base/little_endian.h"

namespace {

const uint32_t kDescriptorHeader = 20;   // revision, sbz1, control, four offsets
const uint32_t kAclHeader = 8;           // revision, sbz1, AclSize, AceCount, sbz2
const uint32_t kAceHeader = 4;           // type, flags, AceSize
const uint32_t kSidHeader = 8;           // revision, count, 6-byte authority

bool Fits(uint32_t offset, uint32_t length, uint32_t size) {
    return offset <= size && length <= size - offset;
}

bool SidFits(const uint8_t* base, uint32_t offset, uint32_t size) {
    if (!Fits(offset, kSidHeader, size)) return false;
    return Fits(offset, SidLength(base + offset), size);
}

bool HasMaskAndSid(uint8_t type) {
    return type == kAceAllow || type == kAceDeny || type == kAceAudit || type == kAceMandatoryLabel;
}

// Reads the ACE at the cursor without moving it; false at the end of the walk
// and for an ACE that is not whole.
bool AceAt(const AceCursor* cursor, AceView* ace, bool* malformed) {
    *malformed = false;
    const AclView* acl = cursor->acl;
    if (cursor->index >= acl->aceCount || cursor->offset >= acl->size) return false;
    *malformed = true;
    if (!Fits(cursor->offset, kAceHeader, acl->size)) return false;
    const uint8_t* p = acl->acl + cursor->offset;
    uint32_t aceSize = ReadU16(p + 2);
    // Real ACEs are whole DWORDs; an odd size would also misalign everything
    // stored after it.
    if (aceSize < kAceHeader || aceSize % 4 != 0 || !Fits(cursor->offset, aceSize, acl->size)) return false;
    if (HasMaskAndSid(p[0]) && (aceSize < kAceHeader + 4 + kSidHeader || !SidFits(p, kAceHeader + 4, aceSize)))
        return false;
    ace->bytes = p;
    ace->size = aceSize;
    ace->type = p[0];
    ace->flags = p[1];
    *malformed = false;
    return true;
}

bool AclIsWhole(const AclView* acl) {
    AceCursor cursor;
    AceCursorInit(&cursor, acl);
    AceView ace;
    while (NextAce(&cursor, &ace)) {
    }
    bool malformed;
    AceAt(&cursor, &ace, &malformed);
    return !malformed;
}

// GetFileSecurityW hands out self-relative descriptors only; in any other
// form the offsets would be pointers, so such bytes count as malformed.
bool ReadControl(const uint8_t* sd, uint32_t size, uint16_t* control) {
    return DescriptorControl(sd, size, control) && (*control & kSelfRelative) != 0;
}

bool ReadAcl(const uint8_t* sd, uint32_t size, uint32_t offsetField, uint16_t presentBit, bool* present,
             AclView* acl) {
    uint16_t control;
    if (!ReadControl(sd, size, &control)) return false;
    *present = (control & presentBit) != 0;
    acl->acl = nullptr;
    acl->size = 0;
    acl->aceCount = 0;
    uint32_t offset = ReadU32(sd + offsetField);
    if (!*present || offset == 0) return true;
    if (!Fits(offset, kAclHeader, size)) return false;
    const uint8_t* p = sd + offset;
    uint32_t aclSize = ReadU16(p + 2);
    if (aclSize < kAclHeader || !Fits(offset, aclSize, size)) return false;
    acl->acl = p;
    acl->size = aclSize;
    acl->aceCount = ReadU16(p + 4);
    return AclIsWhole(acl);
}

}  // namespace

uint32_t SidLength(const uint8_t* sid) { return kSidHeader + 4u * sid[1]; }

bool SidsEqual(const uint8_t* a, const uint8_t* b) {
    return a && b && a[1] == b[1] && memcmp(a, b, SidLength(a)) == 0;
}

bool SidFirstSubAuthority(const uint8_t* sid, uint32_t* value) {
    if (sid[1] == 0) return false;
    *value = ReadU32(sid + kSidHeader);
    return true;
}

bool DescriptorControl(const uint8_t* sd, uint32_t size, uint16_t* control) {
    if (!sd || size < kDescriptorHeader) return false;
    *control = ReadU16(sd + 2);
    return true;
}

bool ReadDescriptorOwner(const uint8_t* sd, uint32_t size, const uint8_t** sid, bool* defaulted) {
    uint16_t control;
    if (!ReadControl(sd, size, &control)) return false;
    uint32_t offset = ReadU32(sd + 4);
    if (offset != 0 && !SidFits(sd, offset, size)) return false;
    *sid = offset ? sd + offset : nullptr;
    *defaulted = (control & kOwnerDefaulted) != 0;
    return true;
}

bool ReadDescriptorDacl(const uint8_t* sd, uint32_t size, bool* present, AclView* acl) {
    return ReadAcl(sd, size, 16, kDaclPresent, present, acl);
}

bool ReadDescriptorSacl(const uint8_t* sd, uint32_t size, bool* present, AclView* acl) {
    return ReadAcl(sd, size, 12, kSaclPresent, present, acl);
}

void AceCursorInit(AceCursor* cursor, const AclView* acl) {
    cursor->acl = acl;
    cursor->index = 0;
    cursor->offset = kAclHeader;
}

bool NextAce(AceCursor* cursor, AceView* ace) {
    if (!cursor->acl->acl) return false;
    bool malformed;
    if (!AceAt(cursor, ace, &malformed)) return false;
    cursor->index++;
    cursor->offset += ace->size;
    return true;
}

bool AceMaskAndSid(const AceView* ace, uint32_t* mask, const uint8_t** sid) {
    if (!HasMaskAndSid(ace->type)) return false;
    *mask = ReadU32(ace->bytes + kAceHeader);
    *sid = ace->bytes + kAceHeader + 4;
    return true;
}

namespace {

// Where the SID of an object ACE starts: after the mask, the flags and the
// object type GUIDs the flags announce.
uint32_t ObjectAceSidOffset(const AceView* ace) {
    if (ace->size < kAceHeader + 8) return 0;
    uint32_t objectFlags = ReadU32(ace->bytes + kAceHeader + 4);
    return kAceHeader + 8 + ((objectFlags & 1) ? 16 : 0) + ((objectFlags & 2) ? 16 : 0);
}

}  // namespace

bool AnyAceMaskAndSid(const AceView* ace, uint32_t* mask, const uint8_t** sid) {
    if (AceMaskAndSid(ace, mask, sid)) return true;
    uint32_t sidOffset;
    switch (ace->type) {
    case kAceAllowCallback:
    case kAceDenyCallback:
    case kAceAuditCallback: sidOffset = kAceHeader + 4; break;
    case kAceAllowObject:
    case kAceDenyObject:
    case kAceAllowCallbackObject:
    case kAceDenyCallbackObject: sidOffset = ObjectAceSidOffset(ace); break;
    default: return false;
    }
    if (sidOffset == 0 || !SidFits(ace->bytes, sidOffset, ace->size)) return false;
    *mask = ReadU32(ace->bytes + kAceHeader);
    *sid = ace->bytes + sidOffset;
    return true;
}
