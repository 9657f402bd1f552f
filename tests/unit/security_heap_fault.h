// A heap whose allocations can be made to fail, for out-of-memory paths.
#pragma once
#include <stdlib.h>

#include <vector>

#include "base/heap.h"

namespace heap_fault {

struct State {
    int failAfter = -1;            // allocations and reallocations still granted; -1: all
    int failOnly = -1;             // the one request (counted from 0) that fails; -1: none
    int requests = 0;
    std::vector<size_t> sizes;     // every size asked for
};

inline State& Current() {
    static State state;
    return state;
}

inline bool Grant(size_t size) {
    State& s = Current();
    s.sizes.push_back(size);
    if (s.requests++ == s.failOnly) return false;
    if (s.failAfter < 0) return true;
    if (s.failAfter == 0) return false;
    s.failAfter--;
    return true;
}

inline void* Alloc(size_t size) { return Grant(size) ? malloc(size) : nullptr; }
inline void* ReAlloc(void* block, size_t size) { return Grant(size) ? realloc(block, size) : nullptr; }
inline bool Release(void* block) {
    free(block);
    return true;
}

const HeapOps kOps = {Alloc, ReAlloc, Release};

// Routes the heap through the fault injector for the lifetime of the scope.
struct ScopedHeap {
    const HeapOps* previous;
    explicit ScopedHeap(int failAfter = -1, int failOnly = -1) {
        Current() = State();
        Current().failAfter = failAfter;
        Current().failOnly = failOnly;
        previous = SetHeapOps(&kOps);
    }
    ~ScopedHeap() { SetHeapOps(previous); }
};

}  // namespace heap_fault
