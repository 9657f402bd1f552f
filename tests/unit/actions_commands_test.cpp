#include <gtest/gtest.h>

#include <memory>

#include "actions/commands.h"
#include "actions/node_menus.h"
#include "base/text.h"
#include "security/security_platform.h"
#include "tests/unit/actions_fake_platform.h"

namespace {

const uint32_t kFile = 0x20;
const uint32_t kFolder = 0x10;

// One group of paths under a root node, a node to act on, and a choice.
struct Scene {
    FakeActions fake;
    FakeTree tree;
    std::u16string paths;
    MenuChoice choice = MenuChoice();

    Scene(std::vector<std::string> groupPaths, uint32_t attributes) {
        SetSecurityPlatform(nullptr);   // every security query fails: "unknown ..." nodes
        for (const std::string& p : groupPaths) {
            paths += Wide(p);
            paths += u'\0';
            fake.attributes[p] = attributes;
        }
        paths += u'\0';
        TreeItem root = tree.sink.insert(&tree, kTreeRoot, paths.c_str(), 3, MakeItemParam(0, 1));
        tree.sink.insert(&tree, root, u"old child", 1, MakeItemParam(0, 0));
        choice.group = GroupSnapshot{0, (uint32_t)groupPaths.size(), root, paths.c_str(), nullptr, 0};
        choice.attributes = attributes;
        choice.recurseSuffix = u"";
    }

    // The node acted on, under the root.
    void Node(uint32_t kind, const std::u16string& text, uint32_t scope = 0, bool withChild = false) {
        choice.node = tree.sink.insert(&tree, choice.group.root, text.c_str(), 1, MakeItemParam(0, kind) | scope << 16);
        if (withChild) tree.sink.insert(&tree, choice.node, u"Allow : x : y", 21, MakeItemParam(0, 0x0b));
        choice.kind = kind;
        choice.param = MakeItemParam(0, kind) | scope << 16;
        CopyText(choice.nodeText, kNodeTextRoom, text.c_str());
    }

    void Choose(uint32_t id, const std::u16string& text = u"") {
        choice.id = id;
        CopyText(choice.text, kChoiceTextUnits, text.c_str());
        ComposeCommand(&fake.platform, &tree.sink, &choice);
    }

