#include <windows.h>

#include "base/heap.h"
#include "base/platform_win32.h"

namespace {

HANDLE g_processHeap;

void* ProcessHeapAlloc(size_t size) { return HeapAlloc(g_processHeap, 0, size); }
void* ProcessHeapReAlloc(void* block, size_t size) { return HeapReAlloc(g_processHeap, 0, block, size); }
bool ProcessHeapRelease(void* block) { return HeapFree(g_processHeap, 0, block) != FALSE; }

const HeapOps kProcessHeap = {ProcessHeapAlloc, ProcessHeapReAlloc, ProcessHeapRelease};

}  // namespace

void UseProcessHeap() {
    g_processHeap = GetProcessHeap();
    SetHeapOps(&kProcessHeap);
}
