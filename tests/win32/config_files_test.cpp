// The files start-up reads: the language file and the list file beside the
// executable, and path list files named on the command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "config/config_win32.h"
#include "resources/resource_ids.h"
#include "security/groups.h"
#include "tests/win32/testbed.h"

// Every path the window took, as the groups hold them.
static std::vector<std::wstring> AddedPaths(const wchar_t* args) {
    std::vector<std::wstring> paths;
    RunWithMainWindow((std::wstring(L"ovrix.exe ") + args).c_str(), [&](HWND) {
        GroupSnapshot group;
        for (uint32_t g = 0; g < GroupCount(); g++)
            for (const char16_t* p = ReadGroup(g, &group) ? FirstGroupPath(&group) : nullptr; p; p = NextGroupPath(p))
                paths.push_back(W(p));
    });
    return paths;
}

TEST(ConfigFiles, StartUpTranslatesAndReportsTheFilesBesideTheProgram) {
    char16_t name[32];
    LanguageFileName((uint32_t)GetUserDefaultLCID(), name, 32);
    std::wstring lang = ExeDirectory() + W(name), list = ExeDirectory() + L"ovrix_list.cfg";
    // Placeholders the program gives no argument for must come out empty, never read memory.
    ASSERT_TRUE(WriteFileBytes(lang, "\xEF\xBB\xBF; German\r\nClose = Schlie\xC3\x9F" "en\r\n"
                                     "(drop files/folder here)=(Dateien hier ablegen)\r\n"
                                     "language file : %s = Sprachdatei %d: %s %s %x\r\n"));
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        wchar_t caption[64] = {};
        GetDlgItemTextW(main, IDOK, caption, 64);
        EXPECT_STREQ(caption, L"Schlie\u00DFen");
        std::vector<NodeInfo> nodes = TreeNodes(GetDlgItem(main, IDC_TREE));
        EXPECT_TRUE(nodes.size() == 3 && nodes[2].text == L"(Dateien hier ablegen)") << DumpTree(GetDlgItem(main, IDC_TREE));
        std::vector<std::wstring> log = LogLines(main);   // the shipped list file is read: no error line
        EXPECT_TRUE(log.size() == 2 && log[1] == L"Sprachdatei " + lang + L":   ") << LogText(main);
    });
    DeleteFileW(lang.c_str());
    ASSERT_TRUE(MoveFileExW(list.c_str(), (list + L".aside").c_str(), MOVEFILE_REPLACE_EXISTING));
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        std::vector<std::wstring> log = LogLines(main);
        EXPECT_TRUE(log.size() == 3 && log[1] == L"language file : " + lang && log[2] == L"list file " + list + L" load error.")
            << LogText(main);
    });
    MoveFileExW((list + L".aside").c_str(), list.c_str(), MOVEFILE_REPLACE_EXISTING);
    EXPECT_TRUE(LoadListFile());
}

// The "@" rules are proven natively; this reads a real UTF-8 list file end to end.
TEST(ListFileTokens, AUtf8ListFileNamedOnTheCommandLine) {
    // The work folder is the current one, so the list file is found by its plain name.
    std::wstring work = NewTempFolder();
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(work.c_str());
    auto add = [&](const std::wstring& name, const std::string& bytes) {
        return WriteFileBytes(work + L"\\" + name, bytes) ? work + L"\\" + name : L"<not written> " + name;
    };
    std::wstring b = add(L"b.txt", "x"), u = add(L"d\u00E9j\u00E0 \u65E5.txt", "x");
    add(L"utf8.txt", "\"" + Utf8(u) + "\" " + Utf8(b));
    EXPECT_EQ(AddedPaths(L"@8@utf8.txt"), (std::vector<std::wstring>{u, b}));
    SetCurrentDirectoryW(previous);
    RemoveTree(work);
}
