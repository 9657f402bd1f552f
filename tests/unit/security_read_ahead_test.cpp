// Paths read ahead by many readers that answer out of order, after random
// delays: the tree, the groups and the log lines (and their places) are
// those of one path at a time, for lists, drops, walks with links, loops and
// gaps, parts that fail, and a reading stopped in the middle.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>

#include "base/heap.h"
#include "input/list_file.h"
#include "input/path_source.h"
#include "security/groups.h"
#include "security/read_ahead.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/config_code_pages.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/native_threads.h"
#include "tests/unit/read_ahead_driver.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const FolderListing kFakeListing = {FakeActions::OpenFolder, FakeActions::NextEntry, FakeActions::CloseFolder,
                                    FakeActions::Identity};

uint32_t PathHash(const char16_t* path) {
    uint32_t h = 7;
    for (; *path; path++) h = h * 31 + *path;
    return h;
}

// Answers from any thread after a random pause, so the readers finish out of
// order. Three owners; every fifth path's DACL cannot be read; "lost" paths
// cannot be read at all; half the paths go part by part.
struct SlowSecurity {
    static void Pause() {
        thread_local std::minstd_rand random(std::hash<std::thread::id>()(std::this_thread::get_id()));
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 300));
    }
    static bool Lost(const char16_t* path) { return std::u16string(path).find(u"lost") != std::u16string::npos; }
    static bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity,
                               uint32_t* size) {
        Pause();
        const uint32_t h = PathHash(path);
        Bytes part;
        if (Lost(path)) return false;
        const Bytes& owner = h % 3 == 0 ? kAdmins : h % 3 == 1 ? kUsers : kEveryone;
        if (information == kOwnerInformation) part = OwnerPart(owner);
        else if (information == kDaclInformation && h % 5) part = DaclPart(MakeAcl({MakeAce(0, 3, 0x1F01FF, kUsers)}));
        else return false;
        *size = (uint32_t)part.size();
        return part.size() <= capacity && std::copy(part.begin(), part.end(), buffer);
    }
    static bool ReadSecurity(const char16_t* path, bool withAttributes, PathSecurity* out) {
        if (PathHash(path) % 2 || Lost(path)) return false;
        if (withAttributes) out->attributes = Attributes(path);
        for (uint32_t part = 0; part < kDescriptorPartCount; part++)
            out->read[part] = ReadDescriptor(path, kPartInformation[part], out->bytes[part], kDescriptorBufferBytes,
                                             &out->size[part]);
        return true;
    }
    static uint32_t Attributes(const char16_t* path) {
        Pause();
        return Lost(path) ? kNoFileAttributes : 0x20;
    }
    static bool SetPrivilege(const char16_t*, bool) { return false; }
    static bool FullPath(const char16_t* p, char16_t* out) { return *p && !p[CopyText(out, kFullPathUnits, p)]; }
    static void SameCase(const char16_t* text, uint32_t units, char16_t* out) {
        memcpy(out, text, units * sizeof(char16_t));
    }
    static bool ReaderThread(bool starting) {
        readerStarts += starting ? 1 : -1;
        return true;
    }
    static inline std::atomic<int> readerStarts{0};
    static inline const SecurityPlatform kPlatform = {
        ReadDescriptor, ReadSecurity, Attributes, SetPrivilege, ScopedFakeSecurity::LookupAccount,
        ScopedFakeSecurity::SidToString, FullPath, SameCase, ReaderThread};
};

struct Reading {
    std::vector<std::string> events;   // "+path", "=path" (already held) and "log ..." lines in order
    FakeTree tree;
    std::string Result() {
        FlushGroupRootTexts(&tree.sink);
        std::string out;
        for (const std::string& e : events) out += e + "\n";
        return out + tree.Dump() + "groups " + std::to_string(GroupCount()) + ", left out " +
               std::to_string(PathsLeftOut()) + ", unnamed " + std::to_string(UnnamedPathCount());
    }
};

