// Answers on real files: Ctrl+F, F3 and Shift+F3 as a user presses them, the
// Find dialog typed into, "Find this account" from an entry's menu, and
// "Effective access" from the Permissions menu.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "actions/menus_win32.h"
#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

void Key(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    SendInput(1, &input, sizeof input);
}

// A key, with Ctrl or Shift held when given, to the window in front.
void Press(WORD key, WORD held = 0) {
    if (held) Key(held, false);
    Key(key, false);
    Key(key, true);
    if (held) Key(held, true);
}

void Type(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT input[2] = {};
        for (INPUT& i : input) i.type = INPUT_KEYBOARD, i.ki.wScan = c, i.ki.dwFlags = KEYEVENTF_UNICODE;
        input[1].ki.dwFlags |= KEYEVENTF_KEYUP;
        SendInput(2, input, sizeof *input);
    }
}

// What the Find dialog gets once it is up: keys typed into it in turn.
std::vector<WORD> g_dialogKeys;
std::wstring g_typed, g_shownText;

void CALLBACK AnswerFindDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", L"Find");
    if (!dialog || !IsWindowVisible(dialog) || GetForegroundWindow() != dialog) return;
    KillTimer(nullptr, timer);
    wchar_t shown[300] = {};
    GetDlgItemTextW(dialog, IDC_FIND_TEXT, shown, 300);
    g_shownText = shown;
    if (!g_typed.empty()) Press('A', VK_CONTROL), Type(g_typed);
    for (WORD key : g_dialogKeys) Press(key);
}

// The root above the selected node and the node's text: "a.txt | text".
std::wstring Selected(HWND tree) {
    std::wstring root;
    for (const NodeInfo& n : TreeNodes(tree)) {
        if (n.depth == 0) root = n.text.substr(n.text.rfind(L'\\') + 1);
        if (n.selected) return root + L" | " + n.text;
    }
    return L"none";
}

bool LogHas(HWND main, const std::wstring& line) {
    return WaitFor([&] { return LogText(main).find(L"\r\n" + line + L"\r\n") != std::wstring::npos; }, 10000);
}

// Ctrl+F with the tree in front; the dialog is answered from its own loop.
void FindByKeys(HWND main, const std::wstring& typed, const std::vector<WORD>& keys) {
    g_typed = typed;
    g_dialogKeys = keys;
    g_shownText = L"(not shown)";
    SetTimer(nullptr, 0, 30, AnswerFindDialog);
    Press('F', VK_CONTROL);
    EXPECT_TRUE(WaitFor([&] { return g_shownText != L"(not shown)" && GetForegroundWindow() == main; }, 10000));
}

struct FindWine : testing::Test {
    std::wstring folder = NewTempFolder();
    // a is 644 (Everyone may read it), b 600; the folder itself a third group.
    std::wstring Args() {
        WriteFileBytes(folder + L"\\a.txt", "data");
        WriteFileBytes(folder + L"\\b.txt", "data");
        EXPECT_TRUE(RunUnixShell(folder, "chmod 644 a.txt && chmod 600 b.txt"));
        return L"ovrix.exe " + folder + L"\\a.txt " + folder + L"\\b.txt " + folder;
    }
    ~FindWine() override { RemoveTree(folder); }
};

const wchar_t* g_menuChoice;

UINT ChooseItem(HMENU popup, HWND) {
    for (int i = 0; i < GetMenuItemCount(popup); i++) {
        wchar_t text[64] = {};
        GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
        if (std::wstring(text) == g_menuChoice) return GetMenuItemID(popup, i);
    }
    return 0;
}

// Opens the selected node's menu and chooses the item.
void Choose(HWND main, HWND tree, const wchar_t* item) {
    g_menuChoice = item;
    g_popupTracker = ChooseItem;
    ShowNodeMenu(main, tree);
    g_popupTracker = TrackPopupAtCursor;
}

// The account name dialog gets the typed name and Enter.
void CALLBACK AnswerAccountDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    if (!dialog || !IsWindowVisible(dialog) || GetForegroundWindow() != dialog) return;
    KillTimer(nullptr, timer);
    Type(g_typed);
    Press(VK_RETURN);
}

}  // namespace

