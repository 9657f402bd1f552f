// The tree as report text: the console report, the clipboard and "Copy report"
// all say the same.
#include <gtest/gtest.h>

#include "actions/commands.h"
#include "actions/node_menus.h"
#include "base/heap.h"
#include "base/item_param.h"
#include "report/json_report.h"
#include "report/report_run.h"
#include "report/tree_text.h"
#include "security/groups.h"
#include "tests/unit/actions_fake_platform.h"
#include "tests/unit/fake_tree.h"
#include "tests/unit/security_fakes.h"

using namespace fake_security;

namespace {

std::u16string Taken(char16_t* text) {
    std::u16string s = text ? text : u"(null)";
    HeapFreeBytes(text);
    return s;
}

const char16_t kMusic[] = u"C:\\\u00c4rger \u2713 \U0001D11E";

}  // namespace

TEST(ReportText, GroupsWithTheirOtherPathsTwoSpacesPerLevelInUnicode) {
    ScopedFakeSecurity fake;
    for (const char16_t* path : {u"C:\\a", kMusic, u"C:\\other"})
        fake.paths[path] = {{kOwnerInformation, OwnerPart(path[3] == u'o' ? kUsers : kAdmins)},
                            {kDaclInformation, DaclPart(MakeAcl({MakeAce(0, 0x13, 0x001F01FF, kUsers)}))}};
    FakeTree tree;
    const TreeSink& sink = tree.sink;
    for (const char16_t* path : {u"C:\\a", u"C:\\x*", kMusic, u"C:\\other"}) AddPath(&sink, path, 0x10);
    FlushGroupRootTexts(&sink);

    const std::u16string whole = Taken(NodeReportText(&sink, kTreeRoot, true));
    const std::u16string group = u"  attributes []\r\n    Readonly\r\n    Hidden\r\n";
    const std::u16string acl = u"  Permissions\r\n    Allow(inherit) : BUILTIN\\Users : (all) Full Control\r\n"
                               u"  unknown auditing\r\n  unknown integrity level\r\n";
    EXPECT_EQ(whole, u"(2) C:\\a\r\n  = " + std::u16string(kMusic) + u"\r\n" + group +
                         u"  Ownership : BUILTIN\\Administrators\r\n" + acl + u"unknown name : C:\\x*\r\n" +
                         u"C:\\other\r\n" + group + u"  Ownership : BUILTIN\\Users\r\n" + acl);

    TreeItem root = tree.Children(kTreeRoot)[0];
    TreeItem permissions = tree.Children(root)[2];
    EXPECT_EQ(Narrow(Taken(NodeReportText(&sink, permissions, true))),
              "Permissions\r\n  Allow(inherit) : BUILTIN\\Users : (all) Full Control\r\n");
    EXPECT_EQ(Narrow(Taken(NodeReportText(&sink, permissions, false))), "Permissions");

    FakeActions actions;
    MenuChoice choice = MenuChoice();
    choice.kind = kKindPathRoot;
    choice.id = kCmdCopyReport;
    ActOnChoice(&actions.platform, &sink, &choice);
    EXPECT_EQ(actions.copied, std::vector<std::u16string>{whole});
    ClearGroups();
}

namespace {

bool Collect(void* context, const char16_t* text, uint32_t units) {
    static_cast<std::u16string*>(context)->append(text, units);
    return true;
}

size_t Count(const std::u16string& text, const std::u16string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::u16string::npos; at = text.find(part, at + 1)) n++;
    return n;
}

}  // namespace

