// Placeholder until security groups land: a root node per path, no group.
#include "security/groups.h"

void AddPath(const TreeSink* tree, const char16_t* path, uint32_t attributes) {
    tree->insert(tree->context, kTreeRoot, path, (attributes & 0x10) ? 3 : 2, MakeItemParam(kNoGroup, 1));
}
void ClearGroups() {}
uint32_t GroupCount() { return 0; }
bool ReadGroup(uint32_t, GroupSnapshot*) { return false; }
