#include <gtest/gtest.h>

#include <map>

#include "actions/commands.h"
#include "base/item_param.h"
#include "exec/activity.h"
#include "security/security_platform.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/security_fakes.h"

namespace {

using Lines = std::vector<std::string>;

const uint32_t kEntries = 1;    // the acted-on node has a child
const uint32_t kTraverse = 2;   // the menu set " /T"
const uint32_t kJunction = 0x410;

std::string Cmd(const std::string& path) { return "icacls " + path + " /inheritance:e /T"; }
const char kNoUndoBelow[] = "No undo: the change reached below the folders, where nothing was read.";

using fake_security::Bytes;
using fake_security::MakeSid;

// Accounts an ACE of the scene may name, by the name the tree shows.
const std::map<std::u16string, Bytes> kSids = {
    {u"BUILTIN\\Users", fake_security::kUsers}, {u"S-1-5-21-7-1001", MakeSid(5, {21, 7, 1001})},
    {u"LOCAL SERVICE", MakeSid(5, {19})},       {u"a%sb", MakeSid(5, {21, 9, 1})},
    {u"user1", MakeSid(5, {21, 9, 1001})},      {u"CORP\\Team : Ops", MakeSid(5, {21, 9, 2})}};

// The ACE flags that give these scope bits on a folder.
uint8_t FlagsOfScope(uint32_t scope, uint32_t attributes) {
    if (!(attributes & kFolder)) return 0;
    return (scope & 0x2000 ? 0x01 : 0) | (scope & 0x4000 ? 0x02 : 0) | (scope & 0x8000 ? 0 : 0x08);
}

// A stored group of paths whose DACL holds an inherited entry and then the
// entry of the account, of the node's kind; its root has one old child, and
// a node under the root to act on carries the entry's identity.
struct Scene {
    fake_security::ScopedFakeSecurity security;
    FakeActions fake;
    FakeTree tree;
    std::u16string paths;
    MenuChoice choice = MenuChoice();

