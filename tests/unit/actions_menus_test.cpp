#include <gtest/gtest.h>

#include "tests/unit/actions_fake_platform.h"

namespace {

// The menu of a node kind, then "suffix:" and the RecurseSuffix it set;
// "none" for a kind without a menu.
std::string Build(FakeActions& fake, uint32_t kind, uint32_t attributes) {
    MenuModel menu;
    MenuInit(&menu);
    const char16_t* suffix = u"unset";
    bool built = BuildNodeMenu(&fake.platform, &menu, kind, attributes, &suffix);
    std::string out = built ? DumpMenu(&menu) + "suffix:" + Narrow(suffix) : "none" + DumpMenu(&menu);
    MenuFree(&menu);
    return out;
}

std::string Submenu(FakeActions& fake, uint32_t base) {
    MenuModel menu;
    MenuInit(&menu);
    BuildAccountSubmenu(&fake.platform, &menu, u"", base);
    std::string out = DumpMenu(&menu);
    MenuFree(&menu);
    return out;
}

// An account submenu without list file or domain, the one local account "alice".
std::string Accounts(uint32_t base) {
    char text[96];
    snprintf(text, sizeof text, "  ---\n  alice #%x\n  ---\n  Enter account name #%x\n", base + 2, base);
    return text;
}

TEST(ActionsMenus, EveryKindForAFileAndAFolderWithTheSwitchOffAndOn) {
    FakeActions fake;
    fake.users = {u"alice"};
    ScopedConfigText noList(u"");
    const std::string head = "Allow inheritable #6\nCopy permissions & clear inheritable #7\nClear inheritable #8\n---\n";
    const std::string ace = "---\nSpecial Permissions #4\n---\nRemove this account permissions #5\n";
    for (bool on : {false, true}) {
        const std::string traverse = std::string("Traverse all subfolders") + (on ? " [x]" : "") + " #3\n";
        const std::string folderSuffix = on ? "suffix: /T" : "suffix:";
        for (uint32_t attributes : {kFile, kFolder}) {
            const std::string below = attributes == kFolder ? "Add everything below #e\n" : "";
            EXPECT_EQ(Build(fake, 0x01, attributes), "list files #1\n" + below + "Copy report #d\nsuffix:");
            EXPECT_EQ(Build(fake, 0x08, attributes), "Change owner #2\nsuffix:");
            EXPECT_EQ(Build(fake, 0x10, attributes), "High #c\nMedium #b\nLow #a\nsuffix:");
            for (uint32_t kind : {0x00u, 0x02u, 0x05u, 0x09u, 0x0du, 0x0eu, 0x0fu, 0x11u, 0xffu})
                EXPECT_EQ(Build(fake, kind, attributes), "none") << kind;
        }
        // A file's Permissions menu has exactly seven entries and never recurses.
        const std::string effective = "---\nEffective access #f01\n";
        EXPECT_EQ(Build(fake, 0x0a, kFile), head + "Add allow permission\n" + Accounts(0x1000) +
                                                "Add deny permission\n" + Accounts(0x4000) + effective + "suffix:");
        EXPECT_EQ(Build(fake, 0x0a, kFolder),
                  head + "Add allow permission\n" + Accounts(0x1000) + "Add this folder allow permission\n" +
                      Accounts(0x2000) + "Add subfolder,files allow permission\n" + Accounts(0x3000) +
                      "Add deny permission\n" + Accounts(0x4000) + effective + "---\nAllow inheritable subfolers,files #9\n" +
                      traverse + folderSuffix);
        // Without [ACCESS_TYPES] an ACE menu begins with a separator.
        EXPECT_EQ(Build(fake, 0x0b, kFile), ace + "suffix:");
        EXPECT_EQ(Build(fake, 0x0c, kFolder), ace + "---\n" + traverse + folderSuffix);
        FlipTraverseSubfolders();
    }
}

TEST(ActionsMenus, ListFileSectionsDomainAndTranslation) {
    FakeActions fake;
    fake.users = {u"Administrator"};
    fake.domain = u"CORP";
    const std::u16string list = u"[PC_USER_LIST]\r\npc one\r\n\r\npc%s two\r\n; note\nafter comment\n"
                                u"[DOMAIN_USER_LIST]\n  CORP\\ann\n"
                                u"[ACCESS_TYPES]\nModify  = M\r\n\n\tRead=R\n ; note\nWrite=W\n";
    ScopedConfigText listFile(list);
    ScopedConfigText language(u"Modify = Aendern\nSpecial Permissions=Spezial\n", &g_languageFile);
    EXPECT_EQ(Submenu(fake, 0x2000), "pc one #2002\npc%s two #2003\n---\nAdministrator #2004\n---\n"
                                     "CORP\\ann #2005\n---\nCORP #2001\nEnter account name #2000\n");
    EXPECT_EQ(fake.privilegeCalls,
              (std::vector<std::string>{"SeRestorePrivilege on", "enumerate", "SeRestorePrivilege off"}));
    // Access types in file order with their line offsets; a comment line ends the section.
    EXPECT_EQ(Build(fake, 0x0b, kFile), "Aendern #5000 @" + std::to_string(list.find(u"Modify")) + "\nRead #5001 @" +
                                            std::to_string(list.find(u"\tRead")) +
                                            "\n---\nSpezial #4\n---\nRemove this account permissions #5\nsuffix:");
}

TEST(ActionsMenus, AccessTypesThatAreNotRightsAloneAreLeftOutAndReported) {
    FakeActions fake;
    const std::u16string list = u"[ACCESS_TYPES]\nInject = F) /grant *S-1-1-0:(F\nFull = F\nEmpty =\nPercent = %s\n"
                                u"Specific = rd,WD,GA,MA\nDouble = RD,,WD\nTail = RD,\nUnknown = RD,XY\nTwo = F,M\n"
                                u"None = n\n";
    ScopedConfigText listFile(list);
    auto item = [&](const char16_t* name, int id) {
        return Narrow(name) + " #500" + std::to_string(id) + " @" + std::to_string(list.find(name)) + "\n";
    };
    EXPECT_EQ(Build(fake, 0x0b, kFile), item(u"Full", 0) + item(u"Specific", 1) + item(u"None", 2) +
                                            "---\nSpecial Permissions #4\n---\nRemove this account permissions #5\nsuffix:");
    ReportBadAccessTypes(&fake.platform);
    EXPECT_EQ(fake.log, (std::vector<std::string>{"bad access type: Inject = F) /grant *S-1-1-0:(F",
                                                   "bad access type: Empty =", "bad access type: Percent = %s",
                                                   "bad access type: Double = RD,,WD", "bad access type: Tail = RD,",
                                                   "bad access type: Unknown = RD,XY", "bad access type: Two = F,M"}));
}

TEST(ActionsMenus, AccountListEndsWithoutPrivilegeOrOnAFailedEnumeration) {
    ScopedConfigText list(u"[PC_USER_LIST]\npc1\n[DOMAIN_USER_LIST]\nd1\n");
    // The privilege is never left enabled (1: it can't be enabled); error results end the list early.
    for (uint32_t result : {1u, kUsersAccessDenied, kUsersInvalidComputer, kUsersMoreData, 2221u}) {
        FakeActions fake;
        fake.domain = u"CORP";
        fake.privilegeWorks = result != 1;
        fake.usersResult = result;
        if (result == 2221) fake.users = {u"x"};
        EXPECT_EQ(Submenu(fake, 0x1000), result != 2221 ? "pc1 #1002\n---\n"
                  : "pc1 #1002\n---\nx #1003\n---\nd1 #1004\n---\nCORP #1001\nEnter account name #1000\n") << result;
        EXPECT_EQ(fake.privilegeCalls.back(), result == 1 ? "SeRestorePrivilege on" : "SeRestorePrivilege off");
    }
}

TEST(ActionsMenus, AccountSubmenuNeverLeavesItsRange) {
    FakeActions fake;
    fake.domain = u"CORP";
    std::u16string list = u"[PC_USER_LIST]\n";
    for (int i = 0; i < 3000; i++) list += u"pc" + Wide(std::to_string(i)) + u"\n";
    list += u"[DOMAIN_USER_LIST]\ndomainuser\n";
    for (int i = 0; i < 2000; i++) fake.users.push_back(u"local" + Wide(std::to_string(i)));
    ScopedConfigText listFile(list);
    // 4094 names fill base + 2 to base + 0xFFF; the rest, the domain list too, get no id.
    const std::string menu = Submenu(fake, 0x4000);
    EXPECT_NE(menu.find("pc2999 #4bb9\n---\nlocal0 #4bba\n"), std::string::npos);
    const std::string tail = "local1093 #4fff\n---\n---\nCORP #4001\nEnter account name #4000\n";
    EXPECT_EQ(menu.substr(menu.size() - tail.size()), tail);
}

}  // namespace
