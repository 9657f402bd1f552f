#include <gtest/gtest.h>

#include "actions/node_menus.h"
#include "tests/unit/actions_fake_platform.h"

namespace {

const uint32_t kFile = 0x20;
const uint32_t kFolder = 0x10;

struct Built {
    std::string dump;
    std::u16string suffix;
    bool hasMenu;
};

Built Build(FakeActions& fake, uint32_t kind, uint32_t attributes) {
    MenuModel menu;
    MenuInit(&menu);
    const char16_t* suffix = u"unset";
    Built b;
    b.hasMenu = BuildNodeMenu(&fake.platform, &menu, kind, attributes, &suffix);
    b.dump = DumpMenu(&menu);
    b.suffix = suffix;
    MenuFree(&menu);
    return b;
}

// A submenu with no list file, no domain, and the fake's accounts.
std::string Accounts(const std::string& indent, uint32_t base, const std::vector<std::string>& users) {
    std::string out = indent + "---\n";
    char line[64];
    uint32_t id = base + 2;
    for (const std::string& u : users) {
        snprintf(line, sizeof line, "%s #%x\n", u.c_str(), id++);
        out += indent + line;
    }
    snprintf(line, sizeof line, "Enter account name #%x\n", base);
    return out + indent + "---\n" + indent + line;
}

TEST(ActionsMenus, SmallMenusByKind) {
    FakeActions fake;
    for (uint32_t attributes : {kFile, kFolder}) {
        Built root = Build(fake, 0x01, attributes);
        EXPECT_TRUE(root.hasMenu);
        EXPECT_EQ(root.dump, "list files #1\n");
        EXPECT_EQ(Build(fake, 0x08, attributes).dump, "Change owner #2\n");
        EXPECT_EQ(Build(fake, 0x10, attributes).dump, "High #c\nMedium #b\nLow #a\n");
    }
    // The integrity command never recurses, whatever the switch says.
    FlipTraverseSubfolders();
    Built integrity = Build(fake, 0x10, kFolder);
    EXPECT_EQ(integrity.suffix, u"");
    EXPECT_EQ(Build(fake, 0x08, kFolder).suffix, u"");
    EXPECT_EQ(Build(fake, 0x01, kFolder).suffix, u"");
}

TEST(ActionsMenus, KindsWithoutMenu) {
    FakeActions fake;
    for (uint32_t kind : {0x00, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x09, 0x0d, 0x0e, 0x0f, 0x11, 0xff}) {
        Built b = Build(fake, kind, kFolder);
        EXPECT_FALSE(b.hasMenu) << kind;
        EXPECT_EQ(b.dump, "") << kind;
    }
}

TEST(ActionsMenus, PermissionsMenuOfAFileHasSixEntries) {
    FakeActions fake;
    fake.users = {u"alice", u"bob"};
    for (bool traverse : {false, true}) {
        if (traverse) FlipTraverseSubfolders();
        Built b = Build(fake, 0x0a, kFile);
        std::string expected = "Allow inheritable #6\n"
                               "Copy permissions & clear inheritable #7\n"
                               "Clear inheritable #8\n"
                               "---\n"
                               "Add allow permission\n" +
                               Accounts("  ", 0x1000, {"alice", "bob"}) + "Add deny permission\n" +
                               Accounts("  ", 0x4000, {"alice", "bob"});
        EXPECT_EQ(b.dump, expected);
        EXPECT_EQ(b.suffix, u"") << "a file never recurses";
    }
}

TEST(ActionsMenus, PermissionsMenuOfAFolderFollowsTheSwitch) {
    FakeActions fake;
    fake.users = {u"alice"};
    auto expected = [](bool checked) {
        return "Allow inheritable #6\n"
               "Copy permissions & clear inheritable #7\n"
               "Clear inheritable #8\n"
               "---\n"
               "Add allow permission\n" +
               Accounts("  ", 0x1000, {"alice"}) + "Add this folder allow permission\n" +
               Accounts("  ", 0x2000, {"alice"}) + "Add subfolder,files allow permission\n" +
               Accounts("  ", 0x3000, {"alice"}) + "Add deny permission\n" + Accounts("  ", 0x4000, {"alice"}) +
               "---\n"
               "Allow inheritable subfolers,files #9\n"
               "Traverse all subfolders" +
               (checked ? " [x]" : "") + " #3\n";
    };
    Built off = Build(fake, 0x0a, kFolder);
    EXPECT_EQ(off.dump, expected(false));
    EXPECT_EQ(off.suffix, u"");
    FlipTraverseSubfolders();
    Built on = Build(fake, 0x0a, kFolder);
    EXPECT_EQ(on.dump, expected(true));
    EXPECT_EQ(on.suffix, u" /T");
    // Unreadable attributes count as 0 for the caller; 0 is a file.
    EXPECT_EQ(Build(fake, 0x0a, 0).suffix, u"");
}

TEST(ActionsMenus, AccountSubmenuWithListsAndDomain) {
    FakeActions fake;
    fake.users = {u"Administrator", u"Guest"};
    fake.domain = u"CORP";
    ScopedConfigText list(&g_listFile,
                          u"[PC_USER_LIST]\r\npc one\r\n\r\npc%s two\r\n[DOMAIN_USER_LIST]\n  CORP\\ann\nCORP\\ben\n");
    MenuModel menu;
    MenuInit(&menu);
    BuildAccountSubmenu(&fake.platform, &menu, u"", 0x2000);
    EXPECT_EQ(DumpMenu(&menu),
              "pc one #2002\n"
              "pc%s two #2003\n"
              "---\n"
              "Administrator #2004\n"
              "Guest #2005\n"
              "---\n"
              "CORP\\ann #2006\n"
              "CORP\\ben #2007\n"
              "---\n"
              "CORP #2001\n"
              "Enter account name #2000\n");
    MenuFree(&menu);
    EXPECT_EQ(fake.privilegeCalls,
              (std::vector<std::string>{"SeRestorePrivilege on", "enumerate", "SeRestorePrivilege off"}));
}

TEST(ActionsMenus, AccountSubmenuEndsEarlyWithoutPrivilegeOrAccounts) {
    ScopedConfigText list(&g_listFile, u"[PC_USER_LIST]\npc1\n[DOMAIN_USER_LIST]\nd1\n");
    {
        FakeActions fake;
        fake.privilegeWorks = false;
        fake.domain = u"CORP";
        MenuModel menu;
        MenuInit(&menu);
        BuildAccountSubmenu(&fake.platform, &menu, u"", 0x1000);
        EXPECT_EQ(DumpMenu(&menu), "pc1 #1002\n---\n");
        EXPECT_EQ(fake.privilegeCalls, std::vector<std::string>{"SeRestorePrivilege on"});
        MenuFree(&menu);
    }
    for (uint32_t code : {5u, 2351u, 234u}) {
        FakeActions fake;
        fake.users = {u"x"};
        fake.usersResult = code;
        fake.domain = u"CORP";
        MenuModel menu;
        MenuInit(&menu);
        BuildAccountSubmenu(&fake.platform, &menu, u"", 0x1000);
        EXPECT_EQ(DumpMenu(&menu), "pc1 #1002\n---\n") << code;
        // The privilege is never left enabled.
        EXPECT_EQ(fake.privilegeCalls.back(), "SeRestorePrivilege off") << code;
        MenuFree(&menu);
    }
    {
        // Any other result still lists the accounts.
        FakeActions fake;
        fake.users = {u"x"};
        fake.usersResult = 2221;
        MenuModel menu;
        MenuInit(&menu);
        BuildAccountSubmenu(&fake.platform, &menu, u"", 0x1000);
        EXPECT_EQ(DumpMenu(&menu), "pc1 #1002\n---\nx #1003\n---\nEnter account name #1000\n");
        MenuFree(&menu);
    }
}

TEST(ActionsMenus, AccountSubmenuNeverLeavesItsRange) {
    FakeActions fake;
    fake.domain = u"CORP";
    std::u16string listText = u"[PC_USER_LIST]\n";
    for (int i = 0; i < 3000; i++) listText += u"pc" + Wide(std::to_string(i)) + u"\n";
    listText += u"[DOMAIN_USER_LIST]\ndomainuser\n";
    for (int i = 0; i < 2000; i++) fake.users.push_back(u"local" + Wide(std::to_string(i)));
    ScopedConfigText list(&g_listFile, listText);
    MenuModel menu;
    MenuInit(&menu);
    BuildAccountSubmenu(&fake.platform, &menu, u"", 0x4000);
    uint32_t highest = 0, named = 0;
    for (uint32_t i = 0; i < menu.count; i++) {
        if (menu.items[i].flags & kMenuSeparator) continue;
        EXPECT_GE(menu.items[i].id, 0x4000u);
        EXPECT_LE(menu.items[i].id, 0x4FFFu);
        if (menu.items[i].id >= 0x4002) named++;
        if (menu.items[i].id > highest) highest = menu.items[i].id;
    }
    EXPECT_EQ(highest, 0x4FFFu);
    EXPECT_EQ(named, 0xFFEu);   // 4094 names fill base + 2 to base + 0xFFF
    EXPECT_EQ(DumpMenu(&menu).substr(DumpMenu(&menu).size() - 40), "---\nCORP #4001\nEnter account name #4000\n");
    MenuFree(&menu);
}

TEST(ActionsMenus, AceMenuWithAndWithoutAccessTypes) {
    FakeActions fake;
    {
        // No section: the menu begins with a separator.
        ScopedConfigText list(&g_listFile, u"[PC_USER_LIST]\nx\n");
        Built file = Build(fake, 0x0b, kFile);
        EXPECT_EQ(file.dump, "---\nSpecial Permissions #4\n---\nRemove this account permissions #5\n");
        Built folder = Build(fake, 0x0c, kFolder);
        EXPECT_EQ(folder.dump,
                  "---\nSpecial Permissions #4\n---\nRemove this account permissions #5\n---\n"
                  "Traverse all subfolders #3\n");
        EXPECT_EQ(folder.suffix, u"");
        FlipTraverseSubfolders();
        Built checked = Build(fake, 0x0c, kFolder);
        EXPECT_NE(checked.dump.find("Traverse all subfolders [x] #3"), std::string::npos);
        EXPECT_EQ(checked.suffix, u" /T");
        EXPECT_EQ(Build(fake, 0x0b, kFile).suffix, u"");
        ResetTraverseSubfolders();
    }
    {
        // Entries in file order with their line offsets; a line without '='
        // ends the list.
        std::u16string text = u"[ACCESS_TYPES]\nModify  = M\r\n\tRead=R\nbroken\nWrite=W\n";
        ScopedConfigText list(&g_listFile, text);
        Built b = Build(fake, 0x0b, kFile);
        size_t modify = text.find(u"Modify"), read = text.find(u"\tRead");
        char expected[256];
        snprintf(expected, sizeof expected,
                 "Modify #5000 @%zu\nRead #5001 @%zu\n---\nSpecial Permissions #4\n---\n"
                 "Remove this account permissions #5\n",
                 modify, read);
        EXPECT_EQ(b.dump, expected);
    }
    {
        // A comment or a line of blanks ends a section; an empty line does not.
        ScopedConfigText list(&g_listFile, u"[ACCESS_TYPES]\nA=1\n\n\nB=2\n ; note\nC=3\n");
        EXPECT_EQ(Build(fake, 0x0b, kFile).dump.substr(0, 16), "A #5000 @15\nB #5");
        EXPECT_EQ(Build(fake, 0x0b, kFile).dump.find("C #"), std::string::npos);
        ScopedConfigText blanks(&g_listFile, u"[ACCESS_TYPES]\nA=1\n \t \nC=3\n");
        EXPECT_EQ(Build(fake, 0x0b, kFile).dump.find("C #"), std::string::npos);
    }
}

TEST(ActionsMenus, AccessTypeNamesAreTranslated) {
    FakeActions fake;
    ScopedConfigText language(&g_languageFile, u"Modify = Aendern\nSpecial Permissions=Spezial\n");
    ScopedConfigText list(&g_listFile, u"[ACCESS_TYPES]\nModify=M\n[PC_USER_LIST]\n");
    EXPECT_EQ(Build(fake, 0x0b, kFile).dump,
              "Aendern #5000 @15\n---\nSpezial #4\n---\nRemove this account permissions #5\n");
}

TEST(ActionsMenus, SectionItemsEndAtHeaderOrEmptyCleanLine) {
    FakeActions fake;
    ScopedConfigText list(&g_listFile, u"[PC_USER_LIST] trailing\n a b \n\n\nc\n[ACCESS_TYPES]\nX=1\n");
    MenuModel menu;
    MenuInit(&menu);
    EXPECT_EQ(AppendSectionItems(&menu, u"[PC_USER_LIST]", 7, 100), 9u);
    EXPECT_EQ(AppendSectionItems(&menu, u"[DOMAIN_USER_LIST]", 9, 100), 9u);
    EXPECT_EQ(DumpMenu(&menu), "a b #7\nc #8\n");
    // The last id is used, never passed.
    EXPECT_EQ(AppendSectionItems(&menu, u"[PC_USER_LIST]", 20, 20), 21u);
    EXPECT_EQ(menu.count, 3u);
    MenuFree(&menu);
}

}  // namespace
