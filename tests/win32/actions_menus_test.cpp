// Node menus end to end: real groups in the main window, popups chosen by
// script or by real keys, stand-in icacls/takeown that record each run.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "actions/commands.h"
#include "actions/menus_win32.h"
#include "actions/node_menus.h"
#include "actions/undo.h"
#include "app/main_window_win32.h"
#include "config/config_text.h"
#include "exec/runner_win32.h"
#include "resources/resource_ids.h"
#include "security/groups.h"
#include "tests/win32/exec_standin.h"
#include "tests/win32/testbed.h"

namespace {

using Lines = std::vector<std::string>;

// Appends the popup's items to shown, a line each ("[x] " for a check mark,
// separators empty, a submenu's items after its own); returns the id of the
// item with the wanted text.
UINT ReadPopup(HMENU menu, const std::wstring& wanted, std::wstring* shown) {
    UINT found = 0;
    for (int i = 0; i < GetMenuItemCount(menu); i++) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        *shown += std::wstring(!sub && (GetMenuState(menu, i, MF_BYPOSITION) & MF_CHECKED) ? L"[x] " : L"") + text + L"\n";
        UINT id = sub ? ReadPopup(sub, wanted, shown) : (wanted == text ? GetMenuItemID(menu, i) : 0);
        if (!found) found = id;
    }
    return found;
}

std::vector<std::wstring> g_picks;   // the item each popup in turn chooses; "" dismisses
std::vector<std::wstring> g_shown;   // what each popup showed

UINT ScriptedTracker(HMENU popup, HWND) {
    std::wstring wanted = g_shown.size() < g_picks.size() ? g_picks[g_shown.size()] : L"";
    g_shown.emplace_back();
    UINT id = ReadPopup(popup, wanted, &g_shown.back());
    return wanted.empty() ? 0 : id;
}

const wchar_t* g_cancelCaption;   // the dialog CancelDialog closes once it shows
int g_cancelled = 0;

void CALLBACK CancelDialog(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(nullptr, g_cancelCaption);
    if (!dialog || !IsWindowVisible(dialog)) return;
    g_cancelled++;
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    KillTimer(nullptr, timer);
}

HWND TreeOf(HWND main) { return GetDlgItem(main, IDC_TREE); }

// Opens the menu of the first node of this kind, as the tree's notifications do.
bool OpenOnKind(HWND main, uint32_t kind) {
    for (const NodeInfo& n : TreeNodes(TreeOf(main))) {
        if (((n.param >> 16) & 0xFF) != kind) continue;
        SendMessageW(TreeOf(main), TVM_SELECTITEM, TVGN_CARET, (LPARAM)n.item);
        ShowNodeMenu(main, TreeOf(main));
        return true;
    }
    return false;
}

// An entry the tree never shows for a real folder under Wine.
void AddEntry(HWND tree, HTREEITEM parent, uint32_t kind) {
    TVINSERTSTRUCTW insert = {parent, TVI_LAST};
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(L"Allow(inherit) : Everyone : Read");
    insert.item.lParam = (LPARAM)(kind << 16);
    SendMessageW(tree, TVM_INSERTITEMW, 0, (LPARAM)&insert);
}

class ActionsWine : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallStandin(L"icacls") && InstallStandin(L"takeown"));
        folder_ = NewTempFolder();
        ASSERT_FALSE(folder_.empty());
        env_.Set(L"OVRIX_STANDIN_LOG", folder_ + L"\\runs.txt");
        g_popupTracker = ScriptedTracker;
        ResetTraverseSubfolders();
    }
    void TearDown() override {
        g_popupTracker = TrackPopupAtCursor;
        ResetTraverseSubfolders();
        RemoveTree(folder_);
    }
    std::wstring Folder(const std::wstring& name) {
        EXPECT_TRUE(CreateDirectoryW((folder_ + L"\\" + name).c_str(), nullptr));
        return folder_ + L"\\" + name;
    }
    Lines Runs() {
        Lines runs;
        std::string text = ReadFileBytes(folder_ + L"\\runs.txt");
        for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            runs.push_back(text.substr(start, end - start));
        return runs;
    }

    std::wstring folder_;
    ScopedEnvironment env_;
};

