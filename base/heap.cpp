#include "base/heap.h"

#include <stdlib.h>
#include <string.h>

namespace {

void* MallocAlloc(size_t size) { return malloc(size ? size : 1); }
void* MallocReAlloc(void* block, size_t size) { return realloc(block, size ? size : 1); }
bool MallocRelease(void* block) {
    free(block);
    return true;
}

const HeapOps kMallocHeap = {MallocAlloc, MallocReAlloc, MallocRelease};
const HeapOps* g_heap = &kMallocHeap;

}  // namespace

const HeapOps* SetHeapOps(const HeapOps* ops) {
    const HeapOps* old = g_heap;
    g_heap = ops ? ops : &kMallocHeap;
    return old;
}

void* HeapAllocBytes(size_t size) { return g_heap->alloc(size); }
void* HeapReAllocBytes(void* block, size_t size) { return g_heap->realloc(block, size); }
bool HeapFreeBytes(void* block) { return block ? g_heap->release(block) : true; }

void* ResizeBlock(void* block, uint32_t* capacity, uint32_t items, size_t itemSize) {
    const size_t bytes = (size_t)items * itemSize;
    void* moved = block ? HeapReAllocBytes(block, bytes) : HeapAllocBytes(bytes);
    if (moved) *capacity = items;
    return moved;
}

void* GrowBlock(void* block, uint32_t* capacity, size_t itemSize) {
    return ResizeBlock(block, capacity, *capacity ? *capacity * 2 : 16, itemSize);
}

void* HeapCopyBytes(const void* bytes, size_t size) {
    void* copy = HeapAllocBytes(size);
    if (copy && size) memcpy(copy, bytes, size);
    return copy;
}
