// Security subtrees and groups of real files as Wine reports them (the DACL
// follows the Unix mode bits, auditing and labels cannot be read), and the
// account names the system gives.
#include <gtest/gtest.h>

#include "app/main_window_win32.h"
#include "base/item_param.h"
#include "base/platform_win32.h"
#include "base/tree_sink.h"
#include "resources/resource_ids.h"
#include "security/ace_text.h"
#include "security/groups.h"
#include "security/security_platform.h"
#include "tests/win32/testbed.h"

namespace {

// "text [image] group" of each root, "+" when expanded.
std::wstring Roots(HWND main) {
    std::wstring out;
    for (const NodeInfo& n : TreeNodes(GetDlgItem(main, IDC_TREE)))
        if (n.depth == 0)
            out += n.text + L" [" + std::to_wstring(n.image) + L"] " + std::to_wstring(ItemGroup(n.param)) +
                   (n.expanded ? L" +\n" : L"\n");
    return out;
}

}  // namespace

TEST(SecurityTree, RealFilesGroupByModeAndAttributesAndADropStartsAgain) {
    std::wstring folder = NewTempFolder(), in = folder + L"\\", missing = in + L"missing.txt";
    std::wstring overlong = in + std::wstring(299 - folder.size(), L'x'), readonly = in + L"readonly.txt";
    std::wstring open1 = in + L"open1.txt", open2 = in + L"open2.txt", closed1 = in + L"closed1.txt",
                 closed2 = in + L"closed2.txt";
    for (const std::wstring& p : {open1, open2, readonly, closed1, closed2}) WriteFileBytes(p, "data");
    ASSERT_TRUE(RunUnixShell(folder, "chmod 644 open1.txt open2.txt readonly.txt && chmod 600 closed*.txt"));
    SetFileAttributesW(readonly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    std::wstring args = L"ovrix.exe";
    for (const std::wstring& p : {overlong, folder, folder, open1, closed1, open2, closed2, readonly, missing})
        args += L" \"" + p + L"\"";

    RunWithMainWindow(args.c_str(), [&](HWND main) {
        // A path over 259 units names no group, and the first group is still
        // 0; the folder named twice is added once.
        EXPECT_EQ(Roots(main), L"unknown name : " + overlong + L" [3] 65535\n" + folder + L" [3] 0 +\n(2) " +
                                   open1 + L" [2] 1 +\n(2) " + closed1 + L" [2] 2 +\n" + readonly + L" [2] 3 +\n" +
                                   missing + L" [3] 4 +\n");
        EXPECT_EQ(GroupCount(), 5u);
        // Others may read a 644 file, not a 600 one; auditing and labels fail.
        std::wstring dump = DumpTree(GetDlgItem(main, IDC_TREE)), failures = L"  unknown auditing [14] k0\n"
                                                                           L"  unknown integrity level [14] k0\n";
        EXPECT_EQ(dump.substr(0, dump.find(L"\n" + folder + L" [3]") + 1),
                  L"unknown name : " + overlong + L" [3] k1\n");
        size_t open = dump.find(L"(2) " + open1), closed = dump.find(L"(2) " + closed1);
        EXPECT_NE(dump.substr(open, closed - open).find(L"Everyone"), std::wstring::npos) << Utf8(dump);
        EXPECT_EQ(dump.find(failures + L"(2) " + closed1), closed - failures.size());
        EXPECT_EQ(dump.substr(dump.find(missing)), missing + L" [3] k1 +\n  unknown attributes [14] k0\n"
                  L"  unknown ownership [14] k8\n  unknown permissions [14] ka\n" + failures);

        // A drop replaces the tree, and group indexes start again at 0.
        DropFiles(main, {closed2, open2, closed1});
        std::wstring dropped = L"(2) " + closed2 + L" [2] 0 +\n" + open2 + L" [2] 1 +\n";
        EXPECT_TRUE(WaitFor([&] { return Roots(main) == dropped && GroupCount() == 2; })) << Utf8(Roots(main));
    });
    RemoveTree(folder);
}

TEST(SecurityPlatform, UnknownAccountsShowTheirSidString) {
    // S-1-5-21-11-22-33-4242: a domain account that no one knows.
    const uint8_t unknown[] = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 11, 0, 0, 0,
                               22, 0, 0, 0, 33, 0, 0, 0, 0x92, 0x10, 0, 0};
    char16_t buffer[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buffer, kNodeTextUnits);
    // The string function is found at run time; once found, it keeps working.
    for (int i = 0; i < 2; i++) AccountNameOfSid(&w, unknown, u"C:\\x");
    EXPECT_EQ(std::wstring(W(buffer)), L"S-1-5-21-11-22-33-4242S-1-5-21-11-22-33-4242");
}

