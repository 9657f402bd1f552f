// An account as a user types it: a SID string (`S-1-5-32-544`, or with the
// leading `*` icacls uses) is read here; anything else is a name for the
// system to resolve.
#pragma once
#include <stdint.h>

const uint32_t kMaxSidBytes = 68;   // 8 + 4 for each of at most 15 sub-authorities

enum TypedAccount {
    kTypedSid,       // sid holds the SID
    kTypedName,      // a name such as `name` or `DOMAIN\name`
    kTypedInvalid,   // empty, or a SID string that is malformed or out of range
};

// Reads text into sid (kMaxSidBytes bytes). Strict: the revision is 1, the
// authority decimal (32 bits) or hexadecimal `0x...` (48 bits), at most 15
// decimal sub-authorities of 32 bits, no blanks, signs or empty parts.
TypedAccount ParseTypedAccount(const char16_t* text, uint8_t* sid);

// Looks a name up: the system's lookup in the shell, a fake in the tests.
typedef bool (*AccountSidLookup)(const char16_t* name, uint8_t* sid);
// The SID of an account as typed: read from a SID string, else looked up by
// name (lookup may be null: no name resolves). False when the text is
// malformed or the name does not resolve.
bool TypedAccountSid(const char16_t* text, AccountSidLookup lookup, uint8_t* sid);
