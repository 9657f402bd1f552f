// Grouping of paths and the byte buffers that store the groups.
#include <gtest/gtest.h>
#include <string.h>

#include "base/item_param.h"
#include "security/byte_buffer.h"
#include "security/groups.h"
#include "security/path_names.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

TEST(ByteBuffer, GrowsByBlocksThenByAQuarterAndKeepsItsContentWhenGrowthFails) {
    std::vector<uint8_t> bytes(4096, 7);
    ByteBuffer b = {nullptr, 0, 0};
    std::vector<uint32_t> seen;   // one byte at a time past each boundary
    while (b.used < 73728 && ByteBufferAppend(&b, bytes.data(), 1))
        if (seen.empty() || seen.back() != b.capacity) seen.push_back(b.capacity);
    EXPECT_EQ(seen, (std::vector<uint32_t>{4096, 8192, 12288, 16384, 24576, 32768, 45056, 57344, 73728}));
    EXPECT_FALSE(ByteBufferAppend(&b, bytes.data(), 0xFFFFFFFFu));   // used + n would wrap
    EXPECT_TRUE(ByteBufferFree(&b) && ByteBufferFree(&b));           // the second has nothing to release
    // A string that ends exactly at the block still gets its extra zero.
    ASSERT_TRUE(ByteBufferAppend(&b, bytes.data(), 4090) && ByteBufferAppendString(&b, u"xy"));
    EXPECT_TRUE(b.used == 4096 && b.capacity == 8192 && memcmp(b.data + 4090, u"xy\0", 8) == 0);
    ByteBufferFree(&b);

    ScopedHeapFault heap(1);   // the first block, then no growth
    ASSERT_TRUE(ByteBufferAppend(&b, bytes.data(), 4000));
    EXPECT_FALSE(ByteBufferAppend(&b, &bytes[0], 200) || ByteBufferAppendString(&b, std::u16string(60, u'q').data()));
    EXPECT_TRUE(b.used == 4000 && b.capacity == 4096 && memcmp(b.data, bytes.data(), 4000) == 0);
    ByteBufferFree(&b);
    EXPECT_TRUE(!ByteBufferAppendString(&b, u"x") && !b.data);   // nor a first block
}

namespace {

// Groups are process-wide: every test leaves none behind.
struct GroupsTest : ::testing::Test {
    ScopedFakeSecurity fake;
    FakeTree t;
    GroupsTest() {
        for (const char16_t* path : {u"C:\\a", u"C:\\b", u"C:\\other"})
            fake.paths[path] = {{kOwnerInformation, OwnerPart(path[3] == u'o' ? kUsers : kAdmins)},
                                {kDaclInformation, DaclPart(MakeAcl({MakeAce(0, 3, 0x001F01FF, kUsers)}))}};
    }
    ~GroupsTest() override { ClearGroups(); }
    void Add(const char16_t* path, uint32_t attributes = 0x10) { AddPath(&t.sink, path, attributes); }
    // "text [image] group" of each root, the group as its ItemParam has it.
    // The tree must match the groups: a root that names a group is that
    // group's root, and all its nodes name it; other roots and their nodes
    // name no group.
    std::string Roots() {
        FlushGroupRootTexts(&t.sink);
        std::string out;
        for (TreeItem r : t.Children(kTreeRoot)) {
            const uint32_t group = NodeGroup(t.node(r).param);
            GroupSnapshot g;
            EXPECT_TRUE(group == kNoNodeIndex || (ReadGroup(group, &g) && g.root == r));
            EXPECT_EQ(ItemGroup(NodeParam(t.node(r).param)), GroupItemIndex(group == kNoNodeIndex ? kNoGroup : group));
            for (TreeItem c : t.Children(r)) EXPECT_EQ(NodeGroup(t.node(c).param), group);
            out += Narrow(t.node(r).text) + " [" + std::to_string(t.node(r).image) + "] ";
            out += std::to_string(ItemGroup(NodeParam(t.node(r).param))) + '\n';
        }
        return out;
    }
};

}  // namespace

