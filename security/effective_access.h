// What an account may do with a file by its owner and DACL: the check for
// MAXIMUM_ALLOWED as the system makes it, evaluated over the SIDs the account
// is known to hold (where the system's own check is not available), and the
// texts that report it.
#pragma once
#include <stdint.h>

#include "base/text.h"
#include "security/byte_buffer.h"
#include "security/descriptor.h"
#include "security/security_platform.h"

// The file generic mapping.
const uint32_t kFileGenericRead = 0x00120089;
const uint32_t kFileGenericWrite = 0x00120116;
const uint32_t kFileGenericExecute = 0x001200A0;
const uint32_t kFileAllAccess = 0x001F01FF;

enum AccessSource {
    kAccessComputedByWindows,   // the system's check, with every group it knows of
    kAccessLocalGroupsOnly,     // the evaluator below over a SidList
};

// An entry the evaluator leaves alone (a conditional or object entry) that
// may concern the account. sid points into the DACL; null when unreadable.
struct SkippedEntry {
    uint32_t index;   // as the walk counts entries, from 0
    uint8_t type;
    const uint8_t* sid;
};
const uint32_t kMaxSkippedEntries = 8;

struct EffectiveAccess {
    uint32_t mask;           // generic bits mapped
    AccessSource source;
    uint32_t skippedCount;   // every skipped entry; the first kMaxSkippedEntries are kept
    SkippedEntry skipped[kMaxSkippedEntries];
};

// A SidList is a ByteBuffer of whole SIDs one after another: those an account
// holds, its own first.
bool SidListAdd(ByteBuffer* list, const uint8_t* sid);
bool SidListHolds(const ByteBuffer* list, const uint8_t* sid);
// The account's SID, Everyone (S-1-1-0) and Authenticated Users (S-1-5-11).
bool SidListAddAccount(ByteBuffer* list, const uint8_t* account);

// MAXIMUM_ALLOWED for the holder of `held`: no DACL (not present, when dacl
// may be null, or a null one) grants everything, an empty one nothing; the
// owner (null: none) gets READ_CONTROL and WRITE_DAC first unless an OWNER
// RIGHTS entry takes part; then the entries in order, inherit-only ones
// skipped: a deny entry takes the bits not yet granted, an allow entry grants
// the bits not yet denied. Conditional and object entries are not evaluated:
// those that may concern the account are listed in out->skipped.
void EvaluateEffectiveAccess(const uint8_t* owner, bool daclPresent, const AclView* dacl, const ByteBuffer* held,
                             EffectiveAccess* out);

// The owner and DACL of a group's security as the check takes them; false
// when either could not be read (nothing can be said then).
bool SecurityOwnerAndDacl(const PathSecurity* security, const uint8_t** owner, bool* daclPresent, AclView* dacl);
// EvaluateEffectiveAccess over them; false as SecurityOwnerAndDacl.
bool EvaluateSecurityAccess(const PathSecurity* security, const ByteBuffer* held, EffectiveAccess* out);

// A self-relative descriptor of the owner and the DACL alone, for the system's
// check. The owner also stands as the primary group: the check refuses a
// descriptor without one, and a file's access never depends on it.
bool ComposeAccessDescriptor(const uint8_t* owner, bool daclPresent, const AclView* dacl, ByteBuffer* out);

// The rights in the tree's names ("No access" for none).
void EffectiveRightsText(TextWriter* out, uint32_t mask);
// "(computed by Windows)" or "(local groups only)", then the skipped entries'
// accounts (looked up as for the tree's nodes of path).
void EffectiveAccessSourceText(TextWriter* out, const EffectiveAccess* access, const char16_t* path);
// "Effective access of <account>: <rights> (0x<mask>) <source>".
void EffectiveAccessLine(TextWriter* out, const char16_t* account, const EffectiveAccess* access,
                         const char16_t* path);