TEST_F(ActionsWine, MenusOnAGroupOfThreeFolders) {
    std::wstring a = Folder(L"a"), b = Folder(L"b c"), c = Folder(L"100%s");
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,0,0,0,1,0");   // the fifth run fails
    RunWithMainWindow((L"ovrix.exe " + a + L" \"" + b + L"\" " + c).c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        const HTREEITEM root = TreeNodes(tree)[0].item;
        ASSERT_EQ(TreeNodes(tree)[0].text, L"(3) " + a) << DumpTree(tree);
        // Attribute nodes, and inherited, audit and other-type entries that
        // name no entry of the group, open no menu.
        for (uint32_t kind : {0x0du, 0x0eu, 0x0fu}) AddEntry(tree, root, kind);
        for (uint32_t kind : {0x00u, 0x02u, 0x03u, 0x0du, 0x0eu, 0x0fu}) EXPECT_TRUE(OpenOnKind(main, kind)) << kind;
        EXPECT_TRUE(g_shown.empty()) << Utf8(g_shown.empty() ? L"" : g_shown[0]);
        // A dismissed menu runs nothing; "list files" writes the paths and ".".
        g_picks = {L"", L"list files", L"Change owner", L"Traverse all subfolders", L"Enter account name",
                   L"Special Permissions", L"Clear inheritable"};
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        ASSERT_TRUE(OpenOnKind(main, 0x01));
        EXPECT_NE(LogText(main).find(a + L"\r\n" + b + L"\r\n" + c + L"\r\n.\r\n"), std::wstring::npos)
            << Utf8(LogText(main));
        EXPECT_TRUE(Runs().empty());
        // The template runs for each path in stored order.
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        EXPECT_EQ(g_shown[2], L"Change owner\n\nFind this account\n");
        const std::string yes = " /a /r /d " + std::string(1, (char)TakeownYesLetter(GetUserDefaultUILanguage()));
        EXPECT_EQ(Runs(), (Lines{"takeown /f " + Utf8(a) + yes, "takeown /f \"" + Utf8(b) + "\"" + yes,
                                 "takeown /f " + Utf8(c) + yes}));
        // The switch flips and runs nothing; cancelled dialogs run nothing.
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        for (auto dialog : {std::make_pair(L"Account Name", 0x0au), std::make_pair(L"Detail Permissions", 0x0bu)}) {
            g_cancelCaption = dialog.first;
            SetTimer(nullptr, 0, 50, CancelDialog);
            ASSERT_TRUE(OpenOnKind(main, dialog.second)) << "Wine gives folders allow entries" << Utf8(DumpTree(tree));
        }
        EXPECT_EQ(g_cancelled, 2);
        EXPECT_EQ(Runs().size(), 3u);
        EXPECT_NE(g_shown[3].find(L"\n\nAllow inheritable subfolers,files\nTraverse all subfolders\n"), std::wstring::npos);
        EXPECT_NE(g_shown[4].find(L"\n\nAllow inheritable subfolers,files\n[x] Traverse all subfolders\n"),
                  std::wstring::npos) << g_shown[4];
        // A failure on the second path stops the rest; the group is still rebuilt from its first path.
        const std::wstring before = DumpTree(tree);
        AddEntry(tree, root, 0x0d);   // gone once the group is rebuilt
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        Lines runs = Runs();
        EXPECT_EQ(Lines(runs.begin() + 3, runs.end()),
                  (Lines{"icacls " + Utf8(a) + " /inheritance:r /T", "icacls \"" + Utf8(b) + "\" /inheritance:r /T"}));
        EXPECT_EQ(DumpTree(tree), before);
        EXPECT_TRUE(TreeNodes(tree)[0].selected && TreeNodes(tree)[0].item == root) << "the group's root, selected";
    });
}

