// The main window as a user first meets it: placeholders, log, layout, close.
#include <gtest/gtest.h>

#include <set>

#include "app/main_window_win32.h"
#include "tests/win32/testbed.h"

namespace {

RECT ChildRect(HWND main, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(main, id), &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

}  // namespace

TEST(MainWindow, StartsWithThePlaceholderNodesAndTheBanner) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        std::vector<NodeInfo> nodes = TreeNodes(GetDlgItem(main, kTreeId));
        ASSERT_EQ(nodes.size(), 3u) << DumpTree(GetDlgItem(main, kTreeId));
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
        EXPECT_EQ(SendDlgItemMessageW(main, kLogId, EM_GETLIMITTEXT, 0, 0), kLogLimit);

        wchar_t caption[64];
        GetDlgItemTextW(main, IDOK, caption, 64);
        EXPECT_STREQ(caption, L"Close");
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, kActionButtonId)));
    });
}

TEST(MainWindow, ResizeKeepsTheTreeAtTwoThirdsAndTheActionButtonHidden) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        for (SIZE size : {SIZE{640, 520}, SIZE{300, 700}, SIZE{900, 400}}) {
            SetWindowPos(main, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
            PumpMessages();
            RECT client;
            GetClientRect(main, &client);
            RECT tree = ChildRect(main, kTreeId), log = ChildRect(main, kLogId), close = ChildRect(main, IDOK);
            RECT action = ChildRect(main, kActionButtonId);
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
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(main, kActionButtonId)));
        }
        // Too small for a log: it keeps one pixel and the buttons sit below it.
        SetWindowPos(main, nullptr, 0, 0, 120, 60, SWP_NOMOVE | SWP_NOZORDER);
        PumpMessages();
        RECT log = ChildRect(main, kLogId);
        EXPECT_EQ(log.bottom - log.top, 1);
    });
}

TEST(MainWindow, MinimizingKeepsTheLayout) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        RECT before = ChildRect(main, kLogId);
        SendMessageW(main, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
        RECT after = ChildRect(main, kLogId);
        EXPECT_TRUE(EqualRect(&before, &after));
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
             HWND tree = GetDlgItem(w, kTreeId);
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
