// The three finds over crafted groups: which groups match, the order and the
// wrap of F3 and Shift+F3, the counts in the log, the node each match selects,
// and "Find this account" from an entry's menu.
#include <gtest/gtest.h>

#include "actions/commands.h"
#include "actions/find.h"
#include "actions/node_menus.h"
#include "base/item_param.h"
#include "security/group_find.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

const Bytes kBob = MakeSid(5, {21, 7, 1001});

struct FindScene : ::testing::Test {
    ScopedFakeSecurity security;
    FakeActions fake;
    FakeTree t;
    inline static FindRequest typed;
    inline static uint32_t pick;   // the menu's choice

    FindScene() {
        security.accounts[kBob] = {u"bob", u"CORP"};
        const Bytes inherited = MakeAcl({MakeAce(0, 0x10, 0x1200A9, kUsers)});
        // a and d share a group; b is protected with Bob's own deny entry;
        // c has Bob's explicit allow and audits Everyone; e names no one.
        Add(u"C:\\a", kAdmins, DaclPart(inherited));
        Add(u"C:\\b", kUsers, MakeDescriptor(0x1004, {}, {}, MakeAcl({MakeAce(1, 0, 0x10000, kBob)})));
        Add(u"C:\\c", kAdmins, DaclPart(MakeAcl({MakeAce(0, 0x10, 1, kUsers), MakeAce(0, 0, 0x1F01FF, kBob)})),
            SaclPart(MakeAcl({MakeAce(2, 0x80, 1, kEveryone)})));
        Add(u"C:\\d", kAdmins, DaclPart(inherited));
        Add(u"C:\\e", MakeSid(5, {18}), DaclPart(MakeAcl({})));
        FlushGroupRootTexts(&t.sink);
        fake.platform.findDialog = [](void*, FindRequest* request) { return *request = typed, 1; };
        fake.platform.accountSid = [](const char16_t* name, uint8_t* sid) {
            return std::u16string(name) == u"CORP\\bob" && std::copy(kBob.begin(), kBob.end(), sid);
        };
        fake.platform.trackMenu = [](void*, const MenuModel* menu, MenuPick* chosen) {
            for (uint32_t i = 0; i < menu->count; i++)
                if (menu->items[i].id == pick) chosen->id = pick;
        };
    }
    ~FindScene() override { ClearGroups(); }

    void Add(const char16_t* path, const Bytes& owner, const Bytes& dacl, const Bytes& sacl = {}) {
        security.paths[path] = {{kOwnerInformation, OwnerPart(owner)}, {kDaclInformation, dacl}};
        if (!sacl.empty()) security.paths[path][kSaclInformation] = sacl;
        AddPath(&t.sink, path, 0x20);
    }
    void Find(const char16_t* text, FindMode mode = kFindAccount) {
        typed = FindRequest();
        CopyText(typed.text, kAccountTextUnits, text);
        typed.mode = mode;
        OpenFind(&fake.platform, &t.sink);
    }
    // "<root's first path> | <selected node's text>".
    std::string Selected() {
        if (!t.selection) return "none";
        TreeItem root = t.selection;
        while (t.node(root).parent != kTreeRoot) root = t.node(root).parent;
        return Narrow(t.node(root).text) + " | " + Narrow(t.node(t.selection).text);
    }
    std::string Again(bool backward) {
        EXPECT_TRUE(FindAgain(&fake.platform, &t.sink, backward));
        return Selected();
    }
};

}  // namespace

