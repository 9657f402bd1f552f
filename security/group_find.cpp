#include "security/group_find.h"

#include "security/descriptor_find.h"

bool SecurityMatches(const FindQuery* query, const PathSecurity* security, FindMatch* match) {
    match->part = kDaclPart;
    match->entry = kNoFindEntry;
    switch (query->mode) {
    case kFindAccount: {
        uint32_t index = 0;
        if (!FindSidInSecurity(security, query->sid, &match->part, &index)) return false;
        if (match->part != kOwnerPart) match->entry = index;
        return true;
    }
    case kFindExplicit: return SecurityHasExplicitPermissions(security);
    case kFindProtected: return SecurityInheritanceOff(security);
    }
    return false;
}

bool GroupMatches(const FindQuery* query, uint32_t index, FindMatch* match) {
    GroupSnapshot group;
    return ReadGroup(index, &group) && SecurityMatches(query, group.security, match);
}

bool NextMatchingGroup(const FindQuery* query, uint32_t from, bool backward, uint32_t* found, FindMatch* match) {
    const uint32_t count = GroupCount();
    if (count == 0) return false;
    // Starting before the first group (after the last, backward) makes the
    // first step land on it; a `from` past the end counts as no start.
    uint32_t at = from < count ? from : (backward ? 0 : count - 1);
    for (uint32_t step = 0; step < count; step++) {
        at = backward ? (at + count - 1) % count : (at + 1) % count;
        if (GroupMatches(query, at, match)) {
            *found = at;
            return true;
        }
    }
    return false;
}

void CountMatches(const FindQuery* query, FindCounts* counts) {
    *counts = FindCounts();
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        if (!ReadGroup(i, &group)) continue;
        counts->groups++;
        FindMatch match;
        if (!SecurityMatches(query, group.security, &match)) continue;
        counts->matching++;
        counts->paths += group.pathCount;
    }
}
