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
    // With image kNoImage only text and parameter are given.
    TreeItem (*insert)(void* context, TreeItem parent, const char16_t* text, int image, uint32_t param);
    // Deletes an item with its children; kTreeRoot deletes everything.
    void (*remove)(void* context, TreeItem item);
    void (*setText)(void* context, TreeItem item, const char16_t* text);
    void (*expand)(void* context, TreeItem item);
    TreeItem (*firstChild)(void* context, TreeItem item);   // kTreeRoot: first root node
    TreeItem (*nextSibling)(void* context, TreeItem item);
    void (*select)(void* context, TreeItem item);
    TreeItem (*selected)(void* context);
    // Reads text (cut to capacity - 1 units) and the 32-bit ItemParam.
    bool (*read)(void* context, TreeItem item, char16_t* text, uint32_t capacity, uint32_t* param);
};
