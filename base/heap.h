// Every heap block of the program comes through here. The Win32 shell routes
// it to the process heap; native builds use malloc, and tests can make any
// allocation fail.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct HeapOps {
    void* (*alloc)(size_t size);
    void* (*realloc)(void* block, size_t size);  // keeps the block on failure
    bool (*release)(void* block);
};

// Replaces the heap; returns the one in use before.
const HeapOps* SetHeapOps(const HeapOps* ops);
void* HeapAllocBytes(size_t size);
void* HeapReAllocBytes(void* block, size_t size);
bool HeapFreeBytes(void* block);

// Moves block (null: none yet) to room for `items` items of itemSize bytes:
// the moved block with *capacity set to items, or null with the old block and
// *capacity kept.
void* ResizeBlock(void* block, uint32_t* capacity, uint32_t items, size_t itemSize);
// Room for twice as many items (16 at first).
void* GrowBlock(void* block, uint32_t* capacity, size_t itemSize);
// A heap copy of size bytes; null when memory runs out.
void* HeapCopyBytes(const void* bytes, size_t size);
