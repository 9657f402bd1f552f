// Security facts as text a script can compare: SID strings and SDDL pieces,
// made here from the bytes so they read the same on every system. Rights are
// written in hex and SIDs in full ("S-1-5-32-544"), both valid SDDL.
#pragma once
#include <stdint.h>

#include "base/text.h"
#include "security/descriptor.h"

// "S-1-<authority>-<sub>..."; the authority in hex (0x...) when it exceeds
// 32 bits, as Windows writes it.
void SidText(TextWriter* out, const uint8_t* sid);
// "P", "AI" (or both) for a DACL (dacl true) or SACL by the control word.
void SddlAclFlags(TextWriter* out, uint16_t control, bool dacl);
// One ACE: "(A;OICI;0x1f01ff;;;S-1-5-18)". False for an ACE type the program
// does not read (it is left out).
bool SddlAce(TextWriter* out, const AceView* ace);
// Each ACE of a present ACL as SddlAce writes it, handed to put one at a
// time; false when one was left out.
typedef void (*SddlPut)(void* sink, const char16_t* text, uint32_t units);
bool SddlAces(const AclView* acl, void* sink, SddlPut put);
// A DACL whole: "D:", its flags, then its ACEs, or "NO_ACCESS_CONTROL" when
// acl is null (a null DACL); false when an ACE was left out.
bool SddlDacl(uint16_t control, const AclView* acl, void* sink, SddlPut put);
// "allow", "deny", "audit", "label", or the type byte as "0x05".
void AceTypeName(TextWriter* out, uint8_t type);
