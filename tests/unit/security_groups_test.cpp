#include <gtest/gtest.h>

#include <map>
#include <set>

#include "security/groups.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"
#include "tests/unit/security_heap_fault.h"

using namespace fake_security;

namespace {

const Bytes kAdmins = MakeSid(5, {32, 544});
const Bytes kUsers = MakeSid(5, {32, 545});

// A FakeTree that also counts expansions per node.
struct CountingTree {
    FakeTree tree;
    TreeSink sink;
    std::map<TreeItem, int> expansions;

    CountingTree() {
        sink = tree.sink;
        sink.context = this;
        sink.insert = [](void* c, TreeItem p, const char16_t* t, int i, uint32_t param) {
            FakeTree& f = static_cast<CountingTree*>(c)->tree;
            return f.sink.insert(&f, p, t, i, param);
        };
        sink.remove = [](void* c, TreeItem item) {
            FakeTree& f = static_cast<CountingTree*>(c)->tree;
            f.sink.remove(&f, item);
        };
        sink.setText = [](void* c, TreeItem item, const char16_t* t) {
            FakeTree& f = static_cast<CountingTree*>(c)->tree;
            f.sink.setText(&f, item, t);
        };
        sink.expand = [](void* c, TreeItem item) {
            CountingTree* self = static_cast<CountingTree*>(c);
            self->expansions[item]++;
            self->tree.sink.expand(&self->tree, item);
        };
    }
    std::vector<TreeItem> Roots() const { return tree.Children(kTreeRoot); }
    std::u16string Text(TreeItem item) { return tree.node(item).text; }
    uint32_t Param(TreeItem item) { return tree.node(item).param; }
};

// Groups are process-wide: every test starts and ends with none.
struct GroupsTest : ::testing::Test {
    ScopedFakeSecurity fake;
    CountingTree t;
    GroupsTest() {
        ClearGroups();
        Secure(u"C:\\a", kAdmins, 0x001F01FF);
        Secure(u"C:\\b", kAdmins, 0x001F01FF);
        Secure(u"C:\\c", kAdmins, 0x001F01FF);
        Secure(u"C:\\other", kUsers, 0x001F01FF);
    }
    ~GroupsTest() override { ClearGroups(); }

    void Secure(const char16_t* path, const Bytes& owner, uint32_t mask) {
        PathSecurity& s = fake.fake.paths[path];
        s.parts[kOwnerInformation] = OwnerPart(owner);
        s.parts[kDaclInformation] = DaclPart(MakeAcl({MakeAce(0, 0x03, mask, kUsers)}));
    }
    void Add(const char16_t* path, uint32_t attributes = 0x10) { AddPath(&t.sink, path, attributes); }

    std::vector<std::u16string> Paths(uint32_t group) {
        GroupSnapshot g;
        EXPECT_TRUE(ReadGroup(group, &g));
        std::vector<std::u16string> out;
        const char16_t* p = g.paths;
        for (uint32_t i = 0; i < g.pathCount; i++) {
            out.push_back(p);
            p += out.back().size() + 1;
        }
        EXPECT_EQ(*p, 0);   // the list ends in an empty string
        return out;
    }

    // The tree and the groups agree: one live root per group, each naming its
    // own group, and no other roots except "unknown name" ones.
    void ExpectConsistent() {
        uint32_t groupRoots = 0;
        for (TreeItem r : t.Roots()) {
            uint32_t group = ItemGroup(t.Param(r));
            if (group == kNoGroup) continue;
            groupRoots++;
            GroupSnapshot g;
            ASSERT_TRUE(ReadGroup(group, &g));
            EXPECT_EQ(g.root, r);
            for (TreeItem c : t.tree.Children(r)) EXPECT_EQ(ItemGroup(t.Param(c)), group);
        }
        EXPECT_EQ(groupRoots, GroupCount());
    }
};

}  // namespace

