// Node menus end to end: real groups in the main window, real popups, and
// stand-in icacls/takeown in the system folder that record each command line.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actions/commands.h"
#include "actions/menus_win32.h"
#include "actions/node_menus.h"
#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "tests/win32/exec_standin.h"
#include "tests/win32/testbed.h"

namespace {

// Popups as the user would see them: "text", "---", "[x] text", submenus
// indented.
std::wstring DumpPopup(HMENU menu, int depth = 0) {
    std::wstring out;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        // For a submenu item the high byte of the state is its item count.
        HMENU sub = GetSubMenu(menu, i);
        UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        if (sub) state &= 0xFF;
        out += std::wstring(2 * depth, L' ');
        if (state & MF_SEPARATOR) {
            out += L"---\n";
            continue;
        }
        wchar_t text[256] = {};
        GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
        if (state & MF_CHECKED) out += L"[x] ";
        out += text;
        out += L"\n";
        if (sub) out += DumpPopup(sub, depth + 1);
    }
    return out;
}

UINT FindCommand(HMENU menu, const std::wstring& wanted) {
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; i++) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (UINT id = FindCommand(sub, wanted)) return id;
            continue;
        }
        wchar_t text[256] = {};
        GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
        if (wanted == text) return GetMenuItemID(menu, i);
    }
    return 0;
}

// What each opening of a popup should choose, by item text ("" dismisses),
// and what the popups showed.
struct MenuScript {
    std::vector<std::wstring> picks;
    size_t next = 0;
    std::vector<std::wstring> shown;
};
MenuScript g_script;

UINT ScriptedTracker(HMENU popup, HWND) {
    g_script.shown.push_back(DumpPopup(popup));
    if (g_script.next >= g_script.picks.size()) return 0;
    const std::wstring& pick = g_script.picks[g_script.next++];
    return pick.empty() ? 0 : FindCommand(popup, pick);
}

// Answers the two input dialogs from a timer while they run modally.
struct DialogScript {
    const wchar_t* caption;
    bool ok;
    std::wstring typed;
    bool seen;
};
DialogScript g_dialog;

void CALLBACK AnswerDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, g_dialog.caption);
    if (!dialog || !IsWindowVisible(dialog)) return;
    g_dialog.seen = true;
    if (!g_dialog.typed.empty()) SetDlgItemTextW(dialog, 103, g_dialog.typed.c_str());
    PostMessageW(dialog, WM_COMMAND, g_dialog.ok ? IDOK : IDCANCEL, 0);
    KillTimer(nullptr, timer);
}

void ExpectDialog(const wchar_t* caption, bool ok, const std::wstring& typed = L"") {
    g_dialog = {caption, ok, typed, false};
    SetTimer(nullptr, 0, 50, AnswerDialog);
}

HWND TreeOf(HWND main) { return GetDlgItem(main, kTreeId); }
uint32_t Kind(const NodeInfo& n) { return (n.param >> 16) & 0xFF; }

const NodeInfo* FindKind(const std::vector<NodeInfo>& nodes, uint32_t kind) {
    for (const NodeInfo& n : nodes)
        if (Kind(n) == kind) return &n;
    return nullptr;
}

void Select(HWND tree, HTREEITEM item) { SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item); }

// Opens the menu of the first node of this kind.
bool OpenOnKind(HWND main, uint32_t kind) {
    std::vector<NodeInfo> nodes = TreeNodes(TreeOf(main));
    const NodeInfo* node = FindKind(nodes, kind);
    if (!node) return false;
    Select(TreeOf(main), node->item);
    ShowNodeMenu(main, TreeOf(main));
    return true;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

class ActionsWine : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallStandin(L"icacls"));
        ASSERT_TRUE(InstallStandin(L"takeown"));
        folder_ = NewTempFolder();
        ASSERT_FALSE(folder_.empty());
        runs_ = folder_ + L"\\runs.txt";
        env_.Set(L"OVRIX_STANDIN_LOG", runs_);
        previous_ = g_popupTracker;
        g_popupTracker = ScriptedTracker;
        g_script = MenuScript();
        ResetTraverseSubfolders();
    }
    void TearDown() override {
        g_popupTracker = previous_;
        ResetTraverseSubfolders();
        RemoveTree(folder_);
    }
    std::wstring File(const std::wstring& name) {
        std::wstring path = folder_ + L"\\" + name;
        EXPECT_TRUE(WriteFileBytes(path, "x"));
        return path;
    }
    std::wstring Folder(const std::wstring& name) {
        std::wstring path = folder_ + L"\\" + name;
        EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        return path;
    }
    std::vector<std::string> Runs() { return Lines(ReadFileBytes(runs_)); }

    std::wstring folder_;
    std::wstring runs_;
    ScopedEnvironment env_;
    PopupTracker previous_ = nullptr;
};

