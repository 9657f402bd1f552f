// The walk below named folders, over a fake folder tree: order, links, loops,
// unlistable folders, over-long paths and a reading stopped mid-walk.
#include <gtest/gtest.h>

#include <memory>

#include "base/heap.h"
#include "input/path_source.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/security_fakes.h"

namespace {

const FolderListing kFakeListing = {FakeActions::OpenFolder, FakeActions::NextEntry, FakeActions::CloseFolder,
                                    FakeActions::Identity};

struct Walked {
    std::vector<std::string> lines;   // paths given out and log lines ("log ...")
};

PathInputPlatform WalkPlatform(Walked* walked) {
    return PathInputPlatform{walked,
                             [](void*, const char16_t* name) { return FakeActions::FileAttributes(name); },
                             [](void*, const char16_t*, uint32_t*) -> char* { return nullptr; },
                             nullptr,
                             &kFakeListing,
                             [](void* c, const char16_t* line) {
                                 static_cast<Walked*>(c)->lines.push_back("log " + Narrow(line));
                             }};
}

// Takes at most limit paths, then closes the source as a stopped reading does.
void Take(PathSource source, Walked* walked, size_t limit = 100) {
    const char16_t* path;
    uint32_t attributes;
    for (size_t n = 0; n < limit && source.next(source.state, &path, &attributes); n++)
        walked->lines.push_back(Narrow(path));
    source.close(source.state);
}

void PlantTree(FakeActions* fake) {
    const std::string tooLong(253, 'n');   // "C:\t\b\" and this: 260 units, one over
    fake->attributes = {{"C:\\t", kFolder}, {"C:\\f", kFile}};
    fake->folders = {
        {"C:\\t", {{"a", kFolder}, {"f1", kFile}, {"j", kFolder | kReparsePointAttribute}, {"b", kFolder}}},
        {"C:\\t\\a", {{"f2", kFile}, {"up", kFolder}}},
        {"C:\\t\\b", {{tooLong, kFile}, {std::string(252, 'n'), kFile}, {"lost", kFolder}}},
        {"C:\\t\\j", {{"inside", kFile}}},
    };
    fake->links = {{"C:\\t\\a\\up", "C:\\t"}};   // leads back without showing as a link
}

}  // namespace

TEST(WalkBelow, FolderBeforeEntriesLinksNotEnteredLoopsEndUnlistedAndLongPathsLogged) {
    FakeActions fake;
    PlantTree(&fake);
    Walked walked;
    PathInputPlatform platform = WalkPlatform(&walked);
    std::unique_ptr<CommandLinePaths> paths(new CommandLinePaths);
    Take(CommandLineSource(paths.get(), u"ovrix C:\\f /BELOW C:\\t C:\\f", &platform), &walked);
    const std::vector<std::string> expected = {
        "C:\\f", "C:\\t", "C:\\t\\a", "C:\\t\\a\\f2", "C:\\t\\a\\up", "C:\\t\\f1", "C:\\t\\j", "C:\\t\\b",
        "log path too long, skipped: C:\\t\\b\\" + std::string(253, 'n'), "C:\\t\\b\\" + std::string(252, 'n'),
        "C:\\t\\b\\lost", "log cannot list: C:\\t\\b\\lost", "C:\\f"};
    EXPECT_EQ(walked.lines, expected);
    EXPECT_EQ(fake.openListings, 0);
    EXPECT_EQ(fake.listings, 4);   // t, a, b, lost: neither the link nor the loop was listed
}

TEST(WalkBelow, MenuFoldersWalkedWithoutThemselvesAndAStopClosesEveryListing) {
    FakeActions fake;
    PlantTree(&fake);
    Walked walked;
    PathInputPlatform platform = WalkPlatform(&walked);
    const char16_t block[] = u"C:\\t\\a\0C:\\t\\b\0";
    FolderListPaths paths;
    char16_t* folders = static_cast<char16_t*>(HeapCopyBytes(block, sizeof block));
    Take(FolderListSource(&paths, folders, &platform), &walked, 3);
    EXPECT_EQ(walked.lines, (std::vector<std::string>{"C:\\t\\a\\f2", "C:\\t\\a\\up", "C:\\t\\a\\up\\a"}));
    EXPECT_EQ(fake.openListings, 0);
}

// Memory that runs out ends the walk as a gap the reports can name.
TEST(WalkBelow, AWalkThatRunsOutOfMemoryEndsAsAGap) {
    FakeActions fake;
    PlantTree(&fake);
    Walked walked;
    PathInputPlatform platform = WalkPlatform(&walked);
    platform.gap = [](void* c, const char16_t* path, WalkGap gap) {
        static_cast<Walked*>(c)->lines.push_back("gap " + std::to_string(gap) + " " + Narrow(path));
    };
    std::unique_ptr<CommandLinePaths> paths(new CommandLinePaths);
    {
        fake_security::ScopedHeapFault heap(0);
        Take(CommandLineSource(paths.get(), u"ovrix /below C:\\t", &platform), &walked);
    }
    EXPECT_EQ(walked.lines, (std::vector<std::string>{"gap 2 C:\\t", "C:\\t"}));
}

// The system lists "b." as "b": entered, it would show b's entries under a
// name that is not theirs and mark b walked, so b itself would be skipped.
TEST(WalkBelow, AFolderWhoseNameTheSystemAltersIsGivenOutNotEntered) {
    FakeActions fake;
    fake.attributes = {{"C:\\d", kFolder}};
    fake.folders = {{"C:\\d", {{"b.", kFolder}, {"b ", kFolder}, {"b", kFolder}}}, {"C:\\d\\b", {{"x", kFile}}}};
    fake.links = {{"C:\\d\\b.", "C:\\d\\b"}, {"C:\\d\\b ", "C:\\d\\b"}};
    Walked walked;
    PathInputPlatform platform = WalkPlatform(&walked);
    std::unique_ptr<CommandLinePaths> paths(new CommandLinePaths);
    Take(CommandLineSource(paths.get(), u"ovrix /below C:\\d", &platform), &walked);
    EXPECT_EQ(walked.lines, (std::vector<std::string>{"C:\\d", "C:\\d\\b.", "C:\\d\\b ", "C:\\d\\b", "C:\\d\\b\\x"}));
}
