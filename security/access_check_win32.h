// The system's side of effective access: its own access check through
// authz.dll, the local groups of an account through netapi32, and account
// names turned into SIDs. Both DLLs are loaded at run time from System32.
#pragma once
#include <windows.h>
#include <authz.h>

#include "security/byte_buffer.h"
#include "security/effective_access.h"
#include "security/typed_account.h"

// One account's effective access over many descriptors: the system's client
// context and the account's local groups are each found once.
struct EffectiveAccessCheck {
    uint8_t account[kMaxSidBytes];
    AUTHZ_RESOURCE_MANAGER_HANDLE manager;   // null: not made
    AUTHZ_CLIENT_CONTEXT_HANDLE context;     // of the account; null: not made
    bool systemTried;     // the context was asked for (whether or not it came)
    bool groupsRead;      // held holds the account, the well-known and local group SIDs
    ByteBuffer held;
};

// False for a SID that does not fit kMaxSidBytes.
bool OpenEffectiveAccessCheck(EffectiveAccessCheck* check, const uint8_t* account);
void CloseEffectiveAccessCheck(EffectiveAccessCheck* check);
// The system's answer where it gives one, else the evaluator's over the
// account's SID, Everyone, Authenticated Users and its local groups; out's
// source says which. False when neither could be had (memory ran out).
bool CheckEffectiveAccess(EffectiveAccessCheck* check, const uint8_t* owner, bool daclPresent, const AclView* dacl,
                          EffectiveAccess* out);
// CheckEffectiveAccess over a group's security; false also when its owner or
// DACL could not be read.
bool CheckSecurityAccess(EffectiveAccessCheck* check, const PathSecurity* security, EffectiveAccess* out);
// MAXIMUM_ALLOWED for the account by the system, against the owner and DACL
// of a self-relative descriptor (read with the core's bounds checks; nothing
// else of it is used); false when the bytes are malformed, or authz is
// missing, refuses the account or does not answer.
bool SystemMaximumAllowed(EffectiveAccessCheck* check, const uint8_t* descriptor, uint32_t size, uint32_t* mask);

// Adds the SIDs of the local groups the account belongs to, directly or
// through its global groups (NetUserGetLocalGroups with LG_INCLUDE_INDIRECT);
// false when they cannot be listed (the SIDs found so far stay).
bool AddLocalGroupSids(ByteBuffer* list, const uint8_t* account);
// The SID of `name` or `DOMAIN\name` on the local system or its domain into
// sid (kMaxSidBytes); false when it does not resolve.
bool AccountSidOfName(const char16_t* name, uint8_t* sid);