PathInputPlatform Input(Reading* reading) {
    return PathInputPlatform{reading,
                             [](void*, const char16_t* name) { return FakeActions::FileAttributes(name); },
                             [](void*, const char16_t* name, uint32_t* size) -> char* {
                                 // Its zero bytes behind it, as the platform gives a list.
                                 const char list[] = "C:\\f \"C:\\t\\b\\lost\" C:\\t\\a C:\\dot. C:\\f\0\0\0\0\0\0\0";
                                 *size = sizeof list - kListFileZeroBytes;
                                 return static_cast<char*>(HeapCopyBytes(list, sizeof list));
                             },
                             fake_code_pages::Converter(),
                             &kFakeListing,
                             [](void* c, const char16_t* line) {
                                 static_cast<Reading*>(c)->events.push_back("log " + Narrow(line));
                             }};
}

// readers 0: one path at a time, as before; else read ahead. Takes at most
// limit paths, then closes the source as a stop does.
std::string Read(const SourceMaker& make, uint32_t readers, size_t limit = 1u << 30) {
    ClearGroups();
    Reading reading;
    size_t taken = 0;
    EXPECT_TRUE(DriveReading(Input(&reading), readers, make, &reading.tree.sink, [&](const char16_t* path, bool added) {
        reading.events.push_back((added ? "+" : "=") + Narrow(path));
        return ++taken < limit;
    }));
    std::string result = reading.Result();
    ClearGroups();
    return result;
}

struct ReadAheadTest : ::testing::Test {
    FakeActions fake;
    ScopedFakeSecurity accounts;   // its account names, on the taker's thread only
    const SecurityPlatform* previous = SetSecurityPlatform(&SlowSecurity::kPlatform);
    std::unique_ptr<CommandLinePaths> commandLine{new CommandLinePaths};
    std::unique_ptr<NameListPaths> names{new NameListPaths};
    std::unique_ptr<FolderListPaths> folders{new FolderListPaths};
    ReadAheadTest() {
        fake.attributes = {{"C:\\t", kFolder}, {"C:\\f", kFile}, {"C:\\t\\a", kFolder}};
        const std::string tooLong(253, 'n');
        FakeEntries top = {{"a", kFolder}, {"j", kFolder | kReparsePointAttribute}, {"b", kFolder}, {"d.", kFolder}};
        for (int i = 0; i < 150; i++) top.push_back({"f" + std::to_string(i), kFile});
        fake.folders = {{"C:\\t", top},
                        {"C:\\t\\a", {{"f2", kFile}, {"up", kFolder}, {"g", kFolder}}},
                        {"C:\\t\\a\\g", {{"deep", kFile}}},
                        {"C:\\t\\b", {{tooLong, kFile}, {"x", kFile}, {"lost", kFolder}}},
                        {"C:\\t\\j", {{"inside", kFile}}}};
        fake.links = {{"C:\\t\\a\\up", "C:\\t"}};   // a loop that does not look like a link
    }
    ~ReadAheadTest() override { SetSecurityPlatform(previous); }
    // Every way of reading gives what one path at a time gives.
    void ExpectSameAsOneAtATime(const SourceMaker& make, size_t limit = 1u << 30) {
        const std::string alone = Read(make, 0, limit);
        EXPECT_EQ(Read(make, 1, limit), alone);
        EXPECT_EQ(Read(make, 16, limit), alone);
        EXPECT_EQ(SlowSecurity::readerStarts, 0);   // every reader ended as it began
    }
};

}  // namespace

