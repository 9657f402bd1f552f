#include <gtest/gtest.h>

#include "actions/commands.h"
#include "actions/node_menus.h"
#include "security/groups.h"
#include "security/security_platform.h"
#include "tests/unit/actions_fake_platform.h"

namespace {

bool NoDescriptor(const char16_t*, uint32_t, uint8_t*, uint32_t, uint32_t*) { return false; }
bool NoPrivilege(const char16_t*, bool) { return false; }
bool NoAccount(const char16_t*, const uint8_t*, char16_t*, char16_t*) { return false; }
bool NoSidText(const uint8_t*, char16_t*, uint32_t) { return false; }
bool SamePath(const char16_t* path, char16_t* out) {
    uint32_t i = 0;
    for (; path[i] && i + 1 < kFullPathUnits; i++) out[i] = path[i];
    out[i] = 0;
    return true;
}
const SecurityPlatform kUnreadableSecurity = {NoDescriptor, NoPrivilege, NoAccount, NoSidText, SamePath};

// Real groups of paths whose security can't be read: each root gets the
// attribute, "unknown ownership", "unknown permissions" and integrity nodes.
struct ActionsOnGroups : ::testing::Test {
    FakeActions fake;
    FakeTree tree;
    const SecurityPlatform* saved = nullptr;

    void SetUp() override {
        saved = SetSecurityPlatform(&kUnreadableSecurity);
        ClearGroups();
    }
    void TearDown() override {
        ClearGroups();
        SetSecurityPlatform(saved);
    }
    void Add(const std::string& path, uint32_t attributes) {
        fake.attributes[path] = attributes;
        AddPath(&tree.sink, Wide(path).c_str(), attributes);
    }
    TreeItem Find(const std::string& text, TreeItem under = kTreeRoot) {
        for (TreeItem item : tree.Children(under)) {
            if (Narrow(tree.node(item).text) == text) return item;
            if (TreeItem found = Find(text, item)) return found;
        }
        return 0;
    }
    void Open(TreeItem item, uint32_t pick) {
        tree.selection = item;
        fake.pickId = pick;
        OpenNodeMenu(&fake.platform, &tree.sink);
    }
};

TEST_F(ActionsOnGroups, TraverseSwitchFlipsAndReachesTheNextFolderCommand) {
    Add("C:\\one", 0x10);
    Add("C:\\two", 0x10);
    ASSERT_EQ(GroupCount(), 1u);
    TreeItem permissions = Find("unknown permissions");
    ASSERT_NE(permissions, 0u);
    Open(permissions, 3);
    EXPECT_NE(fake.lastMenu.find("Traverse all subfolders #3"), std::string::npos);
    EXPECT_TRUE(fake.commands.empty()) << "flipping runs nothing";
    EXPECT_TRUE(TraverseSubfolders());
    Open(permissions, 7);
    EXPECT_NE(fake.lastMenu.find("Traverse all subfolders [x] #3"), std::string::npos);
    EXPECT_EQ(fake.commands, (std::vector<std::string>{"icacls C:\\one /inheritance:d /T",
                                                       "icacls C:\\two /inheritance:d /T"}));
    // Refreshed: the root's children are rebuilt and the root selected.
    TreeItem root = Find("(2) C:\\one");
    EXPECT_EQ(tree.selection, root);
    EXPECT_NE(Find("unknown permissions"), permissions);
    // The add submenus take the rights letter from the header's children.
    fake.users = {u"user1"};
    Open(Find("unknown permissions"), 0x1002);
    EXPECT_EQ(fake.commands.back(), "icacls C:\\two /grant:r user1:(OI)(CI)(F) /T");
}

TEST_F(ActionsOnGroups, NodesWithoutMenuAndNodesWithoutGroup) {
    TreeItem placeholder = tree.sink.insert(&tree, kTreeRoot, u"ovrix  Version 0.6", 18, 0);
    Open(placeholder, 1);
    EXPECT_EQ(fake.menusShown, 0) << "no group yet: ItemParam 0 names none";
    Add("C:\\f.txt", 0x20);
    TreeItem unnamed = tree.sink.insert(&tree, kTreeRoot, u"unknown name : x", 2, MakeItemParam(kNoGroup, 1));
    Open(unnamed, 1);
    TreeItem far = tree.sink.insert(&tree, kTreeRoot, u"far", 2, MakeItemParam(5, 1));
    Open(far, 1);
    Open(0, 1);
    EXPECT_EQ(fake.menusShown, 0);
    // Attribute, inherited, audit and other-type nodes of a real group.
    TreeItem root = Find("C:\\f.txt");
    for (uint32_t kind : {0x00u, 0x02u, 0x05u, 0x09u, 0x0du, 0x0eu, 0x0fu}) {
        TreeItem node = tree.sink.insert(&tree, root, u"Allow(inherit) : a : b", 22, MakeItemParam(0, kind));
        Open(node, 5);
    }
    EXPECT_EQ(fake.menusShown, 0);
    EXPECT_TRUE(fake.commands.empty());
    Open(root, 1);
    EXPECT_EQ(fake.menusShown, 1);
    EXPECT_EQ(fake.log, (std::vector<std::string>{"C:\\f.txt", "."}));
}

TEST_F(ActionsOnGroups, DismissedMenuAndUnreadableDataRunNothing) {
    Add("C:\\d", 0x10);
    TreeItem owner = Find("unknown ownership");
    Open(owner, 0);
    EXPECT_EQ(fake.menusShown, 1);
    std::u16string list = u"[ACCESS_TYPES]\nRead=R\n";
    ScopedConfigText config(&g_listFile, list);
    TreeItem ace = tree.sink.insert(&tree, Find("unknown permissions"), u"Allow : u : (all) Read", 21,
                                    MakeItemParam(0, 0x0b) | 0xE0000000u);
    fake.pickDataReadable = false;
    Open(ace, 0x5000);
    EXPECT_TRUE(fake.commands.empty());
    EXPECT_EQ(tree.selection, ace) << "no refresh";
    fake.pickDataReadable = true;
    Open(ace, 0x5000);
    EXPECT_EQ(fake.commands, std::vector<std::string>{"icacls C:\\d /grant:r u:(OI)(CI)(R)"});
    // Unreadable attributes of the first path count as a file.
    fake.attributes["C:\\d"] = 0xFFFFFFFF;
    Open(Find("unknown permissions"), 0);
    EXPECT_EQ(fake.lastMenu.find("Traverse"), std::string::npos);
    EXPECT_EQ(fake.lastMenu.find("Add this folder"), std::string::npos);
}

}  // namespace
