// Paths read ahead against one at a time when every platform call is a
// round trip: each call of the security platform and of the folder listing
// waits 1 ms, as a file share's would. 10,000 paths from a list, and a walk
// over 1,000 folders of 10 files each; the groups must be the same.
// `bench_read_ahead_native [paths] [folders]`.
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "base/heap.h"
#include "input/path_source.h"
#include "security/groups.h"
#include "security/read_ahead.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/read_ahead_driver.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

void RoundTrip() { std::this_thread::sleep_for(std::chrono::milliseconds(1)); }

uint32_t g_folders = 1000;
const uint32_t kFilesPerFolder = 10;

// Five owners, so the paths form a few groups.
bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t, uint32_t* size) {
    RoundTrip();
    uint32_t h = 0;
    for (; *path; path++) h = h * 31 + *path;
    const Bytes part = information == kOwnerInformation  ? OwnerPart(MakeSid(5, {21, h % 5}))
                       : information == kDaclInformation ? DaclPart(MakeAcl({MakeAce(0, 3, 0x1F01FF, kUsers)}))
                                                         : Bytes();
    if (part.empty()) return false;
    memcpy(buffer, part.data(), *size = (uint32_t)part.size());
    return true;
}
bool NoOneOpen(const char16_t*, bool, PathSecurity*) { return false; }
uint32_t Attributes(const char16_t*) { return RoundTrip(), 0x20; }
bool NoPrivilege(const char16_t*, bool) { return false; }
bool FullPath(const char16_t* p, char16_t* out) { return *p && !p[CopyText(out, kFullPathUnits, p)]; }

// C:\w holds folders d0.. each holding files f0..f9.
struct Listing {
    uint32_t next;
    bool top;
};
void* OpenFolder(const char16_t* pattern, FolderEntry* first) {
    RoundTrip();
    Listing* l = new Listing{0, std::u16string(pattern) == u"C:\\w\\*"};
    if (!l->top && std::u16string(pattern).find(u"\\d") == std::u16string::npos) return delete l, nullptr;
    CopyText(first->name, 260, u".");
    first->attributes = 0x10;
    return l;
}
bool NextEntry(void* listing, FolderEntry* out) {
    RoundTrip();
    Listing* l = static_cast<Listing*>(listing);
    const uint32_t count = l->top ? g_folders : kFilesPerFolder;
    if (l->next >= count) return false;
    const std::string name = (l->top ? "d" : "f") + std::to_string(l->next++);
    CopyText(out->name, 260, Wide(name).c_str());
    out->attributes = l->top ? 0x10 : 0x20;
    return true;
}
void CloseFolder(void* listing) { delete static_cast<Listing*>(listing); }
bool Identity(const char16_t* path, FolderIdentity* out) {
    RoundTrip();
    uint64_t h = 0;
    for (; *path; path++) h = h * 31 + *path;
    *out = FolderIdentity{1, h};
    return true;
}
const FolderListing kListing = {OpenFolder, NextEntry, CloseFolder, Identity};

PathInputPlatform Input() {
    return PathInputPlatform{nullptr, [](void*, const char16_t*) { return 0x10u; },
                             [](void*, const char16_t*, uint32_t*) -> char* { return nullptr; }, nullptr, &kListing,
                             nullptr};
}

// Seconds for the reading; *groups gets the groups' first paths and counts.
double Seconds(const SourceMaker& make, uint32_t readers, std::string* groups) {
    ClearGroups();
    FakeTree tree;
    const auto start = std::chrono::steady_clock::now();
    if (!DriveReading(Input(), readers, make, &tree.sink, [](const char16_t*, bool) { return true; })) return -1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    groups->clear();
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot g;
        if (ReadGroup(i, &g)) *groups += Narrow(g.paths) + " " + std::to_string(g.pathCount) + "\n";
    }
    ClearGroups();
    return seconds;
}

void Compare(const char* what, const SourceMaker& make) {
    std::string alone, ahead;
    const double serial = Seconds(make, 0, &alone);
    const double parallel = Seconds(make, kReaders, &ahead);
    printf("%-28s one at a time %7.2f s, %u readers %6.2f s: %5.1fx, %s groups\n", what, serial, kReaders, parallel,
           serial / parallel, alone == ahead ? "same" : "DIFFERENT");
    fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t paths = argc > 1 ? (uint32_t)atoi(argv[1]) : 10000;
    g_folders = argc > 2 ? (uint32_t)atoi(argv[2]) : 1000;
    ScopedFakeSecurity fake;   // account names
    SecurityPlatform platform = ScopedFakeSecurity::kFake;
    platform.readDescriptor = ReadDescriptor;
    platform.readSecurity = NoOneOpen;
    platform.attributes = Attributes;
    platform.setPrivilege = NoPrivilege;
    platform.fullPath = FullPath;
    SetSecurityPlatform(&platform);

    std::unique_ptr<NameListPaths> names(new NameListPaths);
    Compare((std::to_string(paths) + " paths from a list").c_str(), [&](const PathInputPlatform* input) {
        std::u16string block;
        for (uint32_t i = 0; i < paths; i++) block += u"C:\\l\\p" + Wide(std::to_string(i)) + u'\0';
        block += u'\0';
        return NameListSource(names.get(), static_cast<char16_t*>(HeapCopyBytes(block.data(), block.size() * 2)),
                              input);
    });
    std::unique_ptr<FolderListPaths> folders(new FolderListPaths);
    Compare(("a walk over " + std::to_string(g_folders) + " folders").c_str(), [&](const PathInputPlatform* input) {
        const char16_t top[] = u"C:\\w\0";
        return FolderListSource(folders.get(), static_cast<char16_t*>(HeapCopyBytes(top, sizeof top)), input);
    });
    return 0;
}
