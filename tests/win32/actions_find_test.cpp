// Answers on real files: Ctrl+F, F3 and Shift+F3 pressed as a user does, the
// Find dialog typed into, "Find this account" and "Effective access" chosen
// from the menus.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "actions/menus_win32.h"
#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

void Send(WORD key, WORD unit, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key, input.ki.wScan = unit, input.ki.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// A key, with Ctrl or Shift held when given, to the window in front.
void Press(WORD key, WORD held = 0) {
    if (held) Send(held, 0, 0);
    Send(key, 0, 0), Send(key, 0, KEYEVENTF_KEYUP);
    if (held) Send(held, 0, KEYEVENTF_KEYUP);
}

// The next dialog in front (Find, or the account name's) gets the typed text
// in place of its own, then the keys.
std::wstring g_typed;
std::vector<WORD> g_keys;

void AnswerNextDialog(const std::wstring& typed, const std::vector<WORD>& keys) {
    g_typed = typed, g_keys = keys;
    SetTimer(nullptr, 0, 30, [](HWND, UINT, UINT_PTR timer, DWORD) {
        wchar_t name[16] = {};
        if (!GetClassNameW(GetForegroundWindow(), name, 16) || std::wstring(name) != L"#32770") return;
        KillTimer(nullptr, timer);
        if (!g_typed.empty()) Press('A', VK_CONTROL);
        for (wchar_t c : g_typed) Send(0, c, KEYEVENTF_UNICODE), Send(0, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP);
        for (WORD key : g_keys) Press(key);
    });
}

// The last name of the selected node's root and the node's text.
std::wstring Selected(HWND tree) {
    std::wstring root;
    for (const NodeInfo& n : TreeNodes(tree)) {
        if (n.depth == 0) root = n.text.substr(n.text.rfind(L'\\') + 1);
        if (n.selected) return root + L" | " + n.text;
    }
    return L"none";
}

bool LogHas(HWND main, const std::wstring& text) {
    return WaitFor([&] { return LogText(main).find(text) != std::wstring::npos; });
}

// Opens the selected node's menu and chooses the item.
const wchar_t* g_menuChoice;
void Choose(HWND main, HWND tree, const wchar_t* item) {
    g_menuChoice = item;
    g_popupTracker = [](HMENU popup, HWND) -> UINT {
        for (int i = 0; i < GetMenuItemCount(popup); i++) {
            wchar_t text[64] = {};
            GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
            if (g_menuChoice == std::wstring(text)) return GetMenuItemID(popup, i);
        }
        return 0;
    };
    ShowNodeMenu(main, tree);
    g_popupTracker = TrackPopupAtCursor;
}

// a is 644 (Everyone may read it), b 600; the folder itself is a third group.
struct FindWine : testing::Test {
    std::wstring folder = NewTempFolder(), name = folder.substr(folder.rfind(L'\\') + 1);
    std::wstring Args() {
        WriteFileBytes(folder + L"\\a.txt", "data"), WriteFileBytes(folder + L"\\b.txt", "data");
        EXPECT_TRUE(RunUnixShell(folder, "chmod 644 a.txt && chmod 600 b.txt"));
        return L"ovrix.exe " + folder + L"\\a.txt " + folder + L"\\b.txt " + folder;
    }
    ~FindWine() override { RemoveTree(folder); }
};

}  // namespace

TEST_F(FindWine, CtrlFFindsAnAccountThenExplicitPermissionsAndF3WalksTheMatches) {
    RunWithMainWindow(Args().c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        SetForegroundWindow(main), SetFocus(tree);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == tree; }));
        auto pressed = [&](WORD key, WORD held, const std::wstring& selected) {
            Press(key, held);
            return WaitFor([&] { return Selected(tree) == selected; }) ? selected : Selected(tree);
        };
        const std::wstring inA = L"a.txt | Allow : Everyone :  Read & Execute",
                           inFolder = name + L" | Allow : Everyone : (all) Read & Execute";
        AnswerNextDialog(L" Everyone", {VK_RETURN});
        Press('F', VK_CONTROL);
        EXPECT_TRUE(LogHas(main, L"\r\nFound in 2 of 3 groups (2 paths): Everyone\r\n")) << Utf8(LogText(main));
        EXPECT_EQ(Selected(tree), inA);
        EXPECT_EQ(pressed(VK_F3, 0, inFolder), inFolder);
        EXPECT_EQ(pressed(VK_F3, 0, inA), inA) << "wraps";
        EXPECT_EQ(pressed(VK_F3, VK_SHIFT, inFolder), inFolder) << "wraps back";
        // Tab to the choices, Down to the second, Enter.
        AnswerNextDialog(L"", {VK_TAB, VK_DOWN, VK_RETURN});
        Press('F', VK_CONTROL);
        EXPECT_TRUE(LogHas(main, L"\r\nFound in 3 of 3 groups (3 paths): Explicit permissions\r\n"));
        EXPECT_EQ(Selected(tree), L"a.txt | Permissions");
        EXPECT_EQ(pressed(VK_F3, VK_SHIFT, name + L" | Permissions"), name + L" | Permissions");
    });
}

TEST_F(FindWine, FindThisAccountFromAnEntryAndEffectiveAccessFromThePermissionsNode) {
    RunWithMainWindow(Args().c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        SetForegroundWindow(main);
        // b's owner and its own allow entry, the second under Permissions.
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        size_t b = 0;
        while (b < nodes.size() && nodes[b].text.find(L"b.txt") == std::wstring::npos) b++;
        ASSERT_LT(b + 7, nodes.size());
        const std::wstring owner = nodes[b + 4].text.substr(nodes[b + 4].text.find(L": ") + 2);
        ASSERT_EQ(nodes[b + 7].text.find(L"Allow : " + owner + L" :"), 0u) << Utf8(DumpTree(tree));
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)nodes[b + 7].item);
        Choose(main, tree, L"Find this account");
        EXPECT_TRUE(LogHas(main, L"\r\nFound in 3 of 3 groups (3 paths): " + owner + L"\r\n")) << Utf8(LogText(main));
        EXPECT_EQ(Selected(tree), L"a.txt | Ownership : " + owner) << "the owner before the entries";

        // Either check may answer under Wine; the line says which did.
        for (size_t permissions : {size_t{5}, b + 5}) {
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)nodes[permissions].item);
            AnswerNextDialog(L"Everyone", {VK_RETURN});
            Choose(main, tree, L"Effective access");
        }
        const std::wstring log = LogText(main);
        const size_t a = log.find(L"\r\nEffective access of Everyone: Read & Execute (0x1200a9) ("),
                     none = log.find(L"\r\nEffective access of Everyone: No access (0x0) (");
        EXPECT_TRUE(a != std::wstring::npos && none > a && none != std::wstring::npos) << Utf8(log);
        EXPECT_TRUE(log.find(L"(computed by Windows)\r\n") != std::wstring::npos ||
                    log.find(L"(local groups only)\r\n") != std::wstring::npos) << Utf8(log);
    });
}
