// The main window as a user first meets it: placeholders, log, layout, close.
#include <gtest/gtest.h>
#include <stdio.h>

#include <algorithm>
#include <set>

#include "actions/menus_win32.h"
#include "app/main_window_win32.h"
#include "exec/log_pane_win32.h"
#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

TEST(MainWindow, StartsWithThePlaceholderNodesAndTheBanner) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        std::vector<NodeInfo> nodes = TreeNodes(GetDlgItem(main, IDC_TREE));
        ASSERT_EQ(nodes.size(), 3u) << DumpTree(GetDlgItem(main, IDC_TREE));
        EXPECT_EQ(nodes[0].text, L"ovrix  Version 0.6");
        EXPECT_EQ(nodes[1].text, L"Usage: ovrix [filename or @filelist or @8@utf8filelist]...");
        EXPECT_EQ(nodes[2].text, L"(drop files/folder here)");
        EXPECT_EQ(nodes[0].image, 18);
        EXPECT_EQ(nodes[0].selectedImage, 18);
        for (int i = 1; i < 3; i++) {
            EXPECT_EQ(nodes[i].image, 0);
            EXPECT_EQ(nodes[i].selectedImage, 0);
        }
        for (const NodeInfo& n : nodes) {
            EXPECT_EQ(n.param, 0u);
            EXPECT_EQ(n.depth, 0);
        }
        EXPECT_TRUE(nodes[0].selected);

        std::vector<std::wstring> log = LogLines(main);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[0], L"ovrix  Version 0.6");
        EXPECT_EQ(log[1].rfind(L"language file : ", 0), 0u) << log[1];
        EXPECT_EQ(SendDlgItemMessageW(main, IDC_LOG, EM_GETLIMITTEXT, 0, 0), kLogLimit);

        wchar_t caption[64];
        GetDlgItemTextW(main, IDOK, caption, 64);
        EXPECT_STREQ(caption, L"Close");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, IDC_ACTION_BUTTON)));
    });
}

TEST(MainWindow, ResizeKeepsTheTreeAtTwoThirdsAndTheActionButtonHidden) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        for (SIZE size : {SIZE{640, 520}, SIZE{300, 700}, SIZE{900, 400}}) {
            SetWindowPos(main, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
            PumpMessages();
            RECT client;
            GetClientRect(main, &client);
            RECT tree = ChildRect(main, IDC_TREE), log = ChildRect(main, IDC_LOG), close = ChildRect(main, IDOK);
            RECT action = ChildRect(main, IDC_ACTION_BUTTON);
            int H = client.bottom, W = client.right;
            EXPECT_EQ(tree.top, 0);
            EXPECT_EQ(tree.bottom, 2 * H / 3);
            EXPECT_EQ(tree.right - tree.left, W);
            int gap = log.top - tree.bottom;
            EXPECT_GT(gap, 0);
            EXPECT_EQ(log.right - log.left, W);
            EXPECT_EQ(close.top, log.bottom + gap);
            EXPECT_EQ(close.bottom + gap, H);   // gap to the bottom edge
            int space = (W - (action.right - action.left) - (close.right - close.left)) / 3;
            EXPECT_EQ(close.left, (action.right - action.left) + 2 * space);
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, IDC_ACTION_BUTTON)));
        }
        // Too small for a log: it keeps one pixel and the buttons sit below it.
        SetWindowPos(main, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        RECT log = ChildRect(main, IDC_LOG);
        EXPECT_EQ(log.bottom - log.top, 1);
        // Minimising leaves the layout alone.
        SendMessageW(main, WM_SIZE, SIZE_MINIMIZED, 0);
        RECT after = ChildRect(main, IDC_LOG);
        EXPECT_TRUE(EqualRect(&log, &after));
    });
}

TEST(MainWindow, RendersSomethingOtherThanABlankArea) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        ShowWindow(main, SW_SHOW);
        SetForegroundWindow(main);
        RedrawWindow(main, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages();
        RECT r;
        GetClientRect(main, &r);
        MapWindowPoints(main, nullptr, reinterpret_cast<POINT*>(&r), 2);
        HDC screen = GetDC(nullptr);
        HDC memory = CreateCompatibleDC(screen);
        int width = r.right - r.left, height = r.bottom - r.top;
        HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
        std::set<COLORREF> colours;
        for (int y = 0; y < height; y += 3)
            for (int x = 0; x < width; x += 3) colours.insert(GetPixel(memory, x, y));
        SelectObject(memory, old);
        DeleteObject(bitmap);
        DeleteDC(memory);
        ReleaseDC(nullptr, screen);
        EXPECT_GE(colours.size(), 3u);
    });
}

