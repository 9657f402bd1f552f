// A TreeSink kept in memory, for the console report: the same nodes the tree
// view would get, in a growable array. Removed nodes' slots are reused.
#pragma once
#include <stdint.h>

#include "base/tree_sink.h"

struct MemoryNode {
    char16_t* text;        // heap copy; null for a free slot
    int glyph;
    uint32_t param;
    TreeItem parent;       // 0 for a root node
    TreeItem firstChild, lastChild, previous, next;
};

struct MemoryTree {
    MemoryNode* nodes;     // item n lives at nodes[n - 1]
    uint32_t count;        // slots in use or freed
    uint32_t capacity;
    TreeItem firstRoot, lastRoot;
    TreeItem freeList;     // chained through next
    TreeItem selection;
};

void MemoryTreeInit(MemoryTree* tree);
void MemoryTreeFree(MemoryTree* tree);
TreeSink MemoryTreeSink(MemoryTree* tree);