    bool Refreshed() {
        std::vector<TreeItem> kids = tree.Children(choice.group.root);
        return !kids.empty() && tree.node(kids[0]).text != u"old child" && tree.selection == choice.group.root;
    }
};

std::string Compose(uint32_t kind, uint32_t id, uint32_t attributes, const std::u16string& itemText = u"",
                const std::u16string& nodeText = u"Permissions", uint32_t scope = 0, bool withChild = false,
                bool traverse = false) {
    Scene s({"C:\\x"}, attributes);
    s.Node(kind, nodeText, scope, withChild);
    if (traverse) s.choice.recurseSuffix = u" /T";
    s.Choose(id, itemText);
    EXPECT_LE(s.fake.commands.size(), 1u);
    return s.fake.commands.empty() ? "" : s.fake.commands[0];
}

TEST(ActionsCommands, PermissionsHeaderCompositions) {
    // Add allow permission, folder with entries, switch on.
    EXPECT_EQ(Compose(0x0a, 0x1003, kFolder, u"user1", u"Permissions", 0, true, true),
              "icacls C:\\x /grant:r user1:(OI)(CI)(R) /T");
    // Add deny permission on a folder without entries.
    EXPECT_EQ(Compose(0x0a, 0x4002, kFolder, u"user1"), "icacls C:\\x /deny user1:(F)");
    EXPECT_EQ(Compose(0x0a, 0x2002, kFolder, u"user1", u"Permissions", 0, true), "icacls C:\\x /grant:r user1:(R)");
    EXPECT_EQ(Compose(0x0a, 0x2002, kFolder, u"user1"), "icacls C:\\x /grant:r user1:(F)");
    EXPECT_EQ(Compose(0x0a, 0x3002, kFolder, u"user1", u"Permissions", 0, true),
              "icacls C:\\x /grant:r user1:(OI)(CI)(IO)(R)");
    // A file never gets inheritance flags.
    EXPECT_EQ(Compose(0x0a, 0x1002, kFile, u"user1", u"Permissions", 0, true), "icacls C:\\x /grant:r user1:(R)");
    EXPECT_EQ(Compose(0x0a, 0x1001, kFile, u"CORP"), "icacls C:\\x /grant:r CORP:(F)");
    // An account with a space is quoted on its own.
    EXPECT_EQ(Compose(0x0a, 0x1002, kFile, u"Domain Users"), "icacls C:\\x /grant:r \"Domain Users\":(F)");
    // Inheritance switches.
    EXPECT_EQ(Compose(0x0a, 6, kFolder), "icacls C:\\x /inheritance:e");
    EXPECT_EQ(Compose(0x0a, 7, kFolder, u"", u"Permissions", 0, false, true), "icacls C:\\x /inheritance:d /T");
    EXPECT_EQ(Compose(0x0a, 8, kFile), "icacls C:\\x /inheritance:r");
    // Ids this menu never hands out do nothing.
    EXPECT_EQ(Compose(0x0a, 2, kFolder), "");
}

TEST(ActionsCommands, OwnerIntegrityAndAceCompositions) {
    EXPECT_EQ(Compose(0x08, 2, kFolder, u"", u"Ownership : x"), "takeown /f C:\\x /a /r /d Y");
    EXPECT_EQ(Compose(0x10, 10, kFolder, u"", u"Integrity level", 0, false, true), "icacls C:\\x /setintegritylevel L");
    EXPECT_EQ(Compose(0x10, 11, kFile), "icacls C:\\x /setintegritylevel M");
    EXPECT_EQ(Compose(0x10, 12, kFile), "icacls C:\\x /setintegritylevel H");
    EXPECT_EQ(Compose(0x10, 13, kFile), "");
    // Removing a deny ACE's account on a file.
    EXPECT_EQ(Compose(0x0c, 5, kFile, u"Remove", u"Deny : user1 :  Read"), "icacls C:\\x /remove:d user1");
    EXPECT_EQ(Compose(0x0b, 5, kFolder, u"", u"Allow : BUILTIN\\Users : (all) Read", 0xE000, false, true),
              "icacls C:\\x /remove:g BUILTIN\\Users /T");
    // A security identifier gets its '*'; an account with a space its quotes.
    EXPECT_EQ(Compose(0x0b, 5, kFile, u"", u"Allow : S-1-5-21-1-2-3-1001 :  Full Control"),
              "icacls C:\\x /remove:g *S-1-5-21-1-2-3-1001");
    EXPECT_EQ(Compose(0x0c, 5, kFile, u"", u"Deny : NT AUTHORITY\\LOCAL SERVICE :  Read"),
              "icacls C:\\x /remove:d \"NT AUTHORITY\\LOCAL SERVICE\"");
}

TEST(ActionsCommands, AccessTypeChoiceReadsTheListLineAgain) {
    std::u16string text = u"[ACCESS_TYPES]\nModify = M \t\nPercent=%s%d\nbroken line\n";
    ScopedConfigText list(&g_listFile, text);
    Scene s({"C:\\x"}, kFolder);
    s.Node(0x0b, u"Allow : user1 : (all) Modify", 0xE000);
    s.choice.recurseSuffix = u" /T";
    s.choice.data = (uint32_t)text.find(u"Modify");
    s.Choose(0x5000, u"Modify");
    s.choice.data = (uint32_t)text.find(u"Percent");
    s.Choose(0x5001, u"Percent");
    EXPECT_EQ(s.fake.commands, (std::vector<std::string>{"icacls C:\\x /grant:r user1:(OI)(CI)(M) /T",
                                                         "icacls C:\\x /grant:r user1:(OI)(CI)(%s%d) /T"}));
    // A line without '=' (or no line at all) composes nothing and refreshes nothing.
    Scene t({"C:\\x"}, kFile);
    t.Node(0x0c, u"Deny : user1 :  Modify");
    t.choice.data = (uint32_t)text.find(u"broken");
    t.Choose(0x5002, u"broken");
    t.choice.data = (uint32_t)text.size() + 50;
    t.Choose(0x5002, u"gone");
    EXPECT_TRUE(t.fake.commands.empty());
    EXPECT_FALSE(t.Refreshed());
}

TEST(ActionsCommands, SpecialPermissionsDialog) {
    Scene s({"C:\\x"}, kFolder);
    s.Node(0x0c, u"Deny : user1 : (this folder) Read", 0x8000);
    s.fake.specialMask = 0;
    s.Choose(4, u"Special Permissions");
    EXPECT_EQ(s.fake.specialIn, 0x800cu) << "the 16 ItemParam bits above bit 15 go in";
    s.fake.specialMask = 0xF01BF;   // every visible box of a file ACE
    s.Choose(4);
    s.fake.specialMask = 0xF01FF;   // all thirteen
    s.Choose(4);
    s.fake.specialMask = 0x80;
    s.Choose(4);
    EXPECT_EQ(s.fake.commands, (std::vector<std::string>{"icacls C:\\x /deny user1:(N)", "icacls C:\\x /deny user1:(F)",
                                                         "icacls C:\\x /deny user1:(X,RD,RA,REA,WD,AD,WA,WEA,DC,DE,RC,WDAC,WO,S)",
                                                         "icacls C:\\x /deny user1:(RA,S)"}));
    // Cancelled or missing dialog: nothing runs, nothing is refreshed.
    for (int result : {0, -1}) {
        Scene c({"C:\\x"}, kFile);
        c.Node(0x0b, u"Allow : user1 :  Read");
        c.fake.specialResult = result;
        c.Choose(4);
        EXPECT_TRUE(c.fake.commands.empty());
        EXPECT_FALSE(c.Refreshed());
    }
}

TEST(ActionsCommands, EnterAccountName) {
    Scene s({"C:\\x"}, kFolder);
    s.Node(0x0a, u"Permissions", 0, true);
    s.fake.typedAccount = u"new user";
    s.Choose(0x3000, u"Enter account name");
    EXPECT_EQ(s.fake.commands, std::vector<std::string>{"icacls C:\\x /grant:r \"new user\":(OI)(CI)(IO)(R)"});
    EXPECT_TRUE(s.Refreshed());
    for (int result : {0, -1}) {
        Scene c({"C:\\x"}, kFolder);
        c.Node(0x0a, u"Permissions");
        c.fake.accountResult = result;
        c.Choose(0x4000, u"Enter account name");
        EXPECT_EQ(c.fake.dialogsShown, 1);
        EXPECT_TRUE(c.fake.commands.empty());
        EXPECT_FALSE(c.Refreshed());
    }
}

TEST(ActionsCommands, PercentInAccountsIsPlainText) {
    // The hole is where the template put it, not the first "%s" of the line.
    EXPECT_EQ(Compose(0x0a, 0x1002, kFile, u"%s%d%%"), "icacls C:\\x /grant:r %s%d%%:(F)");
    EXPECT_EQ(Compose(0x0c, 5, kFile, u"", u"Deny : a%sb :  Read"), "icacls C:\\x /remove:d a%sb");
    Scene s({"C:\\100%s"}, kFile);
    s.Node(0x0a, u"Permissions");
    s.Choose(0x1002, u"%s");
    EXPECT_EQ(s.fake.commands, std::vector<std::string>{"icacls C:\\100%s /grant:r %s:(F)"});
}

TEST(ActionsCommands, GroupRunsInOrderStopsAtFailureAndRefreshes) {
    Scene s({"C:\\a", "C:\\b c", "C:\\d"}, kFile);
    s.Node(0x0a, u"Permissions");
    s.Choose(6);
    EXPECT_EQ(s.fake.commands, (std::vector<std::string>{"icacls C:\\a /inheritance:e",
                                                         "icacls \"C:\\b c\" /inheritance:e",
                                                         "icacls C:\\d /inheritance:e"}));
    EXPECT_TRUE(s.Refreshed());

    Scene f({"C:\\a", "C:\\b", "C:\\d"}, kFile);
    f.Node(0x08, u"Ownership : x");
    f.fake.results = {true, false};
    f.Choose(2);
    EXPECT_EQ(f.fake.commands.size(), 2u);
    EXPECT_TRUE(f.Refreshed()) << "the refresh runs also after a failure";
    // Rebuilt from the first path: the failure nodes of unreadable security.
    EXPECT_NE(f.tree.Dump().find("unknown ownership"), std::string::npos);
}

TEST(ActionsCommands, ListFilesWritesPathsAndDot) {
    Scene s({"C:\\a", "C:\\b c"}, kFolder);
    s.Node(0x01, u"(2) C:\\a");
    s.Choose(1);
    EXPECT_EQ(s.fake.log, (std::vector<std::string>{"C:\\a", "C:\\b c", "."}));
    EXPECT_TRUE(s.fake.commands.empty());
    EXPECT_FALSE(s.Refreshed());
}

TEST(ActionsCommands, OverlongLinesAreNeverCutNorRun) {
    std::u16string value(4090, u'R');
    std::u16string text = u"[ACCESS_TYPES]\nLong=" + value + u"\n";
    ScopedConfigText list(&g_listFile, text);
    Scene s({"C:\\a", "C:\\b"}, kFile);
    s.Node(0x0b, u"Allow : user1 :  Read");
    s.choice.data = 15;
    s.Choose(0x5000, u"Long");
    EXPECT_TRUE(s.fake.commands.empty());
    ASSERT_EQ(s.fake.log.size(), 1u);
    EXPECT_EQ(s.fake.log[0], "Command line too long, not run: C:\\a");

    // A template that fits, but not with a long path: that path is not run.
    std::u16string fits(4040, u'R');
    ScopedConfigText list2(&g_listFile, u"[ACCESS_TYPES]\nLong=" + fits + u"\n");
    Scene p({"C:\\a", "C:\\" + std::string(40, 'p'), "C:\\c"}, kFile);
    p.Node(0x0b, u"Allow : user1 :  Read");
    p.choice.data = 15;
    p.Choose(0x5000, u"Long");
    ASSERT_EQ(p.fake.commands.size(), 1u);
    EXPECT_EQ(p.fake.commands[0].size(), 4069u);
    EXPECT_EQ(p.fake.log.back(), "Command line too long, not run: C:\\" + std::string(40, 'p'));
}

TEST(ActionsCommands, TemplateFillingAndLimits) {
    CommandTemplate t;
    ComposeTemplate(&t, u"icacls %%s %s%s", u"a%sb", u"");
    EXPECT_EQ(t.hole, 7u);
    EXPECT_FALSE(t.tooLong);
    char16_t out[64];
    ASSERT_TRUE(FillTemplate(&t, u"P", out, 64));
    EXPECT_EQ(Narrow(out), "icacls P a%sb");
    // Exactly 4095 units fit; 4096 do not.
    std::u16string path(4095 - 13 + 1, u'p');
    char16_t line[kCommandUnits];
    EXPECT_TRUE(FillTemplate(&t, path.c_str(), line, kCommandUnits));
    EXPECT_EQ(TextLength(line), 4095u);
    path += u'p';
    EXPECT_FALSE(FillTemplate(&t, path.c_str(), line, kCommandUnits));
    std::u16string huge(5000, u'h');
    ComposeTemplate(&t, u"icacls %%s %s", huge.c_str());
    EXPECT_TRUE(t.tooLong);
    EXPECT_FALSE(FillTemplate(&t, u"P", line, kCommandUnits));
}

TEST(ActionsCommands, QuoteIfSpaced) {
    char16_t buffer[kQuoteUnits];
    auto q = [&](const std::u16string& s) {
        const char16_t* r = QuoteIfSpaced(s.c_str(), buffer, kQuoteUnits);
        return r ? Narrow(r) : std::string("<null>");
    };
    const char16_t* bare = u"C:\\dir\\";
    EXPECT_EQ(QuoteIfSpaced(bare, buffer, kQuoteUnits), bare) << "no space: the text itself";
    EXPECT_EQ(q(u"tab\there"), "\"tab\there\"");
    EXPECT_EQ(q(u"C:\\My Dir"), "\"C:\\My Dir\"");
    // Trailing backslashes are doubled ahead of the closing quote.
    EXPECT_EQ(q(u"C:\\My Dir\\"), "\"C:\\My Dir\\\\\"");
    EXPECT_EQ(q(u"C:\\My Dir\\\\"), "\"C:\\My Dir\\\\\\\\\"");
    // Inner double quotes are escaped, with their backslashes doubled.
    EXPECT_EQ(q(u"a \"b\""), "\"a \\\"b\\\"\"");
    EXPECT_EQ(q(u"a\\\"b c"), "\"a\\\\\\\"b c\"");
    EXPECT_EQ(q(u"x\"y"), "x\\\"y");
    EXPECT_EQ(q(u"in\\side x"), "\"in\\side x\"");
    // Never cut: too long gives null.
    char16_t small[7];
    EXPECT_EQ(QuoteIfSpaced(u"a b c", small, 7), nullptr);
    EXPECT_EQ(QuoteIfSpaced(u"a bc", small, 7), small);
    EXPECT_EQ(Narrow(small), "\"a bc\"");
}

TEST(ActionsCommands, RightsText) {
    char16_t out[128];
    auto r = [&](uint32_t mask) {
        RightsText(mask, out, 128);
        return Narrow(out);
    };
    EXPECT_EQ(r(0), "N");
    EXPECT_EQ(r(0x1F01BF), "F");
    EXPECT_EQ(r(0x0F01BF), "F");
    EXPECT_EQ(r(0x1301BF), "M");
    EXPECT_EQ(r(0x0200A9), "RX");
    EXPECT_EQ(r(0x120089), "R");
    EXPECT_EQ(r(0x010000), "D");
    EXPECT_EQ(r(0x80), "RA,S");
    EXPECT_EQ(r(0xF01FF), "X,RD,RA,REA,WD,AD,WA,WEA,DC,DE,RC,WDAC,WO,S");
    EXPECT_EQ(r(0x40 | 0x20000), "DC,RC,S");
    // Bits without an abbreviation add nothing.
    EXPECT_EQ(r(0x200), "S");
}

TEST(ActionsCommands, InheritanceAndAccountCut) {
    char16_t out[32];
    auto f = [&](uint32_t bits) {
        InheritanceFlagsText(bits, out, 32);
        return Narrow(out);
    };
    EXPECT_EQ(f(0xE000), "(OI)(CI)");
    EXPECT_EQ(f(0x8000), "");
    EXPECT_EQ(f(0x0000), "(IO)");
    EXPECT_EQ(f(0x6000), "(OI)(CI)(IO)");
    EXPECT_EQ(f(0xA000), "(OI)");
    EXPECT_EQ(f(0x4000 | 0x000b), "(CI)(IO)") << "the NodeKind bits are ignored";

    char16_t account[64];
    auto cut = [&](const std::u16string& text) {
        return AccountFromAceText(text.c_str(), account, 64) ? Narrow(account) : std::string("<none>");
    };
    EXPECT_EQ(cut(u"Allow : BUILTIN\\Administrators : (all) Full Control"), "BUILTIN\\Administrators");
    EXPECT_EQ(cut(u"Deny(x) : S-1-5-32-545 :  Read"), "*S-1-5-32-545");
    EXPECT_EQ(cut(u"Erlauben : Jeder :  Lesen"), "Jeder");
    EXPECT_EQ(cut(u"Allow : a"), "<none>");
    EXPECT_EQ(cut(u"no colon"), "<none>");
    EXPECT_EQ(cut(u"Allow :"), "<none>");
    EXPECT_EQ(cut(u"Allow : : x"), "<none>");
}

TEST(ActionsCommands, TakeownAnswerFollowsTheUiLanguage) {
    EXPECT_EQ(TakeownYesLetter(0x0409), u'Y');
    EXPECT_EQ(TakeownYesLetter(0x0809), u'Y');
    EXPECT_EQ(TakeownYesLetter(0x0407), u'J');
    EXPECT_EQ(TakeownYesLetter(0x0c07), u'J');
    EXPECT_EQ(TakeownYesLetter(0x0c0a), u'S');
    EXPECT_EQ(TakeownYesLetter(0x0416), u'S');
    EXPECT_EQ(TakeownYesLetter(0x040c), u'O');
    EXPECT_EQ(TakeownYesLetter(0x0413), u'J');
    EXPECT_EQ(TakeownYesLetter(0x0411), u'Y');
    Scene s({"C:\\x"}, kFolder);
    s.fake.language = 0x0407;
    s.Node(0x08, u"Ownership : x");
    s.Choose(2);
    EXPECT_EQ(s.fake.commands, std::vector<std::string>{"takeown /f C:\\x /a /r /d J"});
}

}  // namespace