TEST_F(GroupsTest, SamePathTwiceMergesUnderTheFirstRoot) {
    Add(u"C:\\a");
    ASSERT_EQ(t.Roots().size(), 1u);
    TreeItem root = t.Roots()[0];
    EXPECT_EQ(t.Text(root), u"C:\\a");
    EXPECT_EQ(t.Param(root), MakeItemParam(0, 1));
    EXPECT_EQ(t.tree.node(root).image, 3);
    int expansions = t.expansions[root];
    EXPECT_GE(expansions, 1);
    size_t nodes = t.tree.LiveCount();

    Add(u"C:\\a");
    EXPECT_EQ(GroupCount(), 1u);
    ASSERT_EQ(t.Roots().size(), 1u);
    EXPECT_EQ(t.Text(root), u"(2) C:\\a");
    EXPECT_EQ(t.tree.LiveCount(), nodes);     // the merged path leaves no nodes
    EXPECT_EQ(t.expansions[root], expansions);   // and is not expanded again
    EXPECT_EQ(Paths(0), (std::vector<std::u16string>{u"C:\\a", u"C:\\a"}));

    GroupSnapshot g;
    ASSERT_TRUE(ReadGroup(0, &g));
    EXPECT_EQ(g.index, 0u);
    EXPECT_EQ(g.root, root);
    EXPECT_EQ(g.pathCount, 2u);
    EXPECT_EQ(g.signatureLength, *reinterpret_cast<const uint32_t*>(g.signature));
    ExpectConsistent();
}

TEST_F(GroupsTest, ThreeIdenticalPathsAlwaysNameTheFirst) {
    Add(u"C:\\a");
    Add(u"C:\\b");
    TreeItem root = t.Roots()[0];
    EXPECT_EQ(t.Text(root), u"(2) C:\\a");
    Add(u"C:\\c");
    EXPECT_EQ(t.Text(root), u"(3) C:\\a");
    EXPECT_EQ(Paths(0), (std::vector<std::u16string>{u"C:\\a", u"C:\\b", u"C:\\c"}));
    EXPECT_EQ(GroupCount(), 1u);
}

TEST_F(GroupsTest, AnyDifferenceInTheSignatureFoundsANewGroup) {
    Add(u"C:\\a", 0x10);
    Add(u"C:\\b", 0x20);          // a file with the same ACEs
    Add(u"C:\\c", 0x21);          // read-only file
    Add(u"C:\\other", 0x10);      // another owner
    fake.fake.paths[u"C:\\noowner"] = fake.fake.paths[u"C:\\a"];
    fake.fake.paths[u"C:\\noowner"].parts.erase(kOwnerInformation);
    Add(u"C:\\noowner", 0x10);    // owner query failing
    Add(u"C:\\b", 0x20);
    ASSERT_EQ(GroupCount(), 5u);
    std::vector<TreeItem> roots = t.Roots();
    ASSERT_EQ(roots.size(), 5u);
    for (uint32_t i = 0; i < 5; i++) EXPECT_EQ(t.Param(roots[i]), MakeItemParam(i, 1));
    EXPECT_EQ(t.tree.node(roots[1]).image, 2);
    EXPECT_EQ(t.Text(roots[1]), u"(2) C:\\b");
    EXPECT_EQ(t.Text(roots[2]), u"C:\\c");
    ExpectConsistent();
}

TEST_F(GroupsTest, UnnamablePathGetsARootThatNamesNoGroup) {
    std::u16string longPath = u"C:\\" + std::u16string(257, u'x');   // 260 units: one too many
    Add(longPath.c_str(), 0xFFFFFFFF);
    ASSERT_EQ(t.Roots().size(), 1u);
    TreeItem unknown = t.Roots()[0];
    EXPECT_EQ(t.Text(unknown), u"unknown name : " + longPath);
    EXPECT_EQ(t.Param(unknown), MakeItemParam(kNoGroup, 1));
    EXPECT_EQ(t.tree.node(unknown).image, 3);
    EXPECT_TRUE(t.tree.Children(unknown).empty());
    EXPECT_EQ(GroupCount(), 0u);

    // The next group takes index 0, which the unknown root does not carry.
    Add(u"C:\\a");
    EXPECT_EQ(GroupCount(), 1u);
    EXPECT_EQ(t.Param(t.Roots()[1]), MakeItemParam(0, 1));
    EXPECT_NE(ItemGroup(t.Param(unknown)), 0u);

    std::u16string fits = u"C:\\" + std::u16string(256, u'y');   // 259 units
    Add(fits.c_str());
    EXPECT_EQ(t.Text(t.Roots()[2]), fits);
    ExpectConsistent();
}

