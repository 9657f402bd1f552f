// Security subtrees and groups of real files as Wine reports them (the DACL
// follows the Unix mode bits, auditing and labels cannot be read), and the
// account names the system gives.
#include <gtest/gtest.h>

#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "base/tree_sink.h"
#include "resources/resource_ids.h"
#include "security/ace_text.h"
#include "security/groups.h"
#include "tests/win32/testbed.h"

namespace {

// Runs a command of the host's shell in the folder, from which Wine derives
// the DACLs. A Unix process gives no handle to wait on, so the marker file it
// makes last is waited for instead.
bool RunUnixShell(const std::wstring& folder, const std::string& command) {
    auto unixName = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(folder.c_str()) : nullptr;
    if (!name) return false;
    std::string line = "/bin/sh -c \"cd '" + std::string(name) + "' && " + command + " && touch marker\"";
    HeapFree(GetProcessHeap(), 0, name);
    std::wstring wide(line.begin(), line.end());
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hProcess), CloseHandle(process.hThread);
    return WaitFor([&] { return GetFileAttributesW((folder + L"\\marker").c_str()) != INVALID_FILE_ATTRIBUTES; },
                   20000);
}

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
        // A path over 259 units names no group, and the first group is still 0.
        EXPECT_EQ(Roots(main), L"unknown name : " + overlong + L" [3] 65535\n(2) " + folder + L" [3] 0 +\n(2) " +
                                   open1 + L" [2] 1 +\n(2) " + closed1 + L" [2] 2 +\n" + readonly + L" [2] 3 +\n" +
                                   missing + L" [3] 4 +\n");
        EXPECT_EQ(GroupCount(), 5u);
        // Others may read a 644 file, not a 600 one; auditing and labels fail.
        std::wstring dump = DumpTree(GetDlgItem(main, IDC_TREE)), failures = L"  unknown auditing [14] k0\n"
                                                                           L"  unknown integrity level [14] k0\n";
        EXPECT_EQ(dump.substr(0, dump.find(L"(2) " + folder)), L"unknown name : " + overlong + L" [3] k1\n");
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
