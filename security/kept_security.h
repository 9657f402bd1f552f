// The model: what one reading of a path found, kept by its group. The tree,
// the reports and the actions all read a group's security through here, so
// none of them reads the disk or a widget a second time for one answer.
#pragma once
#include <stdint.h>

#include "base/text.h"
#include "security/descriptor.h"
#include "security/security_platform.h"

// A reading's parts copied into one block of their own size. parts.bytes
// point into block; a part whose query failed has no bytes and read false.
struct KeptSecurity {
    PathSecurity parts;
    uint8_t* block;
};

// Copies what was read; false when memory runs out (nothing is kept).
bool KeepSecurity(const PathSecurity* read, KeptSecurity* out);
void FreeKeptSecurity(KeptSecurity* kept);

// The owner part: false when its query failed or the bytes are malformed.
bool SecurityOwner(const PathSecurity* security, const uint8_t** sid, bool* defaulted);

enum AclState { kAclUnread, kAclAbsent, kAclNull, kAclPresent };
// The DACL, the SACL or the label's ACL (kLabelPart) with the control word of
// its part (0 when unread); acl is set for kAclPresent only.
AclState SecurityAcl(const PathSecurity* security, DescriptorPart part, AclView* acl, uint16_t* control);
// Entry index of the part's ACL, counted as the tree shows them (one node per
// ACE); false when the ACL has no such entry.
bool SecurityEntry(const PathSecurity* security, DescriptorPart part, uint32_t index, AceView* ace);
// Appends the texts of the parts a report calls unreadable, as the tree shows
// them ("unknown ownership; unknown permissions"): attributes, owner and
// permissions (auditing and labels need rights few readers have). True when
// all three were read.
bool UnreadPartsText(const PathSecurity* security, TextWriter* error);
