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
