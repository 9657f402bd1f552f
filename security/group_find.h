// The three finds over the groups: an account named by a group's owner or an
// entry of its DACL or SACL, explicit permissions, inheritance turned off.
// Answered from each group's kept security, never from node texts.
#pragma once
#include <stdint.h>

#include "security/descriptor.h"
#include "security/groups.h"
#include "security/typed_account.h"

enum FindMode { kFindAccount, kFindExplicit, kFindProtected };

struct FindQuery {
    FindMode mode;
    uint8_t sid[kMaxSidBytes];   // for kFindAccount
};

// Where a group matches: the owner (kOwnerPart), an entry of the DACL or the
// SACL (entry: its index as the tree counts them), or, for the other two
// modes, the DACL itself (kDaclPart, entry kNoFindEntry).
struct FindMatch {
    DescriptorPart part;
    uint32_t entry;
};
const uint32_t kNoFindEntry = 0xFFFFFFFF;

bool SecurityMatches(const FindQuery* query, const PathSecurity* security, FindMatch* match);
// The group at index matches (false also for an index no group reads).
bool GroupMatches(const FindQuery* query, uint32_t index, FindMatch* match);
// The first matching group after `from` (before it, backward), wrapping
// round to `from` itself last; from kNoFindGroup starts at the first group
// (backward: the last). False when no group matches.
const uint32_t kNoFindGroup = 0xFFFFFFFF;
bool NextMatchingGroup(const FindQuery* query, uint32_t from, bool backward, uint32_t* found, FindMatch* match);

struct FindCounts {
    uint32_t matching;   // groups that match
    uint32_t groups;     // every group
    uint32_t paths;      // the paths of the matching groups
};
void CountMatches(const FindQuery* query, FindCounts* counts);
