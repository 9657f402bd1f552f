// Cost per added path as the number of groups grows: every path has its own
// signature, so each one is looked up among all groups before it founds a new
// one. The cost per path should stay flat from 1,000 to 100,000 paths, and a
// group should hold little beyond its path (heap bytes in use once all paths
// are added, less the paths' own bytes, per group).
#include <stdio.h>
#include <string.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <chrono>
#include <string>

#include "base/heap.h"
#include "security/groups.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

// Paths are "C:\p<n>"; n becomes the owner's last sub-authority, so every
// path has a distinct owner and so a distinct signature. There is no
// auditing or label, as without the privilege.
bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t, uint32_t* size) {
    static const Bytes owner = OwnerPart(MakeSid(5, {21, 0}));
    static const Bytes dacl = DaclPart(MakeAcl({MakeAce(0, 0x03, 0x001F01FF, MakeSid(5, {21, 7}))}));
    if (information != kOwnerInformation && information != kDaclInformation) return false;
    const Bytes& part = information == kOwnerInformation ? owner : dacl;
    memcpy(buffer, part.data(), *size = (uint32_t)part.size());
    uint32_t n = 0;
    for (const char16_t* p = path + 4; *p; p++) n = n * 10 + (*p - u'0');
    if (information == kOwnerInformation) memcpy(buffer + part.size() - 4, &n, 4);
    return true;
}

// The core's heap bytes in use, counted by the allocator's own block sizes.
int64_t g_heapBytes = 0;

size_t BlockSize(void* block) {
#ifdef __GLIBC__
    return block ? malloc_usable_size(block) : 0;
#else
    return 0;
#endif
}

void* CountedAlloc(size_t size) {
    void* block = malloc(size);
    g_heapBytes += (int64_t)BlockSize(block);
    return block;
}

void* CountedRealloc(void* block, size_t size) {
    const size_t before = BlockSize(block);
    void* moved = realloc(block, size);
    if (moved) g_heapBytes += (int64_t)BlockSize(moved) - (int64_t)before;
    return moved;
}

bool CountedFree(void* block) {
    g_heapBytes -= (int64_t)BlockSize(block);
    free(block);
    return true;
}

const HeapOps kCountedHeap = {CountedAlloc, CountedRealloc, CountedFree};

// The tree is emptied, not rebuilt, between runs, so that later runs reuse
// its storage instead of paying for fresh pages.
double NanosecondsPerPath(FakeTree& tree, uint32_t paths, double* bytesPerGroup) {
    ClearGroups();
    tree.nodes.clear();
    tree.roots.clear();
    std::u16string path;
    const int64_t heapBefore = g_heapBytes;
    uint64_t pathBytes = 0;
    auto start = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < paths; i++) {
        path = u"C:\\p";
        for (char c : std::to_string(i)) path += (char16_t)c;
        AddPath(&tree.sink, path.c_str(), 0x10);
        pathBytes += (path.size() + 1) * sizeof(char16_t);
    }
    auto end = std::chrono::steady_clock::now();
    *bytesPerGroup = (double)(g_heapBytes - heapBefore - (int64_t)pathBytes) / paths;
    if (GroupCount() != paths) fprintf(stderr, "expected %u groups, got %u\n", paths, GroupCount());
    ClearGroups();
    return std::chrono::duration<double, std::nano>(end - start).count() / paths;
}

}  // namespace

int main() {
#ifdef __GLIBC__
    // Keep freed group storage in the heap: otherwise every run starts by
    // faulting in fresh pages, a cost that grows with the memory in use and
    // hides the cost of the lookup itself.
    mallopt(M_TRIM_THRESHOLD, 0x7FFFFFFF);
    mallopt(M_MMAP_THRESHOLD, 0x2000000);
#endif
    SetHeapOps(&kCountedHeap);
    ScopedFakeSecurity fake;   // account names and full paths
    fake.privilegeWorks = false;
    SecurityPlatform platform = ScopedFakeSecurity::kFake;
    platform.readDescriptor = ReadDescriptor;
    SetSecurityPlatform(&platform);
    // The best of three runs, so that a busy machine blurs the figures less.
    for (uint32_t paths : {1000u, 10000u, 100000u}) {
        FakeTree tree;
        double bytesPerGroup = 0;
        double best = NanosecondsPerPath(tree, paths, &bytesPerGroup);
        for (int run = 1; run < 3; run++) best = std::min(best, NanosecondsPerPath(tree, paths, &bytesPerGroup));
        printf("%7u paths: %8.0f ns per path, %6.0f heap bytes per group beyond its path\n", paths, best,
               bytesPerGroup);
        fflush(stdout);
    }
    return 0;
}
