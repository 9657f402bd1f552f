// The three finds over crafted groups as the window runs them: which groups
// match, the order and wrap of F3 and Shift+F3, the counts in the log and
// the node each match selects.
#include <gtest/gtest.h>

#include "actions/find.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

struct FindScene : ::testing::Test {
    ScopedFakeSecurity security;
    FakeActions fake;
    FakeTree t;
    inline static FindRequest typed;

    FindScene() {
        const Bytes bob = MakeSid(5, {21, 7, 1001}), inherited = MakeAcl({MakeAce(0, 0x10, 0x1200A9, kUsers)});
        security.accounts[bob] = {u"bob", u"CORP"};
        // a and d share a group; b is protected with Bob's own deny entry; c
        // has Bob's explicit allow and audits Everyone; e names no one.
        Add(u"C:\\a", kAdmins, DaclPart(inherited));
        Add(u"C:\\b", kUsers, MakeDescriptor(0x1004, {}, {}, MakeAcl({MakeAce(1, 0, 0x10000, bob)})));
        Add(u"C:\\c", kAdmins, DaclPart(MakeAcl({MakeAce(0, 0x10, 1, kUsers), MakeAce(0, 0, 0x1F01FF, bob)})),
            SaclPart(MakeAcl({MakeAce(2, 0x80, 1, kEveryone)})));
        Add(u"C:\\d", kAdmins, DaclPart(inherited));
        Add(u"C:\\e", MakeSid(5, {18}), DaclPart(MakeAcl({})));
        FlushGroupRootTexts(&t.sink);
        fake.platform.findDialog = [](void*, FindRequest* request) { return *request = typed, 1; };
        fake.platform.accountSid = [](const char16_t* name, uint8_t* sid) {
            static const Bytes bob = MakeSid(5, {21, 7, 1001});
            return std::u16string(name) == u"CORP\\bob" && std::copy(bob.begin(), bob.end(), sid);
        };
    }
    ~FindScene() override { ClearGroups(); }

    void Add(const char16_t* path, const Bytes& owner, const Bytes& dacl, const Bytes& sacl = {}) {
        security.paths[path] = {{kOwnerInformation, OwnerPart(owner)}, {kDaclInformation, dacl}};
        if (!sacl.empty()) security.paths[path][kSaclInformation] = sacl;
        AddPath(&t.sink, path, 0x20);
    }
    // Finds, and returns the log's last line.
    std::string Find(const char16_t* text, FindMode mode = kFindAccount) {
        typed = FindRequest();
        CopyText(typed.text, kAccountTextUnits, text);
        typed.mode = mode;
        OpenFind(&fake.platform, &t.sink);
        return fake.log.back();
    }
    // "<root's text> | <selected node's text>", after F3 (backward: Shift+F3) when asked.
    std::string Selected(int again = 0) {
        if (again) {
            EXPECT_TRUE(FindAgain(&fake.platform, &t.sink, again < 0));
        }
        TreeItem root = t.selection;
        while (root && t.node(root).parent != kTreeRoot) root = t.node(root).parent;
        return root ? Narrow(t.node(root).text) + " | " + Narrow(t.node(t.selection).text) : "none";
    }
};

}  // namespace

TEST_F(FindScene, FindsInGroupOrderWrapsBothWaysAndCountsGroupsAndPaths) {
    EXPECT_EQ(Find(u"  CORP\\bob "), "Found in 2 of 4 groups (2 paths): CORP\\bob");
    EXPECT_EQ(Selected(), "C:\\b | Deny : CORP\\bob :  Delete(10000)");
    EXPECT_EQ(Selected(1), "C:\\c | Allow : CORP\\bob :  Full Control");
    EXPECT_EQ(Selected(1), "C:\\b | Deny : CORP\\bob :  Delete(10000)");
    EXPECT_EQ(Selected(-1), "C:\\c | Allow : CORP\\bob :  Full Control");
    // The owner comes before the entries, an entry of the SACL is found too.
    EXPECT_EQ(Find(u"*S-1-5-32-545"), "Found in 3 of 4 groups (4 paths): *S-1-5-32-545");
    EXPECT_EQ(Selected(), "(2) C:\\a | Allow(inherit) : BUILTIN\\Users :  Read & Execute");
    EXPECT_EQ(Selected(1), "C:\\b | Ownership : BUILTIN\\Users");
    Find(u"S-1-1-0");
    EXPECT_EQ(Selected(), "C:\\c | Failed : Everyone :  List Folder / Read Data(0001)");

    EXPECT_EQ(Find(u"", kFindProtected), "Found in 1 of 4 groups (1 paths): Inheritance turned off");
    EXPECT_EQ(Selected(1), "C:\\b | Permissions") << "the only match finds itself";
    EXPECT_EQ(Find(u"", kFindExplicit), "Found in 2 of 4 groups (2 paths): Explicit permissions");
    EXPECT_EQ(Selected(-1), "C:\\c | Permissions");

    // Nothing resolves or matches: the selection stays.
    EXPECT_EQ(Find(u"S-1-5-32-546"), "Not found: S-1-5-32-546");
    EXPECT_EQ(Find(u"nobody"), "Account not found: nobody");
    EXPECT_EQ(Find(u"S-1-5-x"), "Account not found: S-1-5-x");
    EXPECT_FALSE(FindAgain(&fake.platform, &t.sink, false)) << "no find to repeat";
    EXPECT_EQ(Selected(), "C:\\c | Permissions");
}
