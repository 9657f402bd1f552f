// What a find asks of one descriptor's parts: whether the owner or an entry
// names an account (as written: group membership is not expanded), whether
// the DACL holds entries of its own, whether its inheritance is turned off.
#pragma once
#include <stdint.h>

#include "security/descriptor.h"

// The index (as the walk counts entries, from 0) of the first entry at or
// after `from` that names sid; false when none does or the ACL is null.
bool FindSidInAcl(const AclView* acl, const uint8_t* sid, uint32_t from, uint32_t* index);
// The owner (null: none) or an entry of the DACL or SACL (null: not read)
// names sid.
bool SecurityNamesSid(const uint8_t* owner, const AclView* dacl, const AclView* sacl, const uint8_t* sid);
// At least one entry is not inherited ("Explicit permissions").
bool AclHasExplicitEntry(const AclView* acl);
// The control word marks the DACL protected ("Inheritance turned off").
bool DaclIsProtected(uint16_t control);