TEST_F(ActionsWine, GroupOfThreeRunsTheTemplateForEachPathInOrder) {
    std::wstring a = File(L"a.txt"), b = File(L"b.txt"), c = File(L"c.txt");
    std::wstring args = L"ovrix.exe " + a + L" " + b + L" " + c;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        std::vector<NodeInfo> nodes = TreeNodes(TreeOf(main));
        ASSERT_EQ(nodes[0].text, L"(3) " + a) << DumpTree(TreeOf(main));
        g_script.picks = {L"Change owner"};
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        EXPECT_EQ(g_script.shown[0], L"Change owner\n");
        std::string yes(1, (char)TakeownYesLetter(GetUserDefaultUILanguage()));
        EXPECT_EQ(Runs(), (std::vector<std::string>{"takeown /f " + Utf8(a) + " /a /r /d " + yes,
                                                    "takeown /f " + Utf8(b) + " /a /r /d " + yes,
                                                    "takeown /f " + Utf8(c) + " /a /r /d " + yes}));
        EXPECT_NE(LogText(main).find(L"takeown /f " + c), std::wstring::npos);
    });
}

TEST_F(ActionsWine, FailureStopsTheRestAndTheGroupIsStillRefreshed) {
    std::wstring a = File(L"a.txt"), b = File(L"b.txt"), c = File(L"c.txt");
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,1");
    std::wstring args = L"ovrix.exe " + a + L" " + b + L" " + c;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        std::vector<NodeInfo> before = TreeNodes(tree);
        // Marks the old children, so rebuilt ones can be told apart (item
        // handles may be reused).
        for (size_t i = 1; i < before.size(); i++) {
            TVITEMW tv = {};
            tv.mask = TVIF_TEXT;
            tv.hItem = before[i].item;
            tv.pszText = const_cast<wchar_t*>(L"stale");
            SendMessageW(tree, TVM_SETITEMW, 0, (LPARAM)&tv);
        }
        g_script.picks = {L"Allow inheritable"};
        ASSERT_TRUE(OpenOnKind(main, 0x0a)) << DumpTree(tree);
        EXPECT_EQ(Runs(), (std::vector<std::string>{"icacls " + Utf8(a) + " /inheritance:e",
                                                    "icacls " + Utf8(b) + " /inheritance:e"}));
        std::vector<NodeInfo> after = TreeNodes(tree);
        ASSERT_EQ(after.size(), before.size()) << DumpTree(tree);
        EXPECT_TRUE(after[0].selected) << "the group's root is selected";
        EXPECT_EQ(after[0].item, before[0].item) << "the root node stays";
        EXPECT_EQ(after[0].text, L"(3) " + a);
        for (size_t i = 1; i < after.size(); i++) EXPECT_EQ(after[i].text, before[i].text) << "child " << i << " rebuilt";
    });
}

TEST_F(ActionsWine, ListFilesWritesThePathsAndADot) {
    std::wstring a = File(L"a.txt"), b = File(L"b.txt");
    std::wstring args = L"ovrix.exe " + a + L" " + b;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        g_script.picks = {L"list files"};
        ASSERT_TRUE(OpenOnKind(main, 0x01));
        std::vector<std::wstring> log = LogLines(main);
        while (!log.empty() && log.back().empty()) log.pop_back();
        ASSERT_GE(log.size(), 3u);
        EXPECT_EQ(std::vector<std::wstring>(log.end() - 3, log.end()), (std::vector<std::wstring>{a, b, L"."}));
        EXPECT_TRUE(Runs().empty());
    });
}