TEST_F(FindScene, GroupsMatchInOrderAndWrapBothWays) {
    FindQuery query = {kFindAccount, {}};
    std::copy(kBob.begin(), kBob.end(), query.sid);
    FindCounts counts;
    CountMatches(&query, &counts);
    EXPECT_EQ(std::vector<uint32_t>({counts.matching, counts.groups, counts.paths}), std::vector<uint32_t>({2, 4, 2}));
    uint32_t found = 99;
    FindMatch match;
    const auto next = [&](uint32_t from, bool backward) {
        return NextMatchingGroup(&query, from, backward, &found, &match) ? (int)found : -1;
    };
    EXPECT_EQ(next(kNoFindGroup, false), 1);
    EXPECT_EQ(match.part == kDaclPart && match.entry == 0, true);
    EXPECT_EQ(next(1, false), 2);
    EXPECT_EQ(match.entry, 1u);
    EXPECT_EQ(next(2, false), 1);   // wraps
    EXPECT_EQ(next(1, true), 2);    // wraps backward
    EXPECT_EQ(next(kNoFindGroup, true), 2);
    query.mode = kFindProtected;
    EXPECT_EQ(next(1, false), 1);   // the only match finds itself
    EXPECT_TRUE(match.part == kDaclPart && match.entry == kNoFindEntry);
    query.mode = kFindExplicit;
    CountMatches(&query, &counts);
    EXPECT_EQ(std::vector<uint32_t>({counts.matching, counts.groups, counts.paths}), std::vector<uint32_t>({2, 4, 2}));
    std::copy(kEveryone.begin(), kEveryone.end(), query.sid);
    query.mode = kFindAccount;
    EXPECT_EQ(next(kNoFindGroup, false), 2);
    EXPECT_TRUE(match.part == kSaclPart && match.entry == 0);
    std::copy(kAdmins.begin(), kAdmins.end(), query.sid);
    EXPECT_EQ(next(0, false), 2);
    EXPECT_TRUE(match.part == kOwnerPart);
    ClearGroups();
    EXPECT_EQ(next(kNoFindGroup, false), -1);
}

TEST_F(FindScene, TheWindowsFindSelectsTheMatchingNodeLogsTheCountsAndRepeats) {
    Find(u"  CORP\\bob ");
    EXPECT_EQ(fake.log.back(), "Found in 2 of 4 groups (2 paths): CORP\\bob");
    EXPECT_EQ(Selected(), "C:\\b | Deny : CORP\\bob :  Delete(10000)");
    EXPECT_EQ(Again(false), "C:\\c | Allow : CORP\\bob :  Full Control");
    EXPECT_EQ(Again(false), "C:\\b | Deny : CORP\\bob :  Delete(10000)");
    EXPECT_EQ(Again(true), "C:\\c | Allow : CORP\\bob :  Full Control");

    Find(u"*S-1-1-0");
    EXPECT_EQ(fake.log.back(), "Found in 1 of 4 groups (1 paths): *S-1-1-0");
    EXPECT_EQ(Selected(), "C:\\c | Failed : Everyone :  List Folder / Read Data(0001)");
    Find(u"S-1-5-32-544");
    EXPECT_EQ(Selected(), "(2) C:\\a | Ownership : BUILTIN\\Administrators");
    EXPECT_EQ(Again(false), "C:\\c | Ownership : BUILTIN\\Administrators");

    Find(u"", kFindProtected);
    EXPECT_EQ(fake.log.back(), "Found in 1 of 4 groups (1 paths): Inheritance turned off");
    EXPECT_EQ(Selected(), "C:\\b | Permissions");
    Find(u"", kFindExplicit);
    EXPECT_EQ(Again(false), "C:\\c | Permissions");

    // Nothing resolves or matches: the selection stays.
    const std::string before = Selected();
    Find(u"nobody");
    EXPECT_EQ(fake.log.back(), "Account not found: nobody");
    Find(u"S-1-5-x");
    EXPECT_EQ(fake.log.back(), "Account not found: S-1-5-x");
    EXPECT_FALSE(FindAgain(&fake.platform, &t.sink, false)) << "no find to repeat";
    Find(u"S-1-5-32-546");
    EXPECT_EQ(fake.log.back(), "Not found: S-1-5-32-546");
    EXPECT_EQ(Selected(), before);
}

TEST_F(FindScene, FindThisAccountFromAnInheritedEntryOrTheOwner) {
    // c's inherited Users entry: only "Find this account" on its menu.
    const TreeItem c = t.Children(kTreeRoot)[2];
    const TreeItem permissions = t.Children(c)[2];
    t.selection = t.Children(permissions)[0];
    pick = kCmdFindAccount;
    OpenNodeMenu(&fake.platform, &t.sink);
    EXPECT_EQ(fake.log.back(), "Found in 3 of 4 groups (4 paths): BUILTIN\\Users");
    EXPECT_EQ(Selected(), "(2) C:\\a | Allow(inherit) : BUILTIN\\Users :  Read & Execute");
    t.selection = t.Children(t.Children(kTreeRoot)[1])[1];   // b's owner
    OpenNodeMenu(&fake.platform, &t.sink);
    EXPECT_EQ(fake.log.back(), "Found in 3 of 4 groups (4 paths): BUILTIN\\Users");
    EXPECT_EQ(Again(false), "C:\\b | Ownership : BUILTIN\\Users");
    EXPECT_TRUE(fake.commands.empty());
}