    Scene(const Lines& groupPaths, uint32_t attributes, uint32_t kind, const std::u16string& account = u"user1",
          uint32_t scope = 0, uint32_t options = 0) {
        for (const auto& [name, sid] : kSids) {
            const size_t slash = name.find(u'\\');
            if (name.rfind(u"S-1-", 0) != 0)
                security.accounts[sid] = slash == std::u16string::npos
                                             ? std::make_pair(name, std::u16string())
                                             : std::make_pair(name.substr(slash + 1), name.substr(0, slash));
        }
        const uint8_t type = kind == kKindDenyAce ? 1 : 0;
        const Bytes dacl = fake_security::MakeAcl({fake_security::MakeAce(0, 0x10, 0x1F01FF, fake_security::kEveryone),
                                                   fake_security::MakeAce(type, FlagsOfScope(scope, attributes),
                                                                          0x1200A9, kSids.at(account))});
        for (const std::string& p : groupPaths) {
            paths += Wide(p) + u'\0';
            fake.attributes[p] = security.attributes[Wide(p)] = attributes;
            security.paths[Wide(p)] = {{kOwnerInformation, fake_security::OwnerPart(fake_security::kAdmins)},
                                       {kDaclInformation, fake_security::DaclPart(dacl)}};
            AddPath(&tree.sink, Wide(p).c_str(), attributes);
        }
        FlushGroupRootTexts(&tree.sink);
        EXPECT_TRUE(ReadGroup(0, &choice.group) && GroupCount() == 1);
        // The identity of the tree's node of the account's entry, the second of the DACL.
        for (const FakeNode& n : tree.nodes)
            if (n.alive && NodeEntry(n.param) == 1 && (kind == kKindAllowAce || kind == kKindDenyAce))
                choice.nodeId = n.param;
        EXPECT_TRUE(choice.nodeId || (kind != kKindAllowAce && kind != kKindDenyAce));
        TakeChosenEntry(&choice.group, choice.nodeId, kind, &choice.entry);
        const TreeItem root = choice.group.root;
        for (TreeItem child : tree.Children(root)) tree.sink.remove(&tree, child);
        tree.sink.insert(&tree, root, u"old child", 1, 0);
        choice.group.paths = paths.c_str();   // a copy, as the menu takes it
        choice.group.signature = nullptr;
        choice.group.security = nullptr;
        choice.attributes = attributes;
        choice.recurseSuffix = (options & kTraverse) ? u" /T" : u"";
        choice.kind = kind;
        choice.node = tree.sink.insert(&tree, root, u"the node", 1, choice.nodeId);
        if (options & kEntries)
            tree.sink.insert(&tree, choice.node, u"Allow : x : y", kGlyphAllow, MakeItemParam(0, kKindAllowAce));
    }
    ~Scene() { ClearGroups(); }
    void Choose(uint32_t id, const std::u16string& text = u"", uint32_t data = 0) {
        choice.id = id;
        choice.data = data;
        CopyText(choice.text, kChoiceTextUnits, text.c_str());
        ActOnChoice(&fake.platform, &tree.sink, &choice);
    }
    bool Refreshed() {
        std::vector<TreeItem> kids = tree.Children(choice.group.root);
        return !kids.empty() && tree.node(kids[0]).text != u"old child" && tree.selection == choice.group.root;
    }
};

// The chosen item's text also finds an access type's line; command is "" when nothing runs.
// account: the entry's account on ACE nodes.
struct Row { uint32_t kind, id, attributes, scope, options; const char16_t *item, *account; const char* command; };

const std::u16string kAccessTypes = u"[ACCESS_TYPES]\nModify = M \t\nInject = F) /grant *S-1-1-0:(F\nbroken line\n";

// The one command a choice on the group "C:\x" runs.
std::string Compose(const Row& row, int dialogResult = 1, uint16_t language = 0x0409) {
    ScopedConfigText list(kAccessTypes);
    Scene s({"C:\\x"}, row.attributes, row.kind, row.account, row.scope, row.options);
    s.fake.dialogResult = dialogResult;
    s.fake.language = language;
    const size_t line = kAccessTypes.find(row.item);
    s.Choose(row.id, row.item, line == std::u16string::npos ? 0xFFFFFF : (uint32_t)line);
    if (row.id == kCmdSpecialPermissions) {
        EXPECT_EQ(s.fake.specialIn, row.scope | row.kind);
    }
    EXPECT_EQ(s.Refreshed(), !s.fake.commands.empty()) << "refreshed exactly when a template was composed";
    return s.fake.commands.empty() ? "" : s.fake.commands[0];
}

const char16_t kUser[] = u"user1";   // the account of the scene's entry where the row does not act on it

const Row kRows[] = {
    // Add-permission submenus: the letter from the header's children, flags by range for folders only.
    {0x0a, 0x1003, kFolder, 0, kEntries | kTraverse, u"user1", kUser, "icacls C:\\x /grant:r user1:(OI)(CI)(R) /T"},
    {0x0a, 0x4002, kFolder, 0, 0, u"user1", kUser, "icacls C:\\x /deny user1:(F)"},
    {0x0a, 0x2002, kFolder, 0, kEntries, u"user1", kUser, "icacls C:\\x /grant:r user1:(R)"},
    {0x0a, 0x3002, kFolder, 0, kEntries, u"user1", kUser, "icacls C:\\x /grant:r user1:(OI)(CI)(IO)(R)"},
    {0x0a, 0x1002, kFile, 0, 0, u"Domain Users", kUser, "icacls C:\\x /grant:r \"Domain Users\":(F)"},
    {0x0a, 0x1002, kFile, 0, 0, u"%s%d%%", kUser, "icacls C:\\x /grant:r %s%d%%:(F)"},
    {0x0a, 0x3000, kFolder, 0, kEntries, u"Enter account name", kUser, "icacls C:\\x /grant:r \"new user\":(OI)(CI)(IO)(R)"},
    // Inheritance switches.
    {0x0a, 6, kFolder, 0, 0, u"", kUser, "icacls C:\\x /inheritance:e"},
    {0x0a, 7, kFolder, 0, kTraverse, u"", kUser, "icacls C:\\x /inheritance:d /T"},
    {0x0a, 8, kFile, 0, 0, u"", kUser, "icacls C:\\x /inheritance:r"},
    // Owner and integrity never take the suffix.
    {0x08, 2, kFolder, 0, kTraverse, u"", kUser, "takeown /f C:\\x /a /r /d Y"},
    {0x10, 10, kFolder, 0, kTraverse, u"", kUser, "icacls C:\\x /setintegritylevel L"},
    {0x10, 11, kFile, 0, 0, u"", kUser, "icacls C:\\x /setintegritylevel M"},
    {0x10, 12, kFile, 0, 0, u"", kUser, "icacls C:\\x /setintegritylevel H"},
    // ACE nodes: the account and scope from the group's DACL entry; the dialog answers Read Attributes.
    {0x0b, 5, kFolder, 0xE000, kTraverse, u"", u"BUILTIN\\Users", "icacls C:\\x /remove:g BUILTIN\\Users /T"},
    {0x0b, 5, kFile, 0, 0, u"", u"S-1-5-21-7-1001", "icacls C:\\x /remove:g *S-1-5-21-7-1001"},
    {0x0c, 5, kFile, 0, 0, u"", u"LOCAL SERVICE", "icacls C:\\x /remove:d \"LOCAL SERVICE\""},
    {0x0c, 5, kFile, 0, 0, u"", u"a%sb", "icacls C:\\x /remove:d a%sb"},
    // The separators of a node's text inside an account name.
    {0x0c, 5, kFile, 0, 0, u"", u"CORP\\Team : Ops", "icacls C:\\x /remove:d \"CORP\\Team : Ops\""},
    {0x0c, 4, kFolder, 0xA000, 0, u"", u"user1", "icacls C:\\x /deny user1:(OI)(RA,S)"},
    {0x0b, 0x5000, kFolder, 0xE000, kTraverse, u"Modify", u"user1", "icacls C:\\x /grant:r user1:(OI)(CI)(M) /T"},
    // An access-type line that is more than rights, without '=' or not there at all.
    {0x0b, 0x5001, kFolder, 0xE000, kTraverse, u"Inject", u"user1", ""},
    {0x0c, 0x5002, kFile, 0, 0, u"broken", u"user1", ""},
    {0x0c, 0x5002, kFile, 0, 0, u"gone", u"user1", ""},
};

TEST(ActionsCommands, EveryCompositionYieldsItsExactCommandLine) {
    for (const Row& row : kRows) EXPECT_EQ(Compose(row), row.command) << Narrow(row.account) << " " << row.id;
    // A dialog that can't be shown runs nothing (the Windows tests cancel them).
    EXPECT_EQ(Compose({0x0b, 4, kFile, 0, 0, u"", kUser, ""}, -1), "");
    EXPECT_EQ(Compose({0x0a, 0x4000, kFolder, 0, 0, u"Enter account name", kUser, ""}, -1), "");
    // takeown gets the yes letter of the system's language.
    EXPECT_EQ(Compose({0x08, 2, kFolder, 0, 0, u"", kUser, ""}, 1, 0x0407), "takeown /f C:\\x /a /r /d J");
}

TEST(ActionsCommands, GroupWalkAbortsAtTheFirstFailureAndRefreshes) {
    Scene w({"C:\\a", "C:\\b", "C:\\c"}, kFolder, 0x0a, kUser, 0, kTraverse);
    w.fake.folders = {{"C:\\a", {{"x", kFile}}}, {"C:\\b", {{"y", kFile}, {"z", kFile}}}, {"C:\\c", {{"w", kFile}}}};
    w.fake.results = {true, false};
    w.Choose(kCmdInheritanceTree);
    EXPECT_EQ(w.fake.commands, (Lines{Cmd("C:\\a\\x"), Cmd("C:\\b\\y")}));
    EXPECT_EQ(w.fake.log, (Lines{"Aborted.", kNoUndoBelow}));
    EXPECT_TRUE(w.Refreshed());
}

TEST(ActionsCommands, AStopDuringACommandStartsNoFurtherPath) {
    // The stop arrives while the second command runs, which ends normally or
    // is ended by the user (and fails); the group and the walk both end
    // there, and the next activity starts afresh.
    for (uint32_t id : {kCmdInheritanceOn, kCmdInheritanceTree}) {
        for (bool ended : {false, true}) {
            Scene s({"C:\\a", "C:\\b", "C:\\c"}, kFile, 0x0a);
            s.fake.results = {true, !ended};
            s.fake.platform.runCommand = [](void* owner, char16_t* line) {
                if (FakeActions::current->commands.size() == 1) RequestStop(false);
                return FakeActions::Run(owner, line);
            };
            BeginActivity();
            s.Choose(id);
            EXPECT_FALSE(EndActivity());
            EXPECT_EQ(s.fake.commands.size(), 2u);
            Lines log{ended ? "Stopped: 1 of 3 paths done." : "Stopped: 2 of 3 paths done."};
            if (id == kCmdInheritanceTree) log.push_back(kNoUndoBelow);
            EXPECT_EQ(s.fake.log, log);
            EXPECT_TRUE(s.Refreshed());
        }
    }
    EXPECT_FALSE(StopRequested());
}

TEST(ActionsCommands, OverlongLinesAreNeitherCutNorRun) {
    // With a 4066-unit value the line for C:\a is 4095 units long; C:\ab makes 4096 and stops the group.
    std::u16string rights;
    while (rights.size() < 4064) rights += u"X,";
    ScopedConfigText list(u"[ACCESS_TYPES]\nLong=" + rights + u"RD\n");
    Scene s({"C:\\a", "C:\\ab", "C:\\c"}, kFile, 0x0b);
    s.Choose(0x5000, u"Long", 15);
    EXPECT_EQ(s.fake.commands, Lines{"icacls C:\\a /grant:r user1:(" + Narrow(rights.c_str()) + "RD)"});
    EXPECT_EQ(s.fake.log, Lines{"Command line too long, not run: C:\\ab"});
    EXPECT_TRUE(s.Refreshed());
    // A quoted path far past 1024 units still runs while its line fits.
    Scene q({"C:\\a b" + std::string(1100, 'q')}, kFile, 0x0a);
    q.Choose(kCmdInheritanceOn);
    EXPECT_EQ(q.fake.commands.size(), 1u);
}

TEST(ActionsCommands, EmptyAndOverlongAccountNamesRunNothing) {
    // 255 units fit; a 256th shows a name longer than the menu or the dialog could hand over.
    const std::string fits(255, 'a');
    const std::pair<std::string, std::string> rows[] = {
        {"", "Aborted."}, {fits + "b", "Account name too long, not run: " + fits + "b"}, {fits, ""}};
    for (uint32_t id : {0x1000u, 0x1002u})   // typed, listed
        for (const auto& row : rows) {
            Scene s({"C:\\x"}, kFile, 0x0a);
            s.fake.typedName = Wide(row.first);
            s.Choose(id, Wide(row.first));
            const bool runs = row.second.empty();
            EXPECT_EQ(s.fake.commands, runs ? Lines{"icacls C:\\x /grant:r " + fits + ":(F)"} : Lines{});
            EXPECT_EQ(s.fake.log, runs ? Lines{} : Lines{row.second});
            EXPECT_EQ(s.Refreshed(), runs);
        }
}

// A change that leaves the group equal to an earlier one joins the two: one
// root for one security state, and that root selected.
TEST(ActionsCommands, AChangeThatMakesAGroupEqualAnEarlierOneJoinsItThere) {
    using namespace fake_security;
    ScopedFakeSecurity security;
    FakeActions fake;
    FakeTree tree;
    const Bytes dacl = DaclPart(MakeAcl({MakeAce(0, 0, 0x1F01FF, kUsers)}));
    for (auto [path, owner] : {std::pair{u"C:\\a", kUsers}, {u"C:\\b", kAdmins}}) {
        security.paths[path] = {{kOwnerInformation, OwnerPart(owner)}, {kDaclInformation, dacl}};
        security.attributes[path] = kFile;
        AddPath(&tree.sink, path, kFile);
    }
    FlushGroupRootTexts(&tree.sink);
    MenuChoice choice = MenuChoice();
    ASSERT_TRUE(ReadGroup(1, &choice.group));
    choice.kind = kKindOwner;
    choice.id = kCmdTakeOwnership;
    choice.recurseSuffix = u"";
    fake.platform.runCommand = [](void* owner, char16_t* line) {
        ScopedFakeSecurity::current->paths[u"C:\\b"][kOwnerInformation] = OwnerPart(kUsers);
        return FakeActions::Run(owner, line);
    };
    ActOnChoice(&fake.platform, &tree.sink, &choice);
    EXPECT_EQ(fake.commands, Lines{"takeown /f C:\\b /a /r /d Y"});
    GroupSnapshot first;
    ASSERT_TRUE(ReadGroup(0, &first) && !ReadGroup(1, &choice.group));
    EXPECT_EQ(tree.Children(kTreeRoot), std::vector<TreeItem>{first.root});
    EXPECT_EQ(Narrow(tree.node(first.root).text), "(2) C:\\a");
    EXPECT_EQ(tree.selection, first.root);
    ClearGroups();
}

// Stopping at the first failure: GroupWalkAbortsAtTheFirstFailureAndRefreshes.
TEST(ActionsWalk, OnlyFilesReceiveTheCommandDepthFirst) {
    FakeActions fake;
    fake.folders = {{"C:\\top", {{"a.txt", kFile}, {"sub dir", kFolder}, {"z.txt", kFile | 0x1}}},
                    {"C:\\top\\sub dir", {{"inner", kFolder}, {"b.txt", kFile}}},
                    {"C:\\top\\sub dir\\inner", {}}, {"C:\\empty", {}}};
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\empty", kFolder));
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\f.txt", kFile));
    EXPECT_EQ(fake.commands, (Lines{Cmd("C:\\top\\a.txt"), Cmd("\"C:\\top\\sub dir\\b.txt\""), Cmd("C:\\top\\z.txt"),
                                    Cmd("C:\\f.txt")}));
    // A folder that can't be listed fails there; unreadable attributes count as a folder.
    fake.folders["C:\\top\\sub dir"] = {{"gone", kFolder}, {"later", kFile}};
    fake.commands.clear();
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands, Lines{Cmd("C:\\top\\a.txt")});
    EXPECT_FALSE(EnableInheritanceTree(&fake.platform, u"C:\\nothing", 0xFFFFFFFF));
    EXPECT_EQ(fake.openListings, 0) << "every listing is closed";
}

TEST(ActionsWalk, LinksAreLoggedNotEnteredFoldersLeadingBackAreWalkedOnce) {
    FakeActions fake;
    fake.folders = {{"C:\\top", {{"f", kFile}, {"out", kJunction}, {"file link", kFile | 0x400}, {"sub", kFolder}}},
                    {"C:\\top\\sub", {{"back", kFolder}, {"g", kFile}}}, {"D:\\elsewhere", {{"x", kFile}}}};
    fake.links = {{"C:\\top\\out", "D:\\elsewhere"},
                  {"C:\\top\\sub\\back", "C:\\top"}};   // followed by a file server: a plain folder here
    EXPECT_TRUE(EnableInheritanceTree(&fake.platform, u"C:\\top", kFolder));
    EXPECT_EQ(fake.commands, (Lines{Cmd("C:\\top\\f"), Cmd("C:\\top\\sub\\g")}));
    EXPECT_EQ(fake.log, (Lines{"skipped link: C:\\top\\out", "skipped link: C:\\top\\file link"}));
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