TEST_F(GroupsTest, OnlyIdenticalSecurityMergesUnderTheFirstRoot) {
    fake.paths[u"C:\\noowner"] = {{kDaclInformation, fake.paths[u"C:\\a"][kDaclInformation]}};
    Add(u"C:\\a");
    size_t nodes = t.LiveCount();
    Add(u"C:\\a");
    EXPECT_EQ(t.LiveCount(), nodes);   // the merged path leaves no nodes
    // Another path alike, a file with the same ACEs, a read-only file, another
    // owner, the owner query failing.
    for (auto [path, attributes] : {std::pair{u"C:\\b", 0x10}, {u"C:\\b", 0x20}, {u"C:\\b", 0x21},
                                    {u"C:\\other", 0x10}, {u"C:\\noowner", 0x10}, {u"C:\\b", 0x20}})
        Add(path, attributes);
    EXPECT_EQ(Roots(), "(3) C:\\a [3] 0\n(2) C:\\b [2] 1\nC:\\b [2] 2\nC:\\other [3] 3\nC:\\noowner [3] 4\n");
    EXPECT_TRUE(t.node(t.Children(kTreeRoot)[0]).expanded);
    // The paths as stored: each with its zero, then one more zero.
    GroupSnapshot g;
    ASSERT_TRUE(ReadGroup(0, &g));
    EXPECT_EQ(std::u16string(g.paths, 16), std::u16string(u"C:\\a\0C:\\a\0C:\\b\0", 16));
}

TEST_F(GroupsTest, OutOfMemoryLeavesNoHalfGroup) {
    // 256 groups fill the group list's first block and half the lookup table,
    // and the long paths bring group 0's buffer up to its block boundary, so
    // the sweep makes each storage step of a merge and of a new group fail.
    std::u16string longPath = u"C:\\" + std::u16string(240, u'l');
    fake.paths[longPath] = fake.paths[u"C:\\a"];
    for (uint32_t merged = 0; merged < 9; merged++) {
        for (int failing = 0; failing < 5; failing++) {
            t.sink.remove(t.sink.context, kTreeRoot), ClearGroups();
            for (uint32_t i = 0; i < 256; i++) Add(u"C:\\a", 0x10 | i << 6);
            for (uint32_t i = 0; i < merged; i++) Add(longPath.c_str());
            size_t live = t.LiveCount();
            ScopedHeapFault heap(failing, failing);
            Add(longPath.c_str());        // joins group 0
            Add(u"C:\\other", 0x20);    // founds group 256
            std::string roots = Roots();   // checks the tree against the groups
            GroupSnapshot g;
            ASSERT_TRUE(ReadGroup(0, &g));
            bool founded = GroupCount() == 257;
            EXPECT_TRUE(g.pathCount == merged + 2 || g.pathCount == merged + 1);
            std::u16string paths = u"C:\\a" + std::u16string(1, 0);   // as stored, each path with its zero
            for (uint32_t i = 1; i < g.pathCount; i++) paths += longPath + u'\0';
            EXPECT_EQ(std::u16string(g.paths, paths.size() + 1), paths + u'\0');
            std::string count = g.pathCount > 1 ? "(" + std::to_string(g.pathCount) + ") " : "";
            EXPECT_EQ(roots.substr(0, roots.find('\n')), count + "C:\\a [3] 0");
            // Nothing is left of a path that was not stored.
            EXPECT_EQ(t.LiveCount() > live, founded) << merged << " " << failing;
        }
    }
}