TEST_F(ActionsWine, AListedNameLongerThanAnAccountNameIsRefusedNotCut) {
    std::wstring a = Folder(L"a");
    std::u16string list = u"[PC_USER_LIST]\n" + std::u16string(300, u'n') + u"\n" + std::u16string(129, u'\0');
    RunWithMainWindow((L"ovrix.exe " + a).c_str(), [&](HWND main) {
        ConfigText saved = std::exchange(g_listFile, ConfigText{&list[0], (uint32_t)list.size() - 128});
        g_shown.clear();
        g_picks = {std::wstring(255, L'n')};   // all a popup's text reader sees of it
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        g_listFile = saved;
        EXPECT_TRUE(Runs().empty());
        EXPECT_NE(LogText(main).find(L"Account name too long, not run: " + std::wstring(256, L'n') + L"\r\n"),
                  std::wstring::npos) << Utf8(LogText(main));
    });
}

// Acts on the main window from a timer, that is while a command runs.
std::function<void(HWND)> g_inRun;
void CALLBACK ActInRun(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    g_inRun(FindWindowW(L"ovrix", nullptr));
}

TEST_F(ActionsWine, ADropWhileACommandRunsIsRefused) {
    std::wstring a = Folder(L"a"), b = Folder(L"b"), other = Folder(L"other");
    env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"400");
    RunWithMainWindow((L"ovrix.exe " + a + L" " + b).c_str(), [&](HWND main) {
        g_picks = {L"Change owner"};
        g_inRun = [&](HWND w) { DropFiles(w, {other}); };
        SetTimer(nullptr, 0, 100, ActInRun);
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        // Both commands ran on the group's own paths; the tree is the same.
        Lines runs = Runs();
        ASSERT_EQ(runs.size(), 2u);
        EXPECT_EQ(runs[1].rfind("takeown /f " + Utf8(b) + " ", 0), 0u) << runs[1];
        EXPECT_EQ(TreeNodes(TreeOf(main))[0].text, L"(2) " + a);
        EXPECT_NE(LogText(main).find(L"busy: drop ignored\r\n"), std::wstring::npos) << Utf8(LogText(main));
    });
}

// The run changes the first path (made read-only while its command runs)
// and fails on the second: the refresh shows the changed path and the two
// unchanged ones as two groups.
TEST_F(ActionsWine, APartlyFailedRunLeavesTheChangedAndTheUnchangedPathsInTwoGroups) {
    std::wstring paths[3];
    for (int i = 0; i < 3; i++) {
        paths[i] = folder_ + L"\\" + (wchar_t)(L'a' + i) + L".txt";
        HANDLE file = CreateFileW(paths[i].c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,1");
    env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"400");
    RunWithMainWindow((L"ovrix.exe " + paths[0] + L" " + paths[1] + L" " + paths[2]).c_str(), [&](HWND main) {
        ASSERT_EQ(TreeNodes(TreeOf(main))[0].text, L"(3) " + paths[0]);
        g_picks = {L"Change owner"};
        g_inRun = [&](HWND) { SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_READONLY); };
        SetTimer(nullptr, 0, 100, ActInRun);
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        EXPECT_EQ(Runs().size(), 2u);
        std::vector<std::wstring> roots;
        for (const NodeInfo& n : TreeNodes(TreeOf(main)))
            if (n.depth == 0) roots.push_back(n.text);
        EXPECT_EQ(roots, (std::vector<std::wstring>{paths[0], L"(2) " + paths[1]})) << Utf8(DumpTree(TreeOf(main)));
        EXPECT_TRUE(TreeNodes(TreeOf(main))[0].selected);
    });
    SetFileAttributesW(paths[0].c_str(), FILE_ATTRIBUTE_NORMAL);
}

int g_questions;
int AnswerYes(HWND, const char16_t*, UINT) { return ++g_questions, IDYES; }