TEST_F(ActionsWine, TraverseSwitchFlipsTheCheckMarkAndAddsRecursion) {
    std::wstring top = Folder(L"top");
    std::wstring args = L"ovrix.exe " + top;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        g_script.picks = {L"Traverse all subfolders", L"Clear inheritable", L"Add deny permission"};
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        EXPECT_TRUE(Runs().empty()) << "flipping runs nothing";
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        ASSERT_EQ(g_script.shown.size(), 2u);
        EXPECT_NE(g_script.shown[0].find(L"\nTraverse all subfolders\n"), std::wstring::npos) << g_script.shown[0];
        EXPECT_NE(g_script.shown[1].find(L"\n[x] Traverse all subfolders\n"), std::wstring::npos) << g_script.shown[1];
        EXPECT_EQ(Runs(), std::vector<std::string>{"icacls " + Utf8(top) + " /inheritance:r /T"});
        // The permissions menu of a folder, as the user sees it.
        std::wstring shown = g_script.shown[1];
        EXPECT_EQ(shown.rfind(L"Allow inheritable\nCopy permissions & clear inheritable\nClear inheritable\n---\n"
                              L"Add allow permission\n",
                              0),
                  0u)
            << shown;
        EXPECT_NE(shown.find(L"Enter account name\nAdd this folder allow permission\n"), std::wstring::npos) << shown;
        EXPECT_NE(shown.find(L"\n---\nAllow inheritable subfolers,files\n[x] Traverse all subfolders\n"),
                  std::wstring::npos);
    });
}

TEST_F(ActionsWine, DismissedMenuAndCancelledDialogsRunNothing) {
    std::wstring top = Folder(L"top");
    std::wstring args = L"ovrix.exe " + top;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        g_script.picks = {L"", L"Enter account name", L"Special Permissions"};
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        ExpectDialog(L"Account Name", false);
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        EXPECT_TRUE(g_dialog.seen);
        ASSERT_TRUE(FindKind(TreeNodes(tree), 0x0b)) << "Wine gives folders allow entries" << Utf8(DumpTree(tree));
        ExpectDialog(L"Detail Permissions", false);
        ASSERT_TRUE(OpenOnKind(main, 0x0b));
        EXPECT_TRUE(g_dialog.seen);
        EXPECT_EQ(g_script.next, 3u);
        EXPECT_TRUE(Runs().empty());
    });
}

TEST_F(ActionsWine, TypedAccountAndSpacedFolderReachIcaclsAsSeparateArguments) {
    std::wstring spaced = Folder(L"my dir");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        // A dropped folder name keeps its trailing backslash.
        DropFiles(main, {spaced + L"\\"});
        ASSERT_TRUE(WaitFor([&] { return FindKind(TreeNodes(TreeOf(main)), 0x0a) != nullptr; }));
        g_script.picks = {L"Enter account name"};
        ExpectDialog(L"Account Name", true, L"new \"user\"");
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        std::vector<std::string> runs = Runs();
        ASSERT_EQ(runs.size(), 1u);
        int argc = 0;
        std::wstring line(runs[0].begin(), runs[0].end());
        LPWSTR* argv = CommandLineToArgvW(line.c_str(), &argc);
        ASSERT_EQ(argc, 4) << runs[0];
        EXPECT_STREQ(argv[1], (spaced + L"\\").c_str());
        EXPECT_STREQ(argv[2], L"/grant:r");
        EXPECT_STREQ(argv[3], L"new \"user\":(OI)(CI)(R)");
        LocalFree(argv);
    });
}