// Inheritance on and off, and the SACL's bits alike, never share a group;
// the other control bits (owner or DACL defaulted) do not part paths.
TEST_F(GroupsTest, ProtectedAndAutoInheritedBitsPartGroupsOtherControlBitsDoNot) {
    const Bytes acl = MakeAcl({MakeAce(0, 3, 0x001F01FF, kUsers)}), sacl = MakeAcl({MakeAce(2, 0x40, 1, kUsers)});
    const std::pair<const char16_t*, uint16_t> dacls[] = {{u"C:\\plain", 0x0004}, {u"C:\\p", 0x1004},
                                                          {u"C:\\ai", 0x0404},    {u"C:\\pai", 0x1404},
                                                          {u"C:\\dd", 0x000D},    {u"C:\\sp", 0x0004},
                                                          {u"C:\\sai", 0x0004}};
    for (auto [path, control] : dacls) {
        fake.paths[path] = {{kOwnerInformation, OwnerPart(kAdmins)},
                            {kDaclInformation, MakeDescriptor(control, {}, {}, acl)},
                            {kSaclInformation, SaclPart(sacl)}};
        Add(path);
    }
    Add(u"C:\\plain");   // the same again still merges
    fake.paths[u"C:\\sp"][kSaclInformation] = MakeDescriptor(0x2010, {}, sacl, {});
    fake.paths[u"C:\\sai"][kSaclInformation] = MakeDescriptor(0x0810, {}, sacl, {});
    Add(u"C:\\sp"), Add(u"C:\\sai");
    EXPECT_EQ(Roots(), "(5) C:\\plain [3] 0\nC:\\p [3] 1\nC:\\ai [3] 2\nC:\\pai [3] 3\nC:\\sp [3] 4\nC:\\sai [3] 5\n");
    // Each group keeps its own control word, so it never claims another's.
    const uint16_t controls[] = {0x0004, 0x1004, 0x0404, 0x1404};
    for (uint32_t i = 0; i < 4; i++) {
        GroupSnapshot g;
        ASSERT_TRUE(ReadGroup(i, &g));
        EXPECT_EQ(g.security->bytes[kDaclPart][2] | g.security->bytes[kDaclPart][3] << 8, controls[i] | 0x8000);
    }
}

// icacls and takeown expand wildcards themselves; failed reads alike must not
// let a pattern join the group of a real name.
TEST_F(GroupsTest, WildcardNamesStandAloneWhileFailedReadsOfRealNamesStillGroup) {
    const char16_t* names[] = {u"C:\\x\\nothing.txt", u"C:\\x\\*", u"C:\\x\\a?.txt", u"C:\\x\\a<", u"C:\\x\\b>",
                               u"C:\\x\\\"c", u"C:\\x\\d|e", u"C:\\x\\gone.txt"};
    for (const char16_t* name : names) Add(name, 0xFFFFFFFF);
    EXPECT_EQ(Roots(), "(2) C:\\x\\nothing.txt [3] 0\nunknown name : C:\\x\\* [3] 65535\n"
                       "unknown name : C:\\x\\a?.txt [3] 65535\nunknown name : C:\\x\\a< [3] 65535\n"
                       "unknown name : C:\\x\\b> [3] 65535\nunknown name : C:\\x\\\"c [3] 65535\n"
                       "unknown name : C:\\x\\d|e [3] 65535\n");
}

// Opening a pipe lets its server act as the elevated user; devices are no
// files either. The name as given or only its full form may be the culprit.
TEST_F(GroupsTest, DeviceAndPipeNamesStandAloneUnread) {
    fake.fullForms = {{u"name", u"\\\\.\\pipe\\name"}};   // relative to a device folder
    const std::u16string foreign[] = {u"\\\\.\\pipe\\name", u"//./pipe/name", u"\\\\.", u"\\\\?\\GLOBALROOT\\x",
                                      u"\\??\\C:\\a", u"\\\\server\\PIPE\\name", u"//server/mailslot/m",
                                      u"\\\\server\\ipc$", u"name", u"CON", u"C:\\x\\nul", u"C:\\x\\Com1.txt",
                                      u"C:\\x\\lpt\u00B9", u"C:\\x\\aux :x", u"C:conin$"};
    for (const std::u16string& name : foreign) {
        fake.paths[name] = fake.paths[u"C:\\a"];
        Add(name.c_str());
        EXPECT_EQ(Narrow(t.node(t.Children(kTreeRoot).back()).text), "unknown name : " + Narrow(name.c_str()));
    }
    EXPECT_EQ(GroupCount(), 0u);
    // Names that merely look alike are plain paths.
    for (const char16_t* name : {u"\\\\server\\share\\pipe\\x", u"\\\\..\\share\\x", u"C:\\x\\console.txt",
                                 u"C:\\x\\com10", u"C:\\x\\a.nul", u"C:\\x\\file:stream", u"\\\\server\\pipes"})
        EXPECT_TRUE(IsPlainPathName(name)) << Narrow(name);
}