TEST_F(ActionsWine, EscOrACloseAnsweredYesEndsTheRunningCommandAndStopsTheGroup) {
    std::wstring a = Folder(L"a"), b = Folder(L"b"), c = Folder(L"c");
    env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"600000");
    g_questions = 0;
    MessagePresenter previous = SetMessagePresenter(AnswerYes);
    RunWithMainWindow((L"ovrix.exe " + a + L" " + b + L" " + c).c_str(), [&](HWND main) {
        const std::wstring stopped = L"\r\nStopped: 0 of 3 paths done.\r\n";
        g_picks = {L"Change owner", L"Change owner"};
        g_inRun = [&](HWND w) {
            WaitFor([&] { return Runs().size() == 1; });
            PostMessageW(GetDlgItem(w, IDC_TREE), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        };
        SetTimer(nullptr, 0, 100, ActInRun);
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        EXPECT_EQ(std::make_pair(g_questions, Runs().size()), std::make_pair(1, (size_t)1));
        EXPECT_NE(LogText(main).find(stopped), std::wstring::npos) << Utf8(LogText(main));
        EXPECT_TRUE(IsWindowVisible(main) && IsWindowEnabled(main));
        // Sent as another program sends it: answered at once, the command
        // ended, and the window closed after the stop.
        static bool answered;
        static std::wstring runs;
        answered = false;
        runs = folder_ + L"\\runs.txt";
        HANDLE sender = CreateThread(nullptr, 0, [](void* w) -> DWORD {
            for (int i = 0; i < 400 && ReadFileBytes(runs).find("\ntakeown") == std::string::npos; i++) Sleep(25);
            DWORD_PTR result;
            answered = SendMessageTimeoutW((HWND)w, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &result) != 0;
            return 0;
        }, main, 0, nullptr);
        SetWindowTextW(GetDlgItem(main, IDC_LOG), L"");
        ASSERT_TRUE(OpenOnKind(main, 0x08));
        WaitForSingleObject(sender, INFINITE);
        CloseHandle(sender);
        EXPECT_TRUE(answered);
        EXPECT_EQ(std::make_pair(g_questions, Runs().size()), std::make_pair(2, (size_t)2));
        EXPECT_NE(LogText(main).find(stopped), std::wstring::npos) << Utf8(LogText(main));
        EXPECT_FALSE(IsWindowVisible(main)) << "the dialog has ended";
    });
    SetMessagePresenter(previous);
}

// A real Space key press on the tree opens the real popup; the WM_CHAR the
// key leaves queued must not close it.
int g_openTicks;   // timer ticks that found the popup open

void Press(BYTE key) {
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

void CALLBACK ChooseOnceOpenAWhile(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    if (!menu || !IsWindowVisible(menu) || ++g_openTicks < 10) return;
    KillTimer(nullptr, timer);
    Press(VK_DOWN);
    Press(VK_RETURN);
}

TEST_F(ActionsWine, SpaceKeyOpensARealMenuThatStaysOpen) {
    std::wstring a = Folder(L"a");
    g_popupTracker = TrackPopupAtCursor;
    RunWithMainWindow((L"ovrix.exe " + a).c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)TreeNodes(tree)[0].item);   // the path's root
        SetForegroundWindow(main);
        SetFocus(tree);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == tree; }, 5000));
        g_openTicks = 0;
        SetTimer(nullptr, 0, 30, ChooseOnceOpenAWhile);
        Press(VK_SPACE);
        // "list files" writes the path and "." once the menu has been used.
        bool listed = WaitFor([&] { return LogText(main).find(a + L"\r\n.\r\n") != std::wstring::npos; }, 15000);
        EXPECT_GE(g_openTicks, 10) << "the popup opened and stayed open until a choice";
        EXPECT_TRUE(listed) << Utf8(LogText(main));
        EXPECT_TRUE(Runs().empty());
    });
}


// The bytes icacls /restore is to get for these names, from the group's DACL
// as the model holds it.
std::string RestoreFileBytes(const std::vector<std::wstring>& names) {
    GroupSnapshot group;
    ByteBuffer line, file;
    ByteBufferInit(&line);
    ByteBufferInit(&file);
    EXPECT_TRUE(ReadGroup(0, &group) && RestoreDaclLine(group.security, &line));
    for (const std::wstring& name : names)
        AppendRestoreEntry(&file, reinterpret_cast<const char16_t*>(name.c_str()), &line);
    std::string bytes(reinterpret_cast<const char*>(file.data), file.used);
    ByteBufferFree(&line);
    ByteBufferFree(&file);
    return bytes;
}

