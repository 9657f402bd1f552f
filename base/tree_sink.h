// The security tree as the core sees it: a tree-view control in the shell,
// an in-memory tree in the tests.
#pragma once
#include <stdint.h>

typedef uintptr_t TreeItem;   // 0: no item
const TreeItem kTreeRoot = (TreeItem)-0x10000;   // TVI_ROOT
const int kNoImage = -1;      // insert without image fields

struct TreeSink {
    void* context;
    // Appends a child as the last child of parent (kTreeRoot for a root node).
    // With image kNoImage only text and identity are given. id: the node's
    // 64-bit identity (base/item_param.h), the item's parameter.
    TreeItem (*insert)(void* context, TreeItem parent, const char16_t* text, int image, uint64_t id);
    // Deletes an item with its children; kTreeRoot deletes everything.
    void (*remove)(void* context, TreeItem item);
    void (*setText)(void* context, TreeItem item, const char16_t* text);
    void (*expand)(void* context, TreeItem item);
    TreeItem (*firstChild)(void* context, TreeItem item);   // kTreeRoot: first root node
    TreeItem (*nextSibling)(void* context, TreeItem item);
    void (*select)(void* context, TreeItem item);
    TreeItem (*selected)(void* context);
    // Reads text (cut to capacity - 1 units) and the node's identity.
    bool (*read)(void* context, TreeItem item, char16_t* text, uint32_t capacity, uint64_t* id);
};