// Past 16 bits: each group's nodes name it by its full index, and every
// group reaches the text and JSON writers and the clipboard.
TEST(ReportText, MoreGroupsThanSixteenBitsReachEveryWriter) {
    ScopedFakeSecurity fake;
    for (const char16_t* path : {u"C:\\p", u"C:\\q"})
        fake.paths[path] = {{kOwnerInformation, OwnerPart(kAdmins)},
                            {kDaclInformation, DaclPart(MakeAcl({MakeAce(0, 0, 0x001F01FF, kUsers)}))}};
    FakeTree tree;
    const uint32_t total = 0x10002;
    for (uint32_t i = 0; i < total; i++) AddPath(&tree.sink, u"C:\\p", i << 6);   // each its own attributes
    AddPath(&tree.sink, u"C:\\q", (total - 1) << 6);
    FlushGroupRootTexts(&tree.sink);
    ASSERT_EQ(GroupCount(), total);
    const TreeItem last = tree.Children(kTreeRoot).back();
    EXPECT_EQ(ItemGroup(NodeParam(tree.node(last).param)), kNoGroup) << "the ItemParam is as it was";
    for (TreeItem node : {last, tree.Children(last).back()}) EXPECT_EQ(NodeGroup(tree.node(node).param), total - 1);
    EXPECT_EQ(Narrow(Taken(NodeReportText(&tree.sink, last, true))).substr(0, 32),
              "(2) C:\\p\r\n  = C:\\q\r\n  attributes");

    std::u16string json, text;
    ReportOut* out = new ReportOut;
    ReportOutInit(out, ReportTarget{&json, Collect});
    const WalkGaps noGaps = {nullptr, 0};
    EXPECT_TRUE(WriteJsonReport(out, &noGaps));
    OutFlush(out, true);
    ReportOutInit(out, ReportTarget{&text, Collect});
    WriteReportLines(out);
    OutFlush(out, true);
    delete out;
    EXPECT_EQ(Count(json, u"{\"paths\":["), total);
    EXPECT_EQ(json.substr(json.rfind(u"{\"paths\":["), 27), u"{\"paths\":[\"C:\\\\p\",\"C:\\\\q\"],");
    EXPECT_EQ(Count(text, u"\r\n  Ownership : BUILTIN\\Administrators\r\n"), total);
    EXPECT_EQ(text.substr(text.rfind(u"(2) C:\\p")).substr(0, 22), u"(2) C:\\p\r\n  = C:\\q\r\n  ");
    ClearGroups();
}

// A walk's gaps (a folder that cannot be listed, a path over the limit) are
// unreadable paths of both forms, with their reason, and make the exit code 1.
TEST(ReportText, AWalksGapsAreUnreadableEntriesWithTheirReason) {
    ScopedFakeSecurity security;
    FakeActions fake;
    const std::string name(257, 'n');
    fake.attributes = {{"C:\\t", kFolder}};
    fake.folders = {{"C:\\t", {{"f", kFile}, {"gone", kFolder}, {name, kFile}}}};
    for (const char16_t* path : {u"C:\\t", u"C:\\t\\f", u"C:\\t\\gone"})
        security.paths[path] = {{kOwnerInformation, OwnerPart(kAdmins)}, {kDaclInformation, DaclPart(MakeAcl({}))}};
    static const FolderListing listing = {FakeActions::OpenFolder, FakeActions::NextEntry, FakeActions::CloseFolder,
                                          FakeActions::Identity};
    CodePageConverter none = {};
    std::u16string output, errors;
    ReportPlatform platform = {&errors,
                               [](void*, const char16_t* name) { return FakeActions::FileAttributes(name); },
                               [](void*, const char16_t*, uint32_t*) -> char* { return nullptr; },
                               &none,
                               ReportTarget{&output, Collect},
                               [](void* c, const char16_t* text) { *static_cast<std::u16string*>(c) += text; },
                               [](void*, char16_t*, uint32_t) {},
                               &listing};
    const std::u16string tooLong = u"C:\\t\\" + Wide(name);
    EXPECT_EQ(RunReport(u"ovrix-report /below C:\\t", &platform), kReportSomeUnreadable);
    EXPECT_EQ(output.substr(output.find(u"cannot list : ")),
              u"cannot list : C:\\t\\gone\r\npath too long : " + tooLong + u"\r\n");
    EXPECT_NE(errors.find(u"cannot list: C:\\t\\gone\r\n"), std::u16string::npos) << "the log still names them";
    output.clear();
    EXPECT_EQ(RunReport(u"ovrix-report /below /json C:\\t", &platform), kReportSomeUnreadable);
    EXPECT_EQ(output.substr(output.find(u"\"unreadable\":")),
              u"\"unreadable\":[\r\n{\"path\":\"C:\\\\t\\\\gone\",\"error\":\"cannot list\"},\r\n{\"path\":\"C:\\\\t\\\\" +
                  Wide(name) + u"\",\"error\":\"path too long\"}]}\r\n");
}
