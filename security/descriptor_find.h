// What a find asks of a group's security: whether the owner or an entry names
// an account (as written: group membership is not expanded), whether the
// DACL holds entries of its own, whether its inheritance is turned off.
// Parts that could not be read name no one and hold no entries.
#pragma once
#include <stdint.h>

#include "security/descriptor.h"
#include "security/security_platform.h"

// The index (as the walk counts entries, from 0) of the first entry at or
// after `from` that names sid; false when none does or the ACL is null.
bool FindSidInAcl(const AclView* acl, const uint8_t* sid, uint32_t from, uint32_t* index);
// Where sid is first named: the owner (*part kOwnerPart), else an entry of
// the DACL, else of the SACL (*part kDaclPart or kSaclPart, *index the
// entry's, as the tree counts them).
bool FindSidInSecurity(const PathSecurity* security, const uint8_t* sid, DescriptorPart* part, uint32_t* index);
// At least one entry is not inherited.
bool AclHasExplicitEntry(const AclView* acl);
// "Explicit permissions": a DACL with at least one entry that is not inherited.
bool SecurityHasExplicitPermissions(const PathSecurity* security);
// "Inheritance turned off": the DACL part's control word marks it protected.
bool SecurityInheritanceOff(const PathSecurity* security);
