#include "report/memory_tree.h"

#include "base/heap.h"
#include "base/text.h"

namespace {

MemoryTree* Tree(void* context) { return static_cast<MemoryTree*>(context); }
MemoryNode* Node(MemoryTree* t, TreeItem item) { return &t->nodes[item - 1]; }
bool IsLive(MemoryTree* t, TreeItem item) {
    return item != 0 && item != kTreeRoot && item <= t->count && Node(t, item)->text;
}

char16_t* CopyOf(const char16_t* text) {
    return static_cast<char16_t*>(HeapCopyBytes(text, ((size_t)TextLength(text) + 1) * sizeof(char16_t)));
}

TreeItem NewSlot(MemoryTree* t) {
    if (t->freeList) {
        TreeItem item = t->freeList;
        t->freeList = Node(t, item)->next;
        return item;
    }
    if (t->count == t->capacity) {
        void* block = GrowBlock(t->nodes, &t->capacity, sizeof(MemoryNode));
        if (!block) return 0;
        t->nodes = static_cast<MemoryNode*>(block);
    }
    return ++t->count;
}

TreeItem Insert(void* context, TreeItem parent, const char16_t* text, int image, uint32_t param) {
    MemoryTree* t = Tree(context);
    if (parent != kTreeRoot && !IsLive(t, parent)) return 0;
    char16_t* copy = CopyOf(text);
    if (!copy) return 0;
    TreeItem item = NewSlot(t);
    if (!item) {
        HeapFreeBytes(copy);
        return 0;
    }
    TreeItem* first = parent == kTreeRoot ? &t->firstRoot : &Node(t, parent)->firstChild;
    TreeItem* last = parent == kTreeRoot ? &t->lastRoot : &Node(t, parent)->lastChild;
    *Node(t, item) = MemoryNode{copy, image, param, parent == kTreeRoot ? 0 : parent, 0, 0, *last, 0};
    if (*last) Node(t, *last)->next = item;
    else *first = item;
    *last = item;
    return item;
}

void FreeSubtree(MemoryTree* t, TreeItem item) {
    for (TreeItem child = Node(t, item)->firstChild; child;) {
        TreeItem next = Node(t, child)->next;
        FreeSubtree(t, child);
        child = next;
    }
    MemoryNode* n = Node(t, item);
    HeapFreeBytes(n->text);
    *n = MemoryNode{};
    n->next = t->freeList;
    t->freeList = item;
    if (t->selection == item) t->selection = 0;
}

void Remove(void* context, TreeItem item) {
    MemoryTree* t = Tree(context);
    if (item == kTreeRoot) {
        MemoryTreeFree(t);
        return;
    }
    if (!IsLive(t, item)) return;
    MemoryNode* n = Node(t, item);
    TreeItem* first = n->parent ? &Node(t, n->parent)->firstChild : &t->firstRoot;
    TreeItem* last = n->parent ? &Node(t, n->parent)->lastChild : &t->lastRoot;
    if (n->previous) Node(t, n->previous)->next = n->next;
    else *first = n->next;
    if (n->next) Node(t, n->next)->previous = n->previous;
    else *last = n->previous;
    FreeSubtree(t, item);
}

void SetText(void* context, TreeItem item, const char16_t* text) {
    MemoryTree* t = Tree(context);
    if (!IsLive(t, item)) return;
    char16_t* copy = CopyOf(text);
    if (!copy) return;
    HeapFreeBytes(Node(t, item)->text);
    Node(t, item)->text = copy;
}

void Expand(void*, TreeItem) {}

TreeItem FirstChild(void* context, TreeItem item) {
    MemoryTree* t = Tree(context);
    if (item == kTreeRoot) return t->firstRoot;
    return IsLive(t, item) ? Node(t, item)->firstChild : 0;
}

TreeItem NextSibling(void* context, TreeItem item) {
    MemoryTree* t = Tree(context);
    return IsLive(t, item) ? Node(t, item)->next : 0;
}

void Select(void* context, TreeItem item) { Tree(context)->selection = item; }
TreeItem Selected(void* context) { return Tree(context)->selection; }

bool Read(void* context, TreeItem item, char16_t* text, uint32_t capacity, uint32_t* param) {
    MemoryTree* t = Tree(context);
    if (!IsLive(t, item)) return false;
    CopyText(text, capacity, Node(t, item)->text);
    *param = Node(t, item)->param;
    return true;
}

}  // namespace

void MemoryTreeInit(MemoryTree* tree) { *tree = MemoryTree{}; }

void MemoryTreeFree(MemoryTree* tree) {
    for (uint32_t i = 0; i < tree->count; i++) HeapFreeBytes(tree->nodes[i].text);
    HeapFreeBytes(tree->nodes);
    MemoryTreeInit(tree);
}

TreeSink MemoryTreeSink(MemoryTree* tree) {
    return TreeSink{tree, Insert, Remove, SetText, Expand, FirstChild, NextSibling, Select, Selected, Read};
}
