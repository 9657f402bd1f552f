// Cost per added path as the number of groups grows: every path has its own
// signature, so each one is looked up among all groups before it founds a new
// one. The cost per path should stay flat from 1,000 to 100,000 paths.
#include <stdio.h>
#include <string.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <chrono>
#include <string>

#include "security/groups.h"
#include "security/security_platform.h"
#include "tests/unit/fake_tree.h"

namespace {

// Paths are "C:\p<n>"; n becomes the owner's last sub-authority, so every
// path has a distinct owner and so a distinct signature.
uint32_t PathNumber(const char16_t* path) {
    uint32_t n = 0;
    for (const char16_t* p = path + 4; *p >= u'0' && *p <= u'9'; p++) n = n * 10 + (*p - u'0');
    return n;
}

void Put32(uint8_t* p, uint32_t v) { memcpy(p, &v, 4); }

bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity, uint32_t* size) {
    const uint8_t sid[16] = {1, 2, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0, 0, 0, 0};
    memset(buffer, 0, 64);
    buffer[0] = 1;
    if (information == 1) {   // owner
        buffer[2] = 0x00;
        buffer[3] = 0x80;
        Put32(buffer + 4, 20);
        memcpy(buffer + 20, sid, 16);
        Put32(buffer + 32, PathNumber(path));
        *size = 36;
        return true;
    }
    if (information == 4) {   // a DACL with one allow ACE
        buffer[2] = 0x04;
        buffer[3] = 0x80;
        Put32(buffer + 16, 20);
        uint8_t* acl = buffer + 20;
        acl[0] = 2;
        acl[2] = 32;   // AclSize
        acl[4] = 1;    // AceCount
        uint8_t* ace = acl + 8;
        ace[0] = 0;
        ace[1] = 0x03;
        ace[2] = 24;
        Put32(ace + 4, 0x001F01FF);
        memcpy(ace + 8, sid, 16);
        *size = 52;
        return true;
    }
    return false;   // no auditing or label, as without the privilege
}

bool SetPrivilege(const char16_t*, bool) { return false; }

bool LookupAccount(const char16_t*, const uint8_t*, char16_t* name, char16_t* domain) {
    memcpy(name, u"user", 10);
    domain[0] = 0;
    return true;
}

bool SidToString(const uint8_t*, char16_t*, uint32_t) { return false; }

bool FullPath(const char16_t* path, char16_t* out) {
    uint32_t n = 0;
    while (path[n] && n + 1 < kFullPathUnits) {
        out[n] = path[n];
        n++;
    }
    out[n] = 0;
    return true;
}

const SecurityPlatform kBenchPlatform = {ReadDescriptor, SetPrivilege, LookupAccount, SidToString, FullPath};

// The tree is emptied, not rebuilt, between runs, so that later runs reuse
// its storage instead of paying for fresh pages.
double NanosecondsPerPath(FakeTree& tree, uint32_t paths) {
    ClearGroups();
    tree.nodes.clear();
    tree.roots.clear();
    std::u16string path;
    auto start = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < paths; i++) {
        path = u"C:\\p";
        for (char c : std::to_string(i)) path += (char16_t)c;
        AddPath(&tree.sink, path.c_str(), 0x10);
    }
    auto end = std::chrono::steady_clock::now();
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
    SetSecurityPlatform(&kBenchPlatform);
    // The best of three runs, so that a busy machine blurs the figures less.
    for (uint32_t paths : {1000u, 10000u, 100000u}) {
        FakeTree tree;
        double best = NanosecondsPerPath(tree, paths);
        for (int run = 1; run < 3; run++) {
            double ns = NanosecondsPerPath(tree, paths);
            if (ns < best) best = ns;
        }
        printf("%7u paths: %8.0f ns per path\n", paths, best);
        fflush(stdout);
    }
    return 0;
}
