// Paths whose security data are byte for byte identical share one group.
#pragma once
#include <stdint.h>

#include "base/tree_sink.h"

const uint32_t kNoGroup = 0xFFFF;   // ItemParam group index that no group ever has

// What the menus and commands need of one group. The pointers stay valid
// until the groups are cleared.
struct GroupSnapshot {
    uint32_t index;
    uint32_t pathCount;
    TreeItem root;
    const char16_t* paths;   // pathCount zero-terminated paths back to back
};

void AddPath(const TreeSink* tree, const char16_t* path, uint32_t attributes);
void ClearGroups();
uint32_t GroupCount();
bool ReadGroup(uint32_t index, GroupSnapshot* out);
