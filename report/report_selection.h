// What ovrix-report's filters and /access: make of the groups: which groups
// a report keeps, and the effective access it adds to each.
#pragma once
#include <stdint.h>

#include "security/byte_buffer.h"
#include "security/effective_access.h"
#include "security/group_find.h"
#include "security/groups.h"

// One account's effective access over every group: the platform's check
// where it gives one, else the evaluator over held (the account, Everyone
// and Authenticated Users).
struct ReportAccess {
    const char16_t* account;   // as typed
    const uint8_t* sid;
    void* check;               // null: the evaluator
    bool (*checkAccess)(void* check, const PathSecurity* security, EffectiveAccess* out);
    ByteBuffer held;
};

struct ReportSelection {
    const FindQuery* filter;     // null: every group
    const char16_t* filterText;  // the account of /find: as typed
    ReportAccess* access;        // null: none added
};

// The selection that keeps every group and adds nothing.
const ReportSelection kWholeReport = {nullptr, nullptr, nullptr};

bool ReportKeepsGroup(const ReportSelection* selection, const GroupSnapshot* group);
// The added access of the group; false when it cannot be told (the owner or
// DACL could not be read) or none is asked for.
bool ReportGroupAccess(const ReportSelection* selection, const GroupSnapshot* group, EffectiveAccess* out);
