// The tree's glyphs and the window's margins at the screen's DPI: at start
// (the prefix's LogPixels, read by a freshly started program) and when the
// window moves to a screen of another DPI.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

int GlyphPixels(HWND tree) {
    int cx = 0, cy = 0;
    HIMAGELIST glyphs = (HIMAGELIST)SendMessageW(tree, TVM_GETIMAGELIST, TVSIL_NORMAL, 0);
    return glyphs && ImageList_GetIconSize(glyphs, &cx, &cy) && cx == cy ? cx : 0;
}

// Rows of the tree's first row, as shown on the screen, that hold the green
// of the banner's arrows glyph: the glyph's drawn height.
int GreenRowsOfFirstRow(HWND tree) {
    const int rowHeight = (int)SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0);
    RECT r;
    GetClientRect(tree, &r);
    MapWindowPoints(tree, nullptr, reinterpret_cast<POINT*>(&r), 2);
    HDC screen = GetDC(nullptr);
    int top = -1, bottom = -1;
    for (int y = 0; y < rowHeight; ++y)
        for (int x = 0; x < 4 * rowHeight && x < r.right - r.left; ++x)
            if (GetPixel(screen, r.left + x, r.top + y) == RGB(0, 0x80, 0)) {
                if (top < 0) top = y;
                bottom = y;
            }
    ReleaseDC(nullptr, screen);
    return top < 0 ? 0 : bottom - top + 1;
}

// Sets the prefix's DPI for programs started from now on; the old value
// goes back at the end, whatever happens, as other tests share the prefix.
struct LogPixels {
    HKEY key = nullptr;
    DWORD old = 0, size = sizeof old;
    bool had;
    explicit LogPixels(DWORD dpi) {
        RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        had = RegQueryValueExW(key, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old), &size) == 0;
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof dpi);
    }
    ~LogPixels() {
        if (had) RegSetValueExW(key, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof old);
        else RegDeleteValueW(key, L"LogPixels");
        RegCloseKey(key);
    }
};

}  // namespace

TEST(Dpi, TheProgramStartsWithTheGlyphsOfTheScreensDpiAndRowsThatFitThem) {
    for (int dpi : {192, 96}) {
        const int glyph = dpi / 6;   // 32 or 16 pixels
        LogPixels setting(dpi);
        OvrixProcess p;
        ASSERT_TRUE(StartOvrix(L"", &p)) << dpi;
        HWND tree = GetDlgItem(p.window, IDC_TREE);
        SetForegroundWindow(p.window);
        WaitFor([&] { return GreenRowsOfFirstRow(tree) > 0; }, 5000);
        const int rowHeight = (int)SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0), green = GreenRowsOfFirstRow(tree);
        PostMessageW(p.window, WM_CLOSE, 0, 0);
        EXPECT_EQ(WaitForExit(&p), 0u);
        // The banner's arrows fill most of their glyph, and the row holds it.
        EXPECT_GE(rowHeight, glyph) << dpi;
        EXPECT_TRUE(green > glyph / 2 && green <= glyph) << dpi << ": " << green;
    }
}

TEST(Dpi, MovedToAScreenOfTwiceTheDpiTheWindowTakesTheSuggestedRectangleAndScales) {
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        EXPECT_EQ(GlyphPixels(tree), 16);
        // Small enough that twice the size fits the screen.
        SetWindowPos(main, nullptr, 10, 10, 400, 300, SWP_NOZORDER);
        RECT before, close = ChildRect(main, IDOK);
        GetWindowRect(main, &before);
        const int gap = ChildRect(main, IDC_LOG).top - ChildRect(main, IDC_TREE).bottom;
        const int width = before.right - before.left, height = before.bottom - before.top;

        RECT suggested = {before.left, before.top, before.left + 2 * width, before.top + 2 * height};
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(192, 192), (LPARAM)&suggested);
        RECT now, closeNow = ChildRect(main, IDOK), client;
        GetWindowRect(main, &now);
        GetClientRect(main, &client);
        EXPECT_TRUE(EqualRect(&now, &suggested));
        EXPECT_EQ(GlyphPixels(tree), 32);
        EXPECT_GE(SendMessageW(tree, TVM_GETITEMHEIGHT, 0, 0), 32);
        EXPECT_EQ(ChildRect(main, IDC_LOG).top - ChildRect(main, IDC_TREE).bottom, 2 * gap);
        EXPECT_EQ(closeNow.bottom - closeNow.top, 2 * (close.bottom - close.top));
        EXPECT_EQ(closeNow.bottom + 2 * gap, client.bottom);
        EXPECT_EQ(ChildRect(main, IDC_TREE).bottom, 2 * client.bottom / 3);

        // And back: the first look again.
        SendMessageW(main, WM_DPICHANGED, MAKEWPARAM(96, 96), (LPARAM)&before);
        EXPECT_EQ(GlyphPixels(tree), 16);
        EXPECT_EQ(ChildRect(main, IDC_LOG).top - ChildRect(main, IDC_TREE).bottom, gap);
        closeNow = ChildRect(main, IDOK);
        EXPECT_EQ(closeNow.bottom - closeNow.top, close.bottom - close.top);
    });
}
