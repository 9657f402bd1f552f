// Every heap block of the program comes through here. The Win32 shell routes
// it to the process heap; native builds use malloc, and tests can make any
// allocation fail.
#pragma once
#include <stddef.h>

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
