#include <gtest/gtest.h>

#include "actions/commands.h"
#include "tests/unit/actions_fake_platform.h"

namespace {

const uint32_t kFile = 0x20;
const uint32_t kFolder = 0x10;
const uint32_t kJunction = 0x410;

std::string Cmd(const std::string& path) { return "icacls " + path + " /inheritance:e /T"; }

TEST(ActionsWalk, OnlyFilesReceiveTheCommandDepthFirstUntilTheFirstFailure) {
    FakeActions fake;
    fake.folders = {{"C:\\top", {{"a.txt", kFile}, {"sub dir", kFolder}, {"z.txt", kFile | 0x1}}},
                    {"C:\\top\\sub dir", {{"inner", kFolder}, {"b.txt", kFile}}},
                    {"C:\\top\\sub dir\\inner", {}},
                    {"C:\\empty", {}}};
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\empty", kFolder));
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\f.txt", kFile));
    EXPECT_EQ(fake.commands, (std::vector<std::string>{Cmd("C:\\top\\a.txt"), Cmd("\"C:\\top\\sub dir\\b.txt\""),
                                                       Cmd("C:\\top\\z.txt"), Cmd("C:\\f.txt")}));
    fake.commands.clear();
    fake.results = {true, false};
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands.size(), 2u);
    // A folder that can't be listed fails there; unreadable attributes count as a folder.
    fake.folders["C:\\top\\sub dir"] = {{"gone", kFolder}, {"later", kFile}};
    fake.results.clear();
    fake.commands.clear();
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands, std::vector<std::string>{Cmd("C:\\top\\a.txt")});
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\nothing", 0xFFFFFFFF));
    EXPECT_EQ(fake.openListings, 0) << "every listing is closed";
}

TEST(ActionsWalk, LoopsEndWhileOtherLinksAreFollowed) {
    FakeActions fake;
    fake.folders = {{"C:\\top", {{"f", kFile}, {"back", kJunction}, {"other", kJunction}}},
                    {"D:\\elsewhere", {{"g", kFile}, {"up", kJunction}}}};
    fake.links = {{"C:\\top\\back", "C:\\top"},          // straight back
                  {"C:\\top\\other", "D:\\elsewhere"},   // no loop...
                  {"D:\\elsewhere\\up", "C:\\top"}};     // ...but back from there
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands, (std::vector<std::string>{Cmd("C:\\top\\f"), Cmd("C:\\top\\other\\g")}));
    // Without folder identities the walk still ends, failing where the path no longer fits.
    const std::string name(250, 'l');
    fake.folders["C:\\t"] = {{name, kFolder}};
    fake.links["C:\\t\\" + name] = "C:\\t";
    fake.platform.folderIdentity = [](const char16_t*, FolderIdentity*) { return false; };
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\t", kFolder));
    EXPECT_GT(fake.listings, 120);
    EXPECT_EQ(fake.openListings, 0);
}

}  // namespace
