// Reads self-relative security descriptors as GetFileSecurityW returns them.
// Every offset and size taken from the bytes is checked against the buffer:
// a part that is malformed is reported as unreadable, never read past.
#pragma once
#include <stdint.h>

const uint16_t kOwnerDefaulted = 0x0001;
const uint16_t kDaclPresent = 0x0004;
const uint16_t kSaclPresent = 0x0010;
const uint16_t kDaclAutoInherited = 0x0400;
const uint16_t kSaclAutoInherited = 0x0800;
const uint16_t kDaclProtected = 0x1000;
const uint16_t kSaclProtected = 0x2000;
const uint16_t kSelfRelative = 0x8000;

const uint8_t kAceAllow = 0x00;
const uint8_t kAceDeny = 0x01;
const uint8_t kAceAudit = 0x02;
const uint8_t kAceMandatoryLabel = 0x11;
// Entries the tree shows by type number only; the access check still has to
// know whom they name.
const uint8_t kAceAllowObject = 0x05;
const uint8_t kAceDenyObject = 0x06;
const uint8_t kAceAllowCallback = 0x09;
const uint8_t kAceDenyCallback = 0x0A;
const uint8_t kAceAllowCallbackObject = 0x0B;
const uint8_t kAceDenyCallbackObject = 0x0C;
const uint8_t kAceAuditCallback = 0x0D;

const uint8_t kObjectInherit = 0x01;
const uint8_t kContainerInherit = 0x02;
const uint8_t kNoPropagateInherit = 0x04;
const uint8_t kInheritOnly = 0x08;
const uint8_t kInheritedAce = 0x10;
const uint8_t kSuccessfulAccess = 0x40;

// An ACL whose every reachable ACE has been checked; acl null is a null ACL.
struct AclView {
    const uint8_t* acl;
    uint32_t size;        // AclSize
    uint32_t aceCount;    // AceCount
};

struct AceView {
    const uint8_t* bytes;   // the whole ACE, header included
    uint32_t size;          // AceSize
    uint8_t type;
    uint8_t flags;
};

// Walks an ACL the way GetAce asks for index 0, 1, 2 ...: stops after
// AceCount ACEs or where the next ACE would start at the end of the ACL.
struct AceCursor {
    const AclView* acl;
    uint32_t index;
    uint32_t offset;
};

// Bytes of a SID: 8 + 4 per sub-authority.
uint32_t SidLength(const uint8_t* sid);
// Same revision, authority and sub-authorities; false when either is null.
bool SidsEqual(const uint8_t* a, const uint8_t* b);
// The first sub-authority; false when the SID has none.
bool SidFirstSubAuthority(const uint8_t* sid, uint32_t* value);

// The descriptor's control word; false when the bytes hold no header.
bool DescriptorControl(const uint8_t* sd, uint32_t size, uint16_t* control);
// Owner part. *sid is null when the descriptor names no owner.
bool ReadDescriptorOwner(const uint8_t* sd, uint32_t size, const uint8_t** sid, bool* defaulted);
// DACL or SACL part: the present flag and the ACL (null for a null ACL).
bool ReadDescriptorDacl(const uint8_t* sd, uint32_t size, bool* present, AclView* acl);
bool ReadDescriptorSacl(const uint8_t* sd, uint32_t size, bool* present, AclView* acl);

void AceCursorInit(AceCursor* cursor, const AclView* acl);
bool NextAce(AceCursor* cursor, AceView* ace);
// The access mask (the policy of a label ACE) and SID of an allow, deny, audit
// or label ACE; false for other types.
bool AceMaskAndSid(const AceView* ace, uint32_t* mask, const uint8_t** sid);
// As AceMaskAndSid, and also for the object and callback (conditional) ACEs
// that carry a mask and a SID; their SID is checked against the ACE's size
// here, as the walk does not look into them.
bool AnyAceMaskAndSid(const AceView* ace, uint32_t* mask, const uint8_t** sid);