TEST_F(GroupsTest, ClearingStartsIndexesAgainAtZero) {
    Add(u"C:\\a");
    Add(u"C:\\other");
    EXPECT_EQ(GroupCount(), 2u);
    t.sink.remove(t.sink.context, kTreeRoot);
    ClearGroups();
    EXPECT_EQ(GroupCount(), 0u);
    GroupSnapshot g;
    EXPECT_FALSE(ReadGroup(0, &g));
    Add(u"C:\\other");
    Add(u"C:\\a");
    Add(u"C:\\other");
    EXPECT_EQ(GroupCount(), 2u);
    EXPECT_EQ(t.Param(t.Roots()[0]), MakeItemParam(0, 1));
    EXPECT_EQ(t.Text(t.Roots()[0]), u"(2) C:\\other");
    EXPECT_EQ(t.Param(t.Roots()[1]), MakeItemParam(1, 1));
    EXPECT_FALSE(ReadGroup(2, &g));
    ExpectConsistent();
}

TEST_F(GroupsTest, ManyGroupsStillFindTheirOwnGroup) {
    // Distinct attribute words give distinct signatures; the second round
    // must land every path in the group its first round founded.
    for (uint32_t i = 0; i < 600; i++) Add(u"C:\\a", i * 64);
    for (uint32_t i = 0; i < 600; i++) Add(u"C:\\b", i * 64);
    EXPECT_EQ(GroupCount(), 600u);
    for (uint32_t i = 0; i < 600; i += 37)
        EXPECT_EQ(Paths(i), (std::vector<std::u16string>{u"C:\\a", u"C:\\b"})) << i;
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
            t.sink.remove(t.sink.context, kTreeRoot);
            ClearGroups();
            Add(u"C:\\a");
            for (uint32_t i = 1; i < 256; i++) Add(u"C:\\a", 0x10 | i << 6);
            for (uint32_t i = 0; i < merged; i++) Add(longPath.c_str());
            size_t live = t.tree.LiveCount();
            {
                heap_fault::ScopedHeap heap(-1, failing);
                Add(longPath.c_str());               // joins group 0
                Add(u"C:\\other", 0x20);           // founds group 256
            }
            ExpectConsistent();
            GroupSnapshot g;
            ASSERT_TRUE(ReadGroup(0, &g));
            bool joined = g.pathCount == merged + 2;
            bool founded = GroupCount() == 257;
            outcomes.insert({joined, founded});
            EXPECT_TRUE(joined || g.pathCount == merged + 1);
            std::u16string text = t.Text(g.root);
            if (g.pathCount > 1) EXPECT_EQ(text, u"(" + Wide(std::to_string(g.pathCount)) + u") C:\\a");
            else EXPECT_EQ(text, u"C:\\a");
            if (!founded) EXPECT_EQ(t.tree.LiveCount(), live) << merged << " " << failing;
            // What was stored is whole: the new group's path reads back.
            if (founded) EXPECT_EQ(Paths(256), std::vector<std::u16string>{u"C:\\other"});
        }
    }
    EXPECT_EQ(outcomes, (std::set<std::pair<bool, bool>>{{false, true}, {true, false}, {true, true}}));
}

namespace {

// A tree that keeps only what the limit test needs: roots and their params.
struct RootTree {
    std::vector<uint32_t> params;
    std::vector<bool> alive;
    uint32_t children = 0;
    TreeSink sink;
    RootTree() {
        sink = TreeSink{this, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
        sink.insert = [](void* c, TreeItem parent, const char16_t*, int, uint32_t param) -> TreeItem {
            RootTree* t = static_cast<RootTree*>(c);
            if (parent != kTreeRoot) {
                EXPECT_EQ(ItemGroup(param), ItemGroup(t->params.back()));   // children of the newest root
                return 0x40000000u + ++t->children;
            }
            t->params.push_back(param);
            t->alive.push_back(true);
            return t->params.size();
        };
        sink.remove = [](void* c, TreeItem item) { static_cast<RootTree*>(c)->alive[item - 1] = false; };
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
    EXPECT_EQ(ItemGroup(t.params[0xFFFE]), 0xFFFEu);
    EXPECT_EQ(ItemGroup(t.params[0xFFFF]), kNoGroup);
    EXPECT_EQ(ItemGroup(t.params[0x10000]), kNoGroup);
    EXPECT_EQ(ItemGroup(t.params[0x10001]), kNoGroup);

    // A path past the limit still merges into its group.
    AddPath(&t.sink, u"C:\\q", 0x10001u << 6);
    EXPECT_EQ(GroupCount(), total);
    EXPECT_FALSE(t.alive.back());

    // No ItemParam can name those groups, so they cannot be read through one.
    GroupSnapshot g;
    EXPECT_TRUE(ReadGroup(0xFFFE, &g));
    EXPECT_FALSE(ReadGroup(kNoGroup, &g));
    ClearGroups();
}