TEST_F(ActionsWine, NodesWithoutAMenu) {
    std::wstring a = File(L"a.txt");
    std::wstring args = L"ovrix.exe " + a;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        // Attribute nodes and the failure nodes of this group.
        for (const NodeInfo& n : nodes) {
            uint32_t kind = Kind(n);
            if (kind == 0x01 || kind == 0x08 || kind == 0x0a || kind == 0x0b || kind == 0x0c || kind == 0x10) continue;
            Select(tree, n.item);
            ShowNodeMenu(main, tree);
        }
        // Inherited, audit and other-type entries of the same group.
        for (uint32_t kind : {0x0du, 0x0eu, 0x0fu}) {
            TVINSERTSTRUCTW insert = {};
            insert.hParent = nodes[0].item;
            insert.hInsertAfter = TVI_LAST;
            insert.item.mask = TVIF_TEXT | TVIF_PARAM;
            insert.item.pszText = const_cast<wchar_t*>(L"Allow(inherit) : Everyone : Read");
            insert.item.lParam = (LPARAM)(kind << 16);
            Select(tree, (HTREEITEM)SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert));
            ShowNodeMenu(main, tree);
        }
        EXPECT_TRUE(g_script.shown.empty()) << Utf8(g_script.shown.empty() ? L"" : g_script.shown[0]);
        EXPECT_TRUE(Runs().empty());
    });
}

// The real popup, opened by a real Space key press on the tree: the WM_CHAR
// that the key leaves queued must not close it.
struct KeyProbe {
    HWND menuSeenOpen;
    DWORD firstSeen;
    bool chose;
};
KeyProbe g_keys;

void CALLBACK DriveOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu)) return;
    if (!g_keys.menuSeenOpen) {
        g_keys.menuSeenOpen = menu;
        g_keys.firstSeen = GetTickCount();
        return;
    }
    // Still open a while later: choose the first item with the keyboard.
    if (GetTickCount() - g_keys.firstSeen < 300 || g_keys.chose) return;
    g_keys.chose = true;
    KillTimer(nullptr, timer);
    INPUT keys[4] = {};
    WORD codes[2] = {VK_DOWN, VK_RETURN};
    for (int i = 0; i < 4; i++) {
        keys[i].type = INPUT_KEYBOARD;
        keys[i].ki.wVk = codes[i / 2];
        keys[i].ki.dwFlags = (i % 2) ? KEYEVENTF_KEYUP : 0;
    }
    SendInput(4, keys, sizeof(INPUT));
}

TEST_F(ActionsWine, SpaceKeyOpensARealMenuThatStaysOpen) {
    std::wstring a = File(L"a.txt");
    std::wstring args = L"ovrix.exe " + a;
    g_popupTracker = previous_;   // the real TrackPopupMenu
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        ASSERT_EQ(Kind(nodes[0]), 1u);
        Select(tree, nodes[0].item);
        SetForegroundWindow(main);
        SetFocus(tree);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == tree; }, 5000));
        g_keys = KeyProbe();
        SetTimer(nullptr, 0, 30, DriveOpenMenu);
        INPUT space[2] = {};
        for (int i = 0; i < 2; i++) {
            space[i].type = INPUT_KEYBOARD;
            space[i].ki.wVk = VK_SPACE;
            space[i].ki.dwFlags = i ? KEYEVENTF_KEYUP : 0;
        }
        ASSERT_EQ(SendInput(2, space, sizeof(INPUT)), 2u);
        // "list files" writes the path and "." once the menu has been used.
        bool listed = WaitFor([&] {
            std::vector<std::wstring> log = LogLines(main);
            for (const std::wstring& line : log)
                if (line == L".") return true;
            return false;
        }, 15000);
        EXPECT_TRUE(g_keys.menuSeenOpen != nullptr) << "the popup opened";
        EXPECT_TRUE(g_keys.chose) << "and stayed open until a choice";
        EXPECT_TRUE(listed) << Utf8(LogText(main));
        EXPECT_TRUE(Runs().empty());
    });
}

}  // namespace

