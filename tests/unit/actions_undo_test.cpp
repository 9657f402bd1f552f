#include <gtest/gtest.h>

#include <functional>

#include "actions/commands.h"
#include "actions/undo.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/security_fakes.h"

namespace {

using namespace fake_security;
using Lines = std::vector<std::string>;

const Bytes kDacl = MakeDescriptor(0x1404, {}, {},   // P and AI
                                   MakeAcl({MakeAce(0, 0x10, 0x1F01FF, kEveryone), MakeAce(0, 0, 0x1200A9, kUsers)}));
const std::u16string kDaclLine = u"D:PAI(A;ID;0x1f01ff;;;S-1-1-0)(A;;0x1200a9;;;S-1-5-32-545)\r\n";
Bytes Label(uint32_t level) { return SaclPart(MakeAcl({MakeAce(0x11, 0, 1, MakeSid(16, {level}))})); }

std::string Utf16Le(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += {(char)(c & 0xFF), (char)(c >> 8)};
    return out;
}

// What the command line names first: the path of a change.
std::u16string FirstArgument(const std::u16string& line) {
    const size_t start = line.find(u' ') + 1;
    const bool quoted = line[start] == u'"';
    const size_t end = line.find(quoted ? u'"' : u' ', start + 1);
    return line.substr(start + quoted, end - start - quoted);
}

// One group of files with the same security; a change's commands make
// `change` alter what the fake system holds for the path they name.
struct UndoScene {
    ScopedFakeSecurity security;
    FakeActions fake;
    FakeTree tree;
    std::u16string paths;
    inline static std::function<void(std::map<uint32_t, Bytes>&)> change;