TEST(Program, EveryWayOfClosingEndsWithExitCodeZero) {
    struct Way {
        const char* name;
        void (*close)(HWND);
    };
    const Way ways[] = {
        {"close box", [](HWND w) { PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"WM_CLOSE", [](HWND w) { PostMessageW(w, WM_CLOSE, 0, 0); }},
        {"Close button", [](HWND w) { PostMessageW(GetDlgItem(w, IDOK), BM_CLICK, 0, 0); }},
        {"Escape", [](HWND w) {
             HWND tree = GetDlgItem(w, IDC_TREE);
             PostMessageW(tree, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
             PostMessageW(tree, WM_KEYUP, VK_ESCAPE, 0xC0010001);
         }},
    };
    for (const Way& way : ways) {
        OvrixProcess p;
        ASSERT_TRUE(StartOvrix(L"", &p)) << way.name;
        way.close(p.window);
        EXPECT_EQ(WaitForExit(&p), 0u) << way.name;
    }
}

namespace {

int g_menus;
std::wstring g_firstEntry;

UINT RecordingTracker(HMENU popup, HWND) {
    wchar_t text[128] = {};
    GetMenuStringW(popup, 0, text, 128, MF_BYPOSITION);
    g_menus++;
    g_firstEntry = text;
    return 0;   // dismissed
}

void Notify(HWND main, UINT code) {
    NMHDR header = {GetDlgItem(main, IDC_TREE), (UINT_PTR)IDC_TREE, code};
    SendMessageW(main, WM_NOTIFY, IDC_TREE, (LPARAM)&header);
}

}  // namespace

TEST(MainWindow, TreeRequestsOpenTheMenuOfTheNodeTheyAimAt) {
    std::wstring folder = NewTempFolder();
    std::wstring file = folder + L"\\a.txt";
    ASSERT_TRUE(WriteFileBytes(file, "a"));
    g_popupTracker = RecordingTracker;
    RunWithMainWindow((L"ovrix.exe \"" + file + L"\"").c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        std::vector<NodeInfo> nodes = TreeNodes(tree);
        auto owner = std::find_if(nodes.begin(), nodes.end(),
                                  [](const NodeInfo& n) { return n.text.rfind(L"Ownership : ", 0) == 0; });
        ASSERT_NE(owner, nodes.end()) << DumpTree(tree);

        // A right click selects the node under the pointer, then opens its menu.
        RECT r;
        *reinterpret_cast<HTREEITEM*>(&r) = owner->item;
        SendMessageW(tree, TVM_GETITEMRECT, TRUE, (LPARAM)&r);
        POINT p = {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(tree, &p);
        SetCursorPos(p.x, p.y);
        Notify(main, NM_RCLICK);
        EXPECT_EQ((HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0), owner->item);
        EXPECT_EQ(g_menus, 1);
        EXPECT_EQ(g_firstEntry, L"Change owner");

        // On empty space it opens the menu of the node already selected.
        RECT client;
        GetClientRect(tree, &client);
        POINT empty = {client.right / 2, client.bottom - 2};
        ClientToScreen(tree, &empty);
        SetCursorPos(empty.x, empty.y);
        Notify(main, NM_RCLICK);
        EXPECT_EQ((HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0), owner->item);
        EXPECT_EQ(g_menus, 2);
        Notify(main, NM_DBLCLK);
        EXPECT_EQ(g_menus, 3);

        // A drop that yields no group brings the placeholders back, after the
        // node of the name that could not be formed.
        DropFiles(main, {L"C:\\" + std::wstring(300, L'x')});
        nodes = TreeNodes(tree);
        ASSERT_EQ(nodes.size(), 4u) << DumpTree(tree);
        EXPECT_EQ(nodes[0].text.rfind(L"unknown name : C:\\xxx", 0), 0u);
        EXPECT_EQ(nodes[1].text, L"ovrix  Version 0.6");
        EXPECT_TRUE(nodes[0].selected);
    });
    g_popupTracker = TrackPopupAtCursor;
    RemoveTree(folder);
}

namespace {

// n files alike and a list file naming them: one group under the first.
std::wstring ListOfFilesAlike(const std::wstring& folder, int n, std::wstring* file) {
    *file = folder + L"\\a.txt";
    std::string list;
    for (int i = 0; i < n; i++) {
        const std::wstring name = i ? folder + L"\\a" + std::to_wstring(i) + L".txt" : *file;
        WriteFileBytes(name, "a");
        list += Utf8(name) + "\r\n";
    }
    WriteFileBytes(folder + L"\\list.txt", list);
    return L"ovrix.exe @8@" + folder + L"\\list.txt";
}

bool StartsWith(const std::wstring& s, const wchar_t* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

// The window is up while the paths are read: the start-up lines first, then
// one progress line replaced in place by the final one; meanwhile the tree is
// disabled and a drop is refused, with a line that says so.
TEST(WindowFirst, ProgressLineReplacedInPlaceTreeDisabledAndADropRefused) {
    std::wstring folder = NewTempFolder(), file, other = folder + L"\\other.txt";
    WriteFileBytes(other, "b");
    std::wstring commandLine = ListOfFilesAlike(folder, 300, &file);
    SlowReadingClock clock;
    RunWithMainWindow(commandLine.c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        ASSERT_TRUE(WaitFor([&] { return StartsWith(LogLines(main).back(), L"Reading: "); }));
        EXPECT_FALSE(IsWindowEnabled(tree));
        std::vector<std::wstring> log = LogLines(main);
        EXPECT_EQ(log[0], L"ovrix  Version 0.6");
        EXPECT_TRUE(StartsWith(log[1], L"language file : "));
        EXPECT_NE(log.back().find(L" of 300 paths, 1 groups"), std::wstring::npos) << log.back();
        const size_t at = log.size() - 1;
        DropFiles(main, {other});   // refused; returns once the reading has ended
        EXPECT_TRUE(IsWindowEnabled(tree));
        log = LogLines(main);
        ASSERT_EQ(log.size(), at + 2);
        EXPECT_EQ(log[at], L"busy: drop ignored");
        EXPECT_TRUE(StartsWith(log[at + 1], L"300 paths in 1 groups, ")) << log[at + 1];
        EXPECT_EQ(TreeNodes(tree)[0].text, L"(300) " + file);
        EXPECT_TRUE(TreeNodes(tree)[0].selected);
        EXPECT_EQ(GetFocus(), tree);   // as when the paths were read before the window showed
    }, true);
    RemoveTree(folder);
}

TEST(WindowFirst, EscStopsTheReadingAndKeepsWhatWasRead) {
    std::wstring folder = NewTempFolder(), file;
    std::wstring commandLine = ListOfFilesAlike(folder, 300, &file);
    SlowReadingClock clock;
    RunWithMainWindow(commandLine.c_str(), [&](HWND main) {
        ASSERT_TRUE(WaitFor([&] { return StartsWith(LogLines(main).back(), L"Reading: "); }));
        PostMessageW(main, WM_COMMAND, IDCANCEL, 0);
        ASSERT_TRUE(WaitForReading());
        ASSERT_TRUE(IsWindow(main));
        std::wstring last = LogLines(main).back();
        int n = 0;
        ASSERT_EQ(swscanf(last.c_str(), L"Stopped after %d paths.", &n), 1) << last;
        EXPECT_TRUE(n > 0 && n < 300) << n;
        const std::wstring root = n == 1 ? file : L"(" + std::to_wstring(n) + L") " + file;   // one path: no count
        EXPECT_EQ(TreeNodes(GetDlgItem(main, IDC_TREE))[0].text, root);
    }, true);
    RemoveTree(folder);
}

// Not a timed test (bench): the window's start with a 10,000-path list file,
// and 5,000 paths read from a list file against the same 5,000 dropped.
TEST(WindowFirst, DISABLED_Benchmark) {
    std::wstring folder = NewTempFolder(), file;
    std::wstring commandLine = ListOfFilesAlike(folder, 10000, &file);
    OvrixProcess p;
    ULONGLONG start = GetTickCount64();
    ASSERT_TRUE(StartOvrix(commandLine.substr(10), &p, 120000));   // waits until read, so time the window apart
    WaitForExit(&p, 1);
    STARTUPINFOW si = {sizeof si};
    std::wstring line = L"\"" + ExeDirectory() + L"ovrix.exe\" " + commandLine.substr(10);
    start = GetTickCount64();
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &p.info));
    ULONGLONG visible = 0;
    WaitFor([&] {
        HWND w = nullptr;
        for (HWND c = FindWindowW(L"ovrix", nullptr); c; c = FindWindowExW(nullptr, c, L"ovrix", nullptr)) {
            DWORD pid = 0;
            GetWindowThreadProcessId(c, &pid);
            if (pid == p.info.dwProcessId) w = c;
        }
        if (w && IsWindowVisible(w) && !visible) visible = GetTickCount64() - start;
        return w && IsWindowEnabled(GetDlgItem(w, IDC_TREE));
    }, 120000);
    printf("10,000-path list: window visible after %llu ms, read after %llu ms\n", visible, GetTickCount64() - start);
    WaitForExit(&p, 1);

    std::vector<std::wstring> names;
    for (int i = 0; i < 5000; i++) names.push_back(i ? folder + L"\\a" + std::to_wstring(i) + L".txt" : file);
    RunWithMainWindow((L"ovrix.exe @8@" + folder + L"\\half.txt").c_str(), [&](HWND main) {
        printf("5,000 dropped paths: %ls\n", (DropFiles(main, names), LogLines(main).back().c_str()));
    });
    std::string list;
    for (const std::wstring& name : names) list += Utf8(name) + "\r\n";
    WriteFileBytes(folder + L"\\half.txt", list);
    RunWithMainWindow((L"ovrix.exe @8@" + folder + L"\\half.txt").c_str(), [&](HWND main) {
        printf("5,000 listed paths: %ls\n", LogLines(main).back().c_str());
    });
    RemoveTree(folder);
}