namespace {

std::vector<std::string> Sorted(std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
}

TEST_F(ActionsWine, InheritanceWalkChangesEveryFileBelowTheFolder) {
    std::wstring top = Folder(L"top");
    File(L"top\\a.txt");
    File(L"top\\b c.txt");
    Folder(L"top\\inner");
    Folder(L"top\\empty");
    File(L"top\\inner\\d.txt");
    // A link back to the top, where the system allows one.
    std::wstring loop = top + L"\\inner\\loop";
    // (Wine 8 reports success but shows no link afterwards; the loop itself
    // is covered by the native walk tests.)
    bool linked = CreateSymbolicLinkW(loop.c_str(), top.c_str(),
                                      SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
                  GetFileAttributesW(loop.c_str()) != INVALID_FILE_ATTRIBUTES;
    RecordProperty("link_loop", linked ? "made" : "not supported here");
    std::wstring args = L"ovrix.exe " + top;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        g_script.picks = {L"Allow inheritable subfolers,files"};
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        std::string t = Utf8(top);
        EXPECT_EQ(Sorted(Runs()), Sorted({"icacls " + t + "\\a.txt /inheritance:e /T",
                                          "icacls \"" + t + "\\b c.txt\" /inheritance:e /T",
                                          "icacls " + t + "\\inner\\d.txt /inheritance:e /T"}))
            << (linked ? "with a link loop" : "no link loop: the system made none");
        EXPECT_EQ(LogText(main).find(L"Aborted."), std::wstring::npos);
        EXPECT_TRUE(TreeNodes(TreeOf(main))[0].selected) << "refreshed";
    });
    if (linked) RemoveDirectoryW(loop.c_str());
}

TEST_F(ActionsWine, InheritanceWalkStopsAtTheFirstFailure) {
    std::wstring top = Folder(L"top");
    File(L"top\\a.txt");
    File(L"top\\b.txt");
    File(L"top\\c.txt");
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,1");
    std::wstring args = L"ovrix.exe " + top;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        g_script.picks = {L"Allow inheritable subfolers,files"};
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        EXPECT_EQ(Runs().size(), 2u);
        std::vector<std::wstring> log = LogLines(main);
        while (!log.empty() && log.back().empty()) log.pop_back();
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(), L"Aborted.");
    });
}

// Presses a mouse button over a point of the tree (client coordinates).
void Click(HWND tree, POINT at, DWORD down, DWORD up, int times = 1) {
    ClientToScreen(tree, &at);
    SetCursorPos(at.x, at.y);
    PumpMessages();
    for (int i = 0; i < times; i++) {
        INPUT press[2] = {};
        press[0].type = press[1].type = INPUT_MOUSE;
        press[0].mi.dwFlags = down;
        press[1].mi.dwFlags = up;
        SendInput(2, press, sizeof(INPUT));
    }
}

POINT CenterOf(HWND tree, HTREEITEM item) {
    RECT r = {};
    *reinterpret_cast<HTREEITEM*>(&r) = item;
    SendMessageW(tree, TVM_GETITEMRECT, TRUE, (LPARAM)&r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

TEST_F(ActionsWine, RightClickAndDoubleClickOpenTheMenuOfTheirNode) {
    std::wstring a = File(L"a.txt");
    std::wstring args = L"ovrix.exe " + a;
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        SetForegroundWindow(main);
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        const NodeInfo* owner = FindKind(nodes, 0x08);
        ASSERT_TRUE(owner && nodes[0].selected);
        // A right click selects the node under the pointer first.
        Click(tree, CenterOf(tree, owner->item), MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        ASSERT_TRUE(WaitFor([] { return g_script.shown.size() == 1; }, 10000));
        EXPECT_EQ(g_script.shown[0], L"Change owner\n");
        EXPECT_EQ((HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0), owner->item);
        // On empty space it acts on the node already selected.
        RECT client;
        GetClientRect(tree, &client);
        Click(tree, POINT{client.right - 5, client.bottom - 5}, MOUSEEVENTF_RIGHTDOWN, MOUSEEVENTF_RIGHTUP);
        ASSERT_TRUE(WaitFor([] { return g_script.shown.size() == 2; }, 10000));
        EXPECT_EQ(g_script.shown[1], L"Change owner\n");
        // A double click on the root: its menu.
        Click(tree, CenterOf(tree, nodes[0].item), MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP, 2);
        ASSERT_TRUE(WaitFor([] { return g_script.shown.size() == 3; }, 10000));
        EXPECT_EQ(g_script.shown[2], L"list files\n");
        EXPECT_TRUE(Runs().empty());
    });
}

}  // namespace
