#include <gtest/gtest.h>

#include <set>

#include "security/groups.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kAdmins = MakeSid(5, {32, 544}), kUsers = MakeSid(5, {32, 545});

// Groups are process-wide: every test starts and ends with none.
struct GroupsTest : ::testing::Test {
    ScopedFakeSecurity fake;
    FakeTree t;
    GroupsTest() {
        ClearGroups();
        for (const char16_t* path : {u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\other"})
            fake.fake.paths[path] = {{kOwnerInformation, OwnerPart(path[3] == u'o' ? kUsers : kAdmins)},
                                     {kDaclInformation, DaclPart(MakeAcl({MakeAce(0, 3, 0x001F01FF, kUsers)}))}};
    }
    ~GroupsTest() override { ClearGroups(); }
    void Add(const char16_t* path, uint32_t attributes = 0x10) { AddPath(&t.sink, path, attributes); }
    void Restart() {
        t.sink.remove(t.sink.context, kTreeRoot);
        ClearGroups();
    }

    // "text [image] group" of each root.
    std::string Roots() {
        std::string out;
        for (TreeItem r : t.Children(kTreeRoot)) {
            const FakeNode& n = t.node(r);
            EXPECT_EQ(ItemKind(n.param), 1u);
            out += Narrow(n.text) + " [" + std::to_string(n.image) + "] " + std::to_string(ItemGroup(n.param)) + "\n";
        }
        return out;
    }
    std::vector<std::u16string> Paths(uint32_t group) {
        GroupSnapshot g;
        EXPECT_TRUE(ReadGroup(group, &g));
        std::vector<std::u16string> out;
        for (const char16_t* p = g.paths; out.size() < g.pathCount; p += out.back().size() + 1) out.push_back(p);
        return out;
    }
    // One live root per group, naming its own group with all its nodes; any
    // other root is an "unknown name" one.
    void ExpectConsistent() {
        uint32_t groupRoots = 0;
        for (TreeItem r : t.Children(kTreeRoot)) {
            uint32_t group = ItemGroup(t.node(r).param);
            if (group == kNoGroup) continue;
            groupRoots++;
            GroupSnapshot g;
            ASSERT_TRUE(ReadGroup(group, &g));
            EXPECT_EQ(g.root, r);
            for (TreeItem c : t.Children(r)) EXPECT_EQ(ItemGroup(t.node(c).param), group);
        }
        EXPECT_EQ(groupRoots, GroupCount());
    }
};

}  // namespace

TEST_F(GroupsTest, IdenticalPathsMergeUnderTheFirstRoot) {
    Add(u"C:\\a");
    EXPECT_EQ(Roots(), "C:\\a [3] 0\n");
    EXPECT_TRUE(t.node(t.Children(kTreeRoot)[0]).expanded);
    size_t nodes = t.LiveCount();
    Add(u"C:\\a");
    EXPECT_EQ(Roots(), "(2) C:\\a [3] 0\n");
    EXPECT_EQ(t.LiveCount(), nodes);   // the merged path leaves no nodes
    Add(u"C:\\b");
    EXPECT_EQ(Roots(), "(3) C:\\a [3] 0\n");
    EXPECT_EQ(Paths(0), (std::vector<std::u16string>{u"C:\\a", u"C:\\a", u"C:\\b"}));
    GroupSnapshot g;
    ASSERT_TRUE(ReadGroup(0, &g));
    EXPECT_EQ(g.paths[3 * 5], 0);   // the list ends in an empty string
    EXPECT_EQ(g.index, 0u);
    EXPECT_EQ(g.signatureLength, *reinterpret_cast<const uint32_t*>(g.signature));
    ExpectConsistent();
}

TEST_F(GroupsTest, AnyDifferenceInTheSignatureFoundsANewGroup) {
    fake.fake.paths[u"C:\\noowner"] = fake.fake.paths[u"C:\\a"];
    fake.fake.paths[u"C:\\noowner"].erase(kOwnerInformation);
    Add(u"C:\\a", 0x10);
    Add(u"C:\\b", 0x20);          // a file with the same ACEs
    Add(u"C:\\c", 0x21);          // read-only file
    Add(u"C:\\other", 0x10);      // another owner
    Add(u"C:\\noowner", 0x10);    // owner query failing
    Add(u"C:\\b", 0x20);
    EXPECT_EQ(Roots(), "C:\\a [3] 0\n(2) C:\\b [2] 1\nC:\\c [2] 2\nC:\\other [3] 3\nC:\\noowner [3] 4\n");
    EXPECT_EQ(GroupCount(), 5u);
    ExpectConsistent();
}

TEST_F(GroupsTest, UnnamablePathGetsARootThatNamesNoGroup) {
    std::u16string over = u"C:\\" + std::u16string(257, u'x'), fits = u"C:\\" + std::u16string(256, u'y');
    Add(over.c_str(), 0xFFFFFFFF);
    Add(u"C:\\a");   // takes index 0, which the unknown root does not carry
    Add(fits.c_str());
    EXPECT_EQ(Roots(), "unknown name : " + Narrow(over) + " [3] 65535\nC:\\a [3] 0\n" + Narrow(fits) + " [3] 1\n");
    EXPECT_TRUE(t.Children(t.Children(kTreeRoot)[0]).empty());
    EXPECT_EQ(GroupCount(), 2u);
    ExpectConsistent();
}

TEST_F(GroupsTest, ClearingStartsIndexesAgainAtZero) {
    Add(u"C:\\a");
    Add(u"C:\\other");
    Restart();
    GroupSnapshot g;
    EXPECT_FALSE(ReadGroup(0, &g));
    Add(u"C:\\other");
    Add(u"C:\\a");
    Add(u"C:\\other");
    EXPECT_EQ(Roots(), "(2) C:\\other [3] 0\nC:\\a [3] 1\n");
    EXPECT_FALSE(ReadGroup(2, &g));
    ExpectConsistent();
}

TEST_F(GroupsTest, ManyGroupsStillFindTheirOwnGroup) {
    // Distinct attribute words give distinct signatures; the second round
    // must land every path in the group its first round founded.
    for (const char16_t* path : {u"C:\\a", u"C:\\b"})
        for (uint32_t i = 0; i < 600; i++) Add(path, i * 64);
    EXPECT_EQ(GroupCount(), 600u);
    for (uint32_t i = 0; i < 600; i += 37) EXPECT_EQ(Paths(i), (std::vector<std::u16string>{u"C:\\a", u"C:\\b"}));
    ExpectConsistent();
}

TEST_F(GroupsTest, OutOfMemoryLeavesNoHalfGroup) {
    // 256 groups fill the group list's first block and half the lookup table,
    // and the long paths bring group 0's buffer up to its block boundary, so
    // the sweep makes each storage step of a merge and of a new group fail.
    std::u16string longPath = u"C:\\" + std::u16string(240, u'l');
    fake.fake.paths[longPath] = fake.fake.paths[u"C:\\a"];
    std::set<std::pair<bool, bool>> outcomes;
    for (uint32_t merged = 0; merged < 9; merged++) {
        for (int failing = 0; failing < 5; failing++) {
            Restart();
            for (uint32_t i = 0; i < 256; i++) Add(u"C:\\a", 0x10 | i << 6);
            for (uint32_t i = 0; i < merged; i++) Add(longPath.c_str());
            size_t live = t.LiveCount();
            {
                ScopedHeapFault heap(failing, failing);
                Add(longPath.c_str());        // joins group 0
                Add(u"C:\\other", 0x20);    // founds group 256
            }
            ExpectConsistent();
            GroupSnapshot g;
            ASSERT_TRUE(ReadGroup(0, &g));
            bool joined = g.pathCount == merged + 2, founded = GroupCount() == 257;
            outcomes.insert({joined, founded});
            EXPECT_TRUE(joined || g.pathCount == merged + 1);
            std::string count = g.pathCount > 1 ? "(" + std::to_string(g.pathCount) + ") " : "";
            EXPECT_EQ(Narrow(t.node(g.root).text), count + "C:\\a");
            // Nothing is left of a path that was not stored; what was stored reads back.
            if (founded) {
                EXPECT_EQ(Paths(256), std::vector<std::u16string>{u"C:\\other"});
            } else {
                EXPECT_EQ(t.LiveCount(), live) << merged << " " << failing;
            }
        }
    }
    EXPECT_EQ(outcomes, (std::set<std::pair<bool, bool>>{{false, true}, {true, false}, {true, true}}));
}

namespace {

// Keeps only the roots' ItemParams: 65,538 groups of full subtrees would not fit.
struct RootTree {
    std::vector<uint32_t> params;
    TreeItem removed = 0;
    TreeSink sink = {this};
    RootTree() {
        sink.insert = [](void* c, TreeItem parent, const char16_t*, int, uint32_t param) -> TreeItem {
            std::vector<uint32_t>& params = static_cast<RootTree*>(c)->params;
            if (parent != kTreeRoot) EXPECT_EQ(ItemGroup(param), ItemGroup(params.back()));
            else params.push_back(param);
            return parent == kTreeRoot ? params.size() : 0x40000000u;
        };
        sink.remove = [](void* c, TreeItem item) { static_cast<RootTree*>(c)->removed = item; };
        sink.setText = [](void*, TreeItem, const char16_t*) {};
        sink.expand = [](void*, TreeItem) {};
    }
};

}  // namespace

TEST(GroupsLimit, GroupsPastTheItemParamRangeCarryNoGroup) {
    ClearGroups();
    ScopedFakeSecurity fake;
    RootTree t;
    const uint32_t total = 0x10002;
    for (uint32_t i = 0; i < total; i++) AddPath(&t.sink, u"C:\\p", i << 6);
    ASSERT_EQ(GroupCount(), total);
    std::vector<uint32_t> last(t.params.end() - 4, t.params.end());
    for (uint32_t& p : last) p = ItemGroup(p);
    EXPECT_EQ(last, (std::vector<uint32_t>{0xFFFE, kNoGroup, kNoGroup, kNoGroup}));
    // A path past the limit still merges into its group, which no ItemParam
    // can name and so cannot be read through one.
    AddPath(&t.sink, u"C:\\q", 0x10001u << 6);
    EXPECT_EQ(GroupCount(), total);
    EXPECT_EQ(t.removed, t.params.size());
    GroupSnapshot g;
    EXPECT_TRUE(ReadGroup(0xFFFE, &g));
    EXPECT_FALSE(ReadGroup(kNoGroup, &g));
    ClearGroups();
}