void PressCtrlZ() {
    keybd_event(VK_CONTROL, 0, 0, 0);
    Press('Z');
    keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
}

TEST_F(ActionsWine, UndoLastChangeRestoresEachFolderThroughAFileThatIsGoneAfterwardsAndCtrlZDoesToo) {
    const std::wstring a = Folder(L"a"), b = Folder(L"b c");
    const std::wstring x = a + L"\\x.txt", y = b + L"\\y \u00e9.txt", z = a + L"\\z.txt";
    for (const std::wstring& path : {x, y, z}) ASSERT_TRUE(WriteFileBytes(path, "data"));
    env_.Set(L"OVRIX_STANDIN_COPY", folder_ + L"\\restore");
    RunWithMainWindow((L"ovrix.exe " + x + L" \"" + y + L"\" " + z).c_str(), [&](HWND main) {
        HWND tree = TreeOf(main);
        ASSERT_EQ(TreeNodes(tree)[0].text, L"(3) " + x) << Utf8(DumpTree(tree));
        const std::string inA = RestoreFileBytes({L"x.txt", L"z.txt"}), inB = RestoreFileBytes({L"y \u00e9.txt"});
        g_shown.clear();
        g_picks = {L"Clear inheritable", L"Undo last change"};
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        ASSERT_TRUE(OpenOnKind(main, 0x01));
        EXPECT_NE(g_shown[1].find(L"Undo last change\nCopy report\n"), std::wstring::npos) << Utf8(g_shown[1]);
        // The three changes, then one restore per folder, in the order the folders first come.
        Lines runs = Runs();
        ASSERT_EQ(runs.size(), 5u) << Utf8(LogText(main));
        const std::string restoreA = "icacls " + Utf8(a) + " /restore ";
        const std::string restoreB = "icacls \"" + Utf8(b) + "\" /restore ";
        EXPECT_EQ(runs[3].rfind(restoreA, 0), 0u) << runs[3];
        EXPECT_EQ(runs[4].rfind(restoreB, 0), 0u) << runs[4];
        EXPECT_EQ(ReadFileBytes(folder_ + L"\\restore3"), inA);
        EXPECT_EQ(ReadFileBytes(folder_ + L"\\restore4"), inB);
        for (const std::string& run : {runs[3].substr(restoreA.size()), runs[4].substr(restoreB.size())}) {
            std::string file = run[0] == '"' ? run.substr(1, run.size() - 2) : run;
            wchar_t wide[MAX_PATH] = {};
            MultiByteToWideChar(CP_UTF8, 0, file.c_str(), -1, wide, MAX_PATH);
            EXPECT_EQ(GetFileAttributesW(wide), INVALID_FILE_ATTRIBUTES) << file << " is gone";
        }
        EXPECT_FALSE(UndoOffered(0));
        // Ctrl+Z as a user presses it on the tree: the next change is undone; then nothing is.
        g_picks = {L"Clear inheritable"};
        g_shown.clear();
        ASSERT_TRUE(OpenOnKind(main, 0x0a));
        SetForegroundWindow(main);
        SetFocus(tree);
        ASSERT_TRUE(WaitFor([&] { return GetFocus() == tree; }, 5000));
        PressCtrlZ();
        EXPECT_TRUE(WaitFor([&] { return Runs().size() == 10; }, 15000)) << Utf8(LogText(main));
        PressCtrlZ();
        const std::wstring twice = L"No undo: an undo is not undone.\r\nNo undo: an undo is not undone.\r\n";
        EXPECT_TRUE(WaitFor([&] { return LogText(main).find(twice) != std::wstring::npos; }, 15000))
            << Utf8(LogText(main));
        EXPECT_EQ(Runs().size(), 10u);
    });
}

}  // namespace