TEST_F(ReadAheadTest, CommandLineWithListFileAndWalkGivesTheSameTreeGroupsAndLogLines) {
    const SourceMaker make = [&](const PathInputPlatform* input) {
        return CommandLineSource(commandLine.get(), u"ovrix C:\\f @list C:\\t\\lost /below C:\\t C:\\t\\a", input);
    };
    const std::string alone = Read(make, 0);
    // The walk's gaps and the list's paths are all there, in their places.
    EXPECT_NE(alone.find("log path too long"), std::string::npos);
    EXPECT_NE(alone.find("log cannot list: C:\\t\\b\\lost\n+C:\\t\\d."), std::string::npos);
    EXPECT_NE(alone.find("=C:\\f"), std::string::npos);
    ExpectSameAsOneAtATime(make);
}

TEST_F(ReadAheadTest, DropsAndScansGiveTheSameAndAStopKeepsWhatOneAtATimeKept) {
    const SourceMaker drop = [&](const PathInputPlatform* input) {
        std::u16string block;
        for (int i = 0; i < 1200; i++) block += u"C:\\t\\f" + Wide(std::to_string(i % 700)) + u'\0';
        block += std::u16string(u"\\\\.\\pipe\\x\0C:\\t\\lost\0\0", 22);
        return NameListSource(names.get(), static_cast<char16_t*>(HeapCopyBytes(block.data(), block.size() * 2)),
                              input);
    };
    ExpectSameAsOneAtATime(drop);
    ExpectSameAsOneAtATime(drop, 1000);   // stopped with paths ahead of the taker
    const SourceMaker scan = [&](const PathInputPlatform* input) {
        const char16_t twice[] = u"C:\\t\0C:\\t\\a\0";
        return FolderListSource(folders.get(), static_cast<char16_t*>(HeapCopyBytes(twice, sizeof twice)), input);
    };
    ExpectSameAsOneAtATime(scan);
    ExpectSameAsOneAtATime(scan, 40);
    EXPECT_EQ(fake.openListings, 0);
}

TEST_F(ReadAheadTest, ReadersThatCannotTakeTheirOwnTokenLeaveTheReadingToTheTaker) {
    SecurityPlatform refusing = SlowSecurity::kPlatform;
    refusing.readerThread = [](bool) { return false; };
    SetSecurityPlatform(&refusing);
    const SourceMaker drop = [&](const PathInputPlatform* input) {
        const char16_t block[] = u"C:\\f1\0C:\\f2\0C:\\f1\0";
        return NameListSource(names.get(), static_cast<char16_t*>(HeapCopyBytes(block, sizeof block)), input);
    };
    const std::string alone = Read(drop, 0);
    EXPECT_EQ(Read(drop, 4), alone);
}

TEST_F(ReadAheadTest, ThreadsTheSystemRefusesLeaveTheirShareToTheOthersOrToTheTaker) {
    const SourceMaker make = [&](const PathInputPlatform* input) {
        return CommandLineSource(commandLine.get(), u"ovrix C:\\f @list C:\\t\\lost /below C:\\t C:\\t\\a", input);
    };
    // More paths than wait ahead, so the feeder waits for a taker that reads alone.
    const SourceMaker drop = [&](const PathInputPlatform* input) {
        std::u16string block;
        for (uint32_t i = 0; i < kPathsAhead + 100; i++) block += u"C:\\t\\f" + Wide(std::to_string(i % 300)) + u'\0';
        block += u'\0';
        return NameListSource(names.get(), static_cast<char16_t*>(HeapCopyBytes(block.data(), block.size() * 2)),
                              input);
    };
    const std::string alone = Read(make, 0), dropAlone = Read(drop, 0);
    // The feeder refused; every reader refused; all but two readers refused.
    const uint32_t refused[][2] = {{0, 0}, {1, UINT32_MAX}, {3, UINT32_MAX}};
    for (const auto& starts : refused) {
        RefuseThreadStarts(starts[0], starts[1]);
        EXPECT_EQ(Read(make, 16), alone) << starts[0];
        RefuseThreadStarts(starts[0], starts[1]);
        EXPECT_EQ(Read(drop, 16), dropAlone) << starts[0];
    }
    RefuseThreadStarts(1, 0);
    EXPECT_EQ(SlowSecurity::readerStarts, 0);
}