// A run that changed some paths of a group and failed on the next: the
// group's signature becomes its first path's, the paths that no longer match
// are added again, and later paths compare with the new signatures.
TEST_F(GroupsTest, RegroupingAfterAPartlyFailedRunSplitsTheGroupAndKeysItAnew) {
    const Bytes dacl = fake.paths[u"C:\\a"][kDaclInformation];
    auto owner = [&](const char16_t* path, const Bytes& sid) {
        fake.paths[path] = {{kOwnerInformation, OwnerPart(sid)}, {kDaclInformation, dacl}};
        fake.attributes[path] = 0x10;
    };
    for (const char16_t* path : {u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\d", u"C:\\e", u"C:\\f"}) owner(path, kAdmins);
    owner(u"C:\\other", kUsers);
    for (const char16_t* path : {u"C:\\a", u"C:\\b", u"C:\\c", u"C:\\d", u"C:\\other"}) Add(path);
    ASSERT_EQ(Roots(), "(4) C:\\a [3] 0\nC:\\other [3] 1\n");
    // The run changed a and b and failed on c; meanwhile d went to Users.
    owner(u"C:\\a", kEveryone), owner(u"C:\\b", kEveryone), owner(u"C:\\d", kUsers);
    RegroupAfterChange(&t.sink, 0);
    EXPECT_EQ(Roots(), "(2) C:\\a [3] 0\n(2) C:\\other [3] 1\nC:\\c [3] 2\n");
    EXPECT_NE(t.Dump().find("Everyone"), std::string::npos) << "the first path's nodes read afresh";
    owner(u"C:\\e", kEveryone);
    Add(u"C:\\e"), Add(u"C:\\f");
    EXPECT_EQ(Roots(), "(3) C:\\a [3] 0\n(2) C:\\other [3] 1\n(2) C:\\c [3] 2\n");
    // Regrouped onto an earlier group's signature, it joins that group: its
    // paths follow, its root leaves the tree; f no longer matches c and
    // starts a group at the end.
    owner(u"C:\\c", kUsers);
    EXPECT_EQ(RegroupAfterChange(&t.sink, 2), 1u);
    owner(u"C:\\g", kUsers);
    Add(u"C:\\g");
    EXPECT_EQ(Roots(), "(3) C:\\a [3] 0\n(4) C:\\other [3] 1\nC:\\f [3] 3\n");
    GroupSnapshot g;
    EXPECT_FALSE(ReadGroup(2, &g));
    ASSERT_TRUE(ReadGroup(1, &g));
    EXPECT_EQ(std::u16string(g.paths, 25), std::u16string(u"C:\\other\0C:\\d\0C:\\c\0C:\\g\0\0", 25));
    // A later group joins the regrouped one when that came first.
    for (const char16_t* path : {u"C:\\a", u"C:\\b", u"C:\\e"}) owner(path, kUsers);
    EXPECT_EQ(RegroupAfterChange(&t.sink, 0), 0u);
    EXPECT_EQ(Roots(), "(7) C:\\a [3] 0\nC:\\f [3] 3\n");
    ASSERT_TRUE(ReadGroup(0, &g) && !ReadGroup(1, &g) && ReadGroup(0, &g));
    EXPECT_EQ(std::u16string(g.paths, 40),
              std::u16string(u"C:\\a\0C:\\b\0C:\\e\0C:\\other\0C:\\d\0C:\\c\0C:\\g\0\0", 40));
}
