// The walk below folders end to end: "/below" on the command line, "Add
// everything below" from a folder group's menu, and Esc stopping a walk.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actions/action_platform_win32.h"
#include "actions/menus_win32.h"
#include "app/main_window_win32.h"
#include "app/path_reading_win32.h"
#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

HWND TreeOf(HWND main) { return GetDlgItem(main, IDC_TREE); }

// The root nodes' texts, sorted.
std::vector<std::wstring> RootTexts(HWND main) {
    std::vector<std::wstring> roots;
    for (const NodeInfo& n : TreeNodes(TreeOf(main)))
        if (n.depth == 0) roots.push_back(n.text);
    std::sort(roots.begin(), roots.end());
    return roots;
}

// The group sizes: "(n) path" roots hold n paths, others one.
std::vector<int> GroupSizes(const std::vector<std::wstring>& roots) {
    std::vector<int> sizes;
    for (const std::wstring& text : roots) sizes.push_back(text[0] == L'(' ? _wtoi(text.c_str() + 1) : 1);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

// Three modes in a folder and a subfolder: folders (755), 644 twice, 600, 444
// (read-only).
std::wstring MakeTree(std::wstring* parent) {
    *parent = NewTempFolder();
    const std::wstring tree = *parent + L"\\t";
    CreateDirectoryW(tree.c_str(), nullptr);
    EXPECT_TRUE(RunUnixShell(tree, "mkdir sub && touch a sub/c sub/d sub/e && chmod 755 . sub && "
                                   "chmod 644 a sub/d && chmod 600 sub/c && chmod 444 sub/e"));
    return tree;
}

// Chooses "Add everything below" on the first group's root.
void AddEverythingBelow(HWND main) {
    g_popupTracker = [](HMENU popup, HWND) -> UINT {
        for (int i = 0; i < GetMenuItemCount(popup); i++) {
            wchar_t text[64] = {};
            GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
            if (wcscmp(text, L"Add everything below") == 0) return GetMenuItemID(popup, i);
        }
        return 0;
    };
    SendMessageW(TreeOf(main), TVM_SELECTITEM, TVGN_CARET, (LPARAM)TreeNodes(TreeOf(main))[0].item);
    ShowNodeMenu(main, TreeOf(main));
    g_popupTracker = TrackPopupAtCursor;
}

}  // namespace

TEST(WalkBelow, CommandLineAndMenuGiveTheSameGroups) {
    std::wstring parent;
    const std::wstring tree = MakeTree(&parent);
    std::vector<std::wstring> fromCommandLine, fromMenu;
    RunWithMainWindow((L"ovrix.exe /below " + tree).c_str(), [&](HWND main) { fromCommandLine = RootTexts(main); });
    EXPECT_EQ(GroupSizes(fromCommandLine), (std::vector<int>{1, 1, 2, 2}));
    RunWithMainWindow((L"ovrix.exe " + tree).c_str(), [&](HWND main) {
        ASSERT_EQ(RootTexts(main).size(), 1u);
        AddEverythingBelow(main);
        ASSERT_TRUE(WaitFor([&] { return RootTexts(main).size() == fromCommandLine.size(); }) && WaitForReading());
        fromMenu = RootTexts(main);
    });
    EXPECT_EQ(fromMenu, fromCommandLine);
    RemoveTree(parent);
}

TEST(WalkBelow, EscStopsAScanKeepingWhatWasReadAndTheWindowWorksAfter) {
    std::wstring parent = NewTempFolder();
    const std::wstring tree = parent + L"\\t";
    CreateDirectoryW(tree.c_str(), nullptr);
    ASSERT_TRUE(RunUnixShell(tree, "for i in $(seq 300); do echo x > f$i; done"));
    SlowReadingClock clock;
    RunWithMainWindow((L"ovrix.exe " + tree).c_str(), [&](HWND main) {
        AddEverythingBelow(main);
        // Stopped once the first batch has shown its files' group.
        ASSERT_TRUE(WaitFor([&] { return RootTexts(main).size() == 2; }));
        SendMessageW(main, WM_COMMAND, IDCANCEL, 0);
        EXPECT_FALSE(ReadingInProgress());
        EXPECT_TRUE(IsWindowVisible(main));
        EXPECT_TRUE(IsWindowEnabled(TreeOf(main)));
        const std::vector<int> sizes = GroupSizes(RootTexts(main));
        EXPECT_LT(sizes.back(), 300);
        const std::vector<std::wstring> log = LogLines(main);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back().rfind(L"Scan stopped after ", 0), 0u) << log.back();
        // The scan again adds only what the first did not: each file once.
        AddEverythingBelow(main);
        ASSERT_TRUE(WaitForReading());
        EXPECT_EQ(GroupSizes(RootTexts(main)), (std::vector<int>{1, 300}));
        const std::wstring added = std::to_wstring(300 - sizes.back()) + L" paths in 2 groups, ";
        EXPECT_EQ(LogLines(main).back().rfind(added, 0), 0u) << LogLines(main).back();
        // The window goes on: a drop is read.
        DropFiles(main, {tree + L"\\f1"});
        EXPECT_EQ(RootTexts(main).size(), 1u);
    });
    RemoveTree(parent);
}
