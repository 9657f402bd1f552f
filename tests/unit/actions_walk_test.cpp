#include <gtest/gtest.h>

#include "actions/commands.h"
#include "actions/node_menus.h"
#include "tests/unit/actions_fake_platform.h"

namespace {

using namespace std::string_literals;

const uint32_t kFile = 0x20;
const uint32_t kFolder = 0x10;
const uint32_t kJunction = 0x410;

std::string Cmd(const std::string& path) { return "icacls " + path + " /inheritance:e /T"; }

TEST(ActionsWalk, OnlyFilesReceiveTheCommandDepthFirst) {
    FakeActions fake;
    fake.AddFolder("C:\\top", {{"a.txt", kFile}, {"sub dir", kFolder}, {"z.txt", kFile | 0x1}});
    fake.AddFolder("C:\\top\\sub dir", {{"inner", kFolder}, {"b.txt", kFile}});
    fake.AddFolder("C:\\top\\sub dir\\inner", {});
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands, (std::vector<std::string>{Cmd("C:\\top\\a.txt"), Cmd("\"C:\\top\\sub dir\\b.txt\""),
                                                       Cmd("C:\\top\\z.txt")}));
    EXPECT_EQ(fake.openListings, 0) << "every listing is closed";

    // A file is changed directly; an empty folder succeeds with nothing run.
    FakeActions single;
    single.AddFolder("C:\\empty", {});
    EXPECT_TRUE(EnableInheritanceTree(&single.platform, u"C:\\f.txt", kFile));
    EXPECT_TRUE(EnableInheritanceTree(&single.platform, u"C:\\empty", kFolder));
    EXPECT_EQ(single.commands, std::vector<std::string>{Cmd("C:\\f.txt")});
}

TEST(ActionsWalk, StopsAtTheFirstFailure) {
    FakeActions fake;
    fake.AddFolder("C:\\top", {{"a", kFile}, {"b", kFile}, {"c", kFile}});
    fake.results = {true, false};
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands.size(), 2u);
    EXPECT_EQ(fake.openListings, 0);

    // A folder that can't be listed fails the walk there.
    FakeActions missing;
    missing.AddFolder("C:\\top", {{"gone", kFolder}, {"later", kFile}});
    EXPECT_FALSE(EnableInheritanceTree(&missing.platform, u"C:\\top", kFolder));
    EXPECT_TRUE(missing.commands.empty());
    EXPECT_EQ(missing.openListings, 0);
    // Unreadable attributes count as a folder, so the listing fails.
    EXPECT_FALSE(EnableInheritanceTree(&missing.platform, u"C:\\nothing", 0xFFFFFFFF));
}

TEST(ActionsWalk, LoopsEndWhileOtherLinksAreFollowed) {
    FakeActions fake;
    fake.AddFolder("C:\\top", {{"f", kFile}, {"back", kJunction}, {"other", kJunction}});
    fake.AddFolder("D:\\elsewhere", {{"g", kFile}, {"up", kJunction}});
    fake.links["C:\\top\\back"] = "C:\\top";             // loops straight back
    fake.links["C:\\top\\other"] = "D:\\elsewhere";      // does not loop...
    fake.links["D:\\elsewhere\\up"] = "C:\\top";         // ...but leads back from there
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands, (std::vector<std::string>{Cmd("C:\\top\\f"), Cmd("C:\\top\\other\\g")}));
    EXPECT_EQ(fake.openListings, 0);
}

TEST(ActionsWalk, LoopWithoutIdentityEndsAtThePathLimit) {
    // When the folder identity can't be read, the walk still ends: the path
    // grows until it no longer fits and the walk fails there.
    FakeActions fake;
    const std::string name(250, 'l');
    fake.AddFolder("C:\\t", {{name, kFolder}});
    fake.links["C:\\t\\" + name] = "C:\\t";
    fake.platform.folderIdentity = [](const char16_t*, FolderIdentity*) { return false; };
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\t", kFolder));
    EXPECT_GT(fake.listings.size(), 120u);
    EXPECT_EQ(fake.openListings, 0);
}

TEST(ActionsWalk, GroupWalkAbortsAndRefreshes) {
    FakeActions fake;
    FakeTree tree;
    fake.AddFolder("C:\\a", {{"x", kFile}});
    fake.AddFolder("C:\\b", {{"y", kFile}, {"z", kFile}});
    fake.AddFolder("C:\\c", {{"w", kFile}});
    fake.results = {true, true, false};
    std::u16string paths = u"C:\\a\0C:\\b\0C:\\c\0"s;
    MenuChoice choice = MenuChoice();
    choice.group = GroupSnapshot{0, 3, 0, paths.c_str(), nullptr, 0};
    choice.group.root = tree.sink.insert(&tree, kTreeRoot, u"(3) C:\\a", 3, MakeItemParam(0, 1));
    choice.node = tree.sink.insert(&tree, choice.group.root, u"Permissions", 18, MakeItemParam(0, 0x0a));
    choice.kind = 0x0a;
    choice.id = 9;
    choice.attributes = kFolder;
    choice.recurseSuffix = u" /T";
    ComposeCommand(&fake.platform, &tree.sink, &choice);
    EXPECT_EQ(fake.commands, (std::vector<std::string>{Cmd("C:\\a\\x"), Cmd("C:\\b\\y"), Cmd("C:\\b\\z")}));
    EXPECT_EQ(fake.log, std::vector<std::string>{"Aborted."});
    EXPECT_EQ(tree.selection, choice.group.root);
    EXPECT_EQ(fake.listings, (std::vector<std::string>{"C:\\a", "C:\\b"}));
}

}  // namespace