TEST_F(FindWine, CtrlFFindsAnAccountThenExplicitPermissionsAndF3WalksTheMatches) {
    RunWithMainWindow(Args().c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        SetForegroundWindow(main);
        SetFocus(tree);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == tree; }, 5000));
        const std::wstring folderName = folder.substr(folder.rfind(L'\\') + 1);

        FindByKeys(main, L" Everyone", {VK_RETURN});
        EXPECT_TRUE(LogHas(main, L"Found in 2 of 3 groups (2 paths): Everyone")) << Utf8(LogText(main));
        EXPECT_EQ(Selected(tree), L"a.txt | Allow : Everyone :  Read & Execute");
        Press(VK_F3);
        EXPECT_TRUE(WaitFor([&] { return Selected(tree).find(folderName + L" | ") == 0; }));
        EXPECT_EQ(Selected(tree), folderName + L" | Allow : Everyone : (all) Read & Execute");
        Press(VK_F3);
        EXPECT_TRUE(WaitFor([&] { return Selected(tree).find(L"a.txt | ") == 0; })) << "wrapped";
        Press(VK_F3, VK_SHIFT);
        EXPECT_TRUE(WaitFor([&] { return Selected(tree).find(folderName + L" | ") == 0; })) << "wrapped back";

        // The dialog shows the last request; Tab to the choices, Down to the
        // second, Enter for OK.
        FindByKeys(main, L"", {VK_TAB, VK_DOWN, VK_RETURN});
        EXPECT_EQ(g_shownText, L" Everyone");
        EXPECT_TRUE(LogHas(main, L"Found in 3 of 3 groups (3 paths): Explicit permissions")) << Utf8(LogText(main));
        EXPECT_EQ(Selected(tree), L"a.txt | Permissions");
        Press(VK_F3, VK_SHIFT);
        EXPECT_TRUE(WaitFor([&] { return Selected(tree) == folderName + L" | Permissions"; })) << Utf8(Selected(tree));

        // Wine keeps no protected DACL; a name that does not resolve selects nothing.
        FindByKeys(main, L"", {VK_TAB, VK_DOWN, VK_RETURN});
        EXPECT_TRUE(LogHas(main, L"Not found: Inheritance turned off")) << Utf8(LogText(main));
        FindByKeys(main, L"no such account 7", {VK_TAB, VK_UP, VK_UP, VK_RETURN});
        EXPECT_TRUE(LogHas(main, L"Account not found: no such account 7")) << Utf8(LogText(main));
        EXPECT_EQ(Selected(tree), folderName + L" | Permissions");
    });
}

TEST_F(FindWine, FindThisAccountFromAnEntryStartsAtTheFirstGroupThatNamesIt) {
    RunWithMainWindow(Args().c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        // b's second entry: its owner's own allow entry.
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        size_t b = 0;
        while (b < nodes.size() && nodes[b].text.find(L"b.txt") == std::wstring::npos) b++;
        ASSERT_LT(b + 7, nodes.size());
        const NodeInfo& entry = nodes[b + 7];
        const std::wstring owner = nodes[b + 4].text.substr(nodes[b + 4].text.find(L": ") + 2);
        ASSERT_EQ(entry.text.find(L"Allow : " + owner + L" :"), 0u) << Utf8(DumpTree(tree));
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)entry.item);
        Choose(main, tree, L"Find this account");
        EXPECT_TRUE(LogHas(main, L"Found in 3 of 3 groups (3 paths): " + owner)) << Utf8(LogText(main));
        EXPECT_EQ(Selected(tree), L"a.txt | Ownership : " + owner);
        SetForegroundWindow(main);
        SetFocus(tree);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == tree; }, 5000));
        Press(VK_F3);
        EXPECT_TRUE(WaitFor([&] { return Selected(tree) == L"b.txt | Ownership : " + owner; })) << Utf8(Selected(tree));
    });
}

TEST_F(FindWine, EffectiveAccessOfATypedAccountIsLoggedForTheGroup) {
    RunWithMainWindow(Args().c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        SetForegroundWindow(main);
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        for (const wchar_t* file : {L"a.txt", L"b.txt"}) {
            size_t i = 0;
            while (nodes[i].text.find(file) == std::wstring::npos) i++;
            while (nodes[i].text != L"Permissions") i++;
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)nodes[i].item);
            g_typed = L"Everyone";
            SetTimer(nullptr, 0, 30, AnswerAccountDialog);
            Choose(main, tree, L"Effective access");
        }
        // Either check may answer under Wine; both say which did.
        const std::wstring log = LogText(main);
        const size_t a = log.find(L"\r\nEffective access of Everyone: Read & Execute (0x1200a9) ("),
                     b = log.find(L"\r\nEffective access of Everyone: No access (0x0) (");
        EXPECT_TRUE(a != std::wstring::npos && b > a && b != std::wstring::npos) << Utf8(log);
        EXPECT_TRUE(log.find(L"(computed by Windows)\r\n") != std::wstring::npos ||
                    log.find(L"(local groups only)\r\n") != std::wstring::npos) << Utf8(log);
    });
}