    explicit UndoScene(const std::vector<std::u16string>& names, std::map<uint32_t, Bytes> parts = {}) {
        parts.insert({{kOwnerInformation, OwnerPart(kAdmins)}, {kDaclInformation, kDacl}});
        for (const std::u16string& p : names) {
            security.paths[p] = parts;
            security.attributes[p] = fake.attributes[Narrow(p)] = kFile;
            AddPath(&tree.sink, p.c_str(), kFile);
            paths += p + u'\0';
        }
        FlushGroupRootTexts(&tree.sink);
        tree.sink.select(&tree, tree.Children(kTreeRoot)[0]);
        fake.platform.runCommand = [](void* owner, char16_t* line) {
            const std::u16string text = line;
            if (change && text.find(u"/restore") == std::u16string::npos)
                change(ScopedFakeSecurity::current->paths[FirstArgument(text)]);
            return FakeActions::Run(owner, line);
        };
    }
    ~UndoScene() {
        change = nullptr;
        ForgetUndo();
        ClearGroups();
    }
    void Change(uint32_t kind, uint32_t id, const char16_t* suffix = u"") {
        MenuChoice choice = MenuChoice();
        EXPECT_TRUE(ReadGroup(0, &choice.group));
        choice.group.paths = paths.c_str();
        choice.kind = kind;
        choice.id = id;
        choice.attributes = kFile;
        choice.recurseSuffix = suffix;
        ActOnChoice(&fake.platform, &tree.sink, &choice);
    }
    // Ctrl+Z on the selected node; the commands and log lines it added.
    std::pair<Lines, Lines> Undo() {
        const size_t commands = fake.commands.size(), log = fake.log.size();
        UndoOnSelectedNode(&fake.platform, &tree.sink);
        return {Lines(fake.commands.begin() + commands, fake.commands.end()),
                Lines(fake.log.begin() + log, fake.log.end())};
    }
};

TEST(ActionsUndo, RestoreFilesHoldTheDaclOfEachPathRunOnFolderByFolder) {
    UndoScene s({u"C:\\d\\a b.txt", u"C:\\e\\x", u"C:\\d\\\u00fc.txt"});
    s.change = [](std::map<uint32_t, Bytes>& parts) { parts[kDaclInformation] = DaclPart(MakeAcl({})); };
    s.Change(kKindPermissions, kCmdInheritanceRemove);
    ASSERT_TRUE(UndoOffered(0));
    const auto [commands, log] = s.Undo();
    EXPECT_EQ(commands, (Lines{"icacls C:\\d /restore \"T:\\tmp 0.acl\"", "icacls C:\\e /restore \"T:\\tmp 1.acl\""}));
    ASSERT_EQ(s.fake.written.size(), 2u);
    // UTF-16LE without a byte-order mark, CR LF after every line.
    EXPECT_EQ(s.fake.written[0].substr(0, 4), std::string("a\0 \0", 4));
    EXPECT_EQ(s.fake.written[0], Utf16Le(u"a b.txt\r\n" + kDaclLine + u"\u00fc.txt\r\n" + kDaclLine));
    EXPECT_EQ(s.fake.written[1], Utf16Le(u"x\r\n" + kDaclLine));
    EXPECT_TRUE(s.fake.files.empty()) << "each file is deleted after its run";
    EXPECT_EQ(log, Lines{"No undo: an undo is not undone."});
    EXPECT_EQ(Narrow(s.tree.node(s.tree.selection).text), "(3) C:\\d\\a b.txt") << "regrouped as one again";
}

TEST(ActionsUndo, OwnerAndLabelAreSetBackOnlyWhereTheyDiffer) {
    // No label before: Medium is set, and the log says so; a null DACL restores as such.
    {
    UndoScene s({u"C:\\a", u"C:\\b"}, {{kDaclInformation, MakeDescriptor(0x0004, {}, {}, {})},
                                       {kLabelInformation, SaclPart(MakeAcl({}))}});
    s.change = [](std::map<uint32_t, Bytes>& parts) {
        parts[kOwnerInformation] = OwnerPart(kUsers);
        parts[kLabelInformation] = Label(0x3000);
    };
    s.Change(kKindIntegrity, kCmdIntegrityHigh);
    s.security.paths[u"C:\\b"][kOwnerInformation] = OwnerPart(kAdmins);   // set back by hand meanwhile
    const auto [commands, log] = s.Undo();
    EXPECT_EQ(commands, (Lines{"icacls C:\\ /restore \"T:\\tmp 0.acl\"", "icacls C:\\a /setintegritylevel M",
                               "icacls C:\\a /setowner *S-1-5-32-544", "icacls C:\\b /setintegritylevel M"}));
    EXPECT_EQ(s.fake.written[0], Utf16Le(u"a\r\nD:NO_ACCESS_CONTROL\r\nb\r\nD:NO_ACCESS_CONTROL\r\n"));
    EXPECT_EQ(log, (Lines{"No integrity label before the change, Medium is set: C:\\a",
                          "No integrity label before the change, Medium is set: C:\\b",
                          "No undo: an undo is not undone."}));
    }
    // A label that was there comes back at its level; a changed SACL is only named.
    UndoScene t({u"C:\\c"}, {{kLabelInformation, Label(0x1000)}, {kSaclInformation, SaclPart(MakeAcl({}))}});
    t.change = [](std::map<uint32_t, Bytes>& parts) {
        parts[kLabelInformation] = Label(0x2000);
        parts[kSaclInformation] = SaclPart(MakeAcl({MakeAce(2, 0x40, 1, kEveryone)}));
    };
    t.Change(kKindIntegrity, kCmdIntegrityMedium);
    EXPECT_EQ(t.Undo(),
              std::make_pair(Lines{"icacls C:\\ /restore \"T:\\tmp 0.acl\"", "icacls C:\\c /setintegritylevel L"},
                             Lines{"Auditing changed, no command restores it: C:\\c",
                                   "No undo: an undo is not undone."}));
}

TEST(ActionsUndo, ARunStoppedByAFailureIsUndoneForThePathsItRanOn) {
    UndoScene s({u"C:\\a", u"C:\\b", u"C:\\c"});
    s.change = [](std::map<uint32_t, Bytes>& parts) { parts[kOwnerInformation] = OwnerPart(kUsers); };
    s.fake.results = {true, false, true};
    s.Change(kKindPermissions, kCmdInheritanceOn);
    EXPECT_EQ(s.fake.commands.size(), 2u);
    const auto [commands, log] = s.Undo();
    EXPECT_EQ(commands, (Lines{"icacls C:\\ /restore \"T:\\tmp 0.acl\"", "icacls C:\\a /setowner *S-1-5-32-544",
                               "icacls C:\\b /setowner *S-1-5-32-544"}));
    EXPECT_EQ(s.fake.written[0], Utf16Le(u"a\r\n" + kDaclLine + u"b\r\n" + kDaclLine));
    ForgetUndo();
    ClearGroups();
    // The undo stops at its own first failure too, and is not offered again.
    UndoScene t({u"C:\\a", u"C:\\b"});
    t.change = [](std::map<uint32_t, Bytes>& parts) { parts[kOwnerInformation] = OwnerPart(kUsers); };
    t.Change(kKindPermissions, kCmdInheritanceOn);
    t.fake.results = {true, true, true, false};
    EXPECT_EQ(t.Undo().first.size(), 2u);
    EXPECT_FALSE(UndoOffered(0));
}

TEST(ActionsUndo, NotOfferedAfterAChangeBelowTheFoldersAReadingAnewOrAnUndo) {
    UndoScene s({u"C:\\a"});
    EXPECT_EQ(s.Undo().second, Lines{"No undo: no change was made."});
    s.Change(kKindPermissions, kCmdInheritanceOn, u" /T");
    EXPECT_FALSE(UndoOffered(0));
    EXPECT_EQ(s.fake.log.back(), "No undo: the change reached below the folders, where nothing was read.");
    s.Change(kKindPermissions, kCmdInheritanceOn);
    EXPECT_TRUE(UndoOffered(0));
    EXPECT_FALSE(UndoOffered(1));
    // The path node's menu offers it, last before "Copy report".
    MenuModel menu;
    MenuInit(&menu);
    const char16_t* suffix;
    BuildNodeMenu(&s.fake.platform, &menu, kKindPathRoot, kFile, &suffix, UndoOffered(0));
    EXPECT_EQ(DumpMenu(&menu), "list files #1\nUndo last change #800\nCopy report #d\n");
    MenuFree(&menu);
    s.Undo();
    EXPECT_EQ(s.Undo(), std::make_pair(Lines{}, Lines{"No undo: an undo is not undone."}));
    // A drop reads every path anew: the same index names another group.
    s.Change(kKindPermissions, kCmdInheritanceOn);
    ClearGroups();
    AddPath(&s.tree.sink, u"C:\\a", kFile);
    EXPECT_FALSE(UndoOffered(0));
    EXPECT_EQ(s.Undo().second, Lines{"No undo: the paths were read anew since the last change."});
}

TEST(ActionsUndo, PathsThatCannotStandInARestoreFileRunNothing) {
    char16_t folder[kFullPathUnits];
    const char16_t* name = nullptr;
    const std::pair<const char16_t*, const char16_t*> splits[] = {
        {u"C:\\a", u"C:\\"}, {u"C:\\d\\e\\f", u"C:\\d\\e"}, {u"\\\\s\\share\\f", u"\\\\s\\share"},
        {u"C:\\", nullptr},  {u"\\\\s\\share", nullptr},    {u"C:\\d\\a\r\nD:(A;;FA;;;WD)", nullptr}};
    for (const auto& [path, expected] : splits) {
        EXPECT_EQ(SplitRestorePath(path, folder, &name), expected != nullptr) << Narrow(path);
        if (expected) {
            EXPECT_EQ(Narrow(folder), Narrow(expected));
        }
    }
    UndoScene s({u"C:\\d\\ok", u"C:\\d\\x\ny"});
    s.Change(kKindPermissions, kCmdInheritanceOn);
    EXPECT_EQ(s.Undo(), std::make_pair(Lines{}, Lines{"Not restored, no command may name this path: C:\\d\\x\ny",
                                                      "No undo: an undo is not undone."}));
    EXPECT_TRUE(s.fake.written.empty());
}

}  // namespace