namespace {

// Records every insert, text and expansion as one line each.
struct RecordingSink {
    std::u16string log;
    TreeItem next = 1;
    static RecordingSink* Of(void* c) { return static_cast<RecordingSink*>(c); }
    static TreeItem Insert(void* c, TreeItem parent, const char16_t* text, int image, uint64_t param) {
        Of(c)->log += u"+" + std::u16string(text) + u" " + (char16_t)(u'0' + image) + u" " +
                      std::u16string(reinterpret_cast<const char16_t*>(std::to_wstring(param).c_str())) + u" < " +
                      (char16_t)(u'0' + parent % 64) + u"\n";
        return Of(c)->next++;
    }
    static void Remove(void* c, TreeItem) { Of(c)->log += u"remove\n"; }
    static void SetText(void* c, TreeItem, const char16_t* text) { Of(c)->log += u"=" + std::u16string(text) + u"\n"; }
    static void Expand(void* c, TreeItem item) { Of(c)->log += u"expand " + std::u16string(1, u'0' + item % 64) + u"\n"; }
    static TreeItem None(void*, TreeItem) { return 0; }
    TreeSink sink = {this, Insert, Remove, SetText, Expand, None, None, nullptr, nullptr, nullptr};
};

bool NoOneOpen(const char16_t*, bool, PathSecurity*) { return false; }

}  // namespace

// Real files of different modes and attributes, a folder and a missing file:
// the one open and the separate queries give the same signatures and nodes.
TEST(SecurityPlatform, OneOpenAgreesWithSeparateQueriesOnRealFiles) {
    std::wstring folder = NewTempFolder(), in = folder + L"\\";
    std::vector<std::wstring> paths = {folder, in + L"a.txt", in + L"b.txt", in + L"c.txt", in + L"ro.txt",
                                       in + L"missing.txt"};
    for (size_t i = 1; i < 5; i++) WriteFileBytes(paths[i], "data");
    ASSERT_TRUE(RunUnixShell(folder, "chmod 644 a.txt && chmod 600 b.txt && chmod 755 c.txt"));
    SetFileAttributesW(paths[4].c_str(), FILE_ATTRIBUTE_READONLY);
    const SecurityPlatform* real = CurrentSecurityPlatform();
    SecurityPlatform separate = *real;
    separate.readSecurity = NoOneOpen;
    std::u16string ways[2];
    for (int oneOpen = 0; oneOpen < 2; oneOpen++) {
        SetSecurityPlatform(oneOpen ? real : &separate);
        RecordingSink recording;
        for (const std::wstring& p : paths)
            for (int twice = 0; twice < 2; twice++) AddPath(&recording.sink, U(p.c_str()), kAttributesInOpen);
        FlushGroupRootTexts(&recording.sink);
        for (uint32_t g = 0; g < GroupCount(); g++) {
            GroupSnapshot snapshot;
            ASSERT_TRUE(ReadGroup(g, &snapshot));
            for (uint32_t i = 0; i < snapshot.signatureLength; i++) recording.log += (char16_t)(0x100 + snapshot.signature[i]);
            recording.log += u"\n";
        }
        ways[oneOpen] = recording.log;
        ClearGroups();
    }
    SetSecurityPlatform(real);
    EXPECT_EQ(ways[0], ways[1]);
    EXPECT_NE(ways[0].find(u"=(2) "), std::u16string::npos);   // every path came twice
    RemoveTree(folder);
}
