// The program's compiled resources, read back from this test program (which
// links the same ovrix.rc): the dialog templates byte for byte, the glyph
// strip as Windows decodes it, the icon, the version record and the manifest.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "resources/tools/artwork.h"

namespace {

// --- Expected dialog templates, built from the tables of the three dialogs --

constexpr uint16_t kButton = 0x80;
constexpr uint16_t kEdit = 0x81;
constexpr uint16_t kStatic = 0x82;

struct ItemSpec {
    uint16_t id;
    uint16_t atom;            // 0 when className names the class
    const wchar_t* className;
    const wchar_t* text;      // nullptr: none
    uint32_t style;
    uint32_t exStyle;
    int16_t x, y, cx, cy;
};

struct DialogSpec {
    uint32_t style;
    uint32_t exStyle;
    int16_t x, y, cx, cy;
    const wchar_t* className;  // nullptr: none
    const wchar_t* title;      // nullptr: none
    std::vector<ItemSpec> items;
};

struct ByteWriter {
    std::vector<uint8_t> bytes;
    void Word(uint16_t w) {
        bytes.push_back(static_cast<uint8_t>(w));
        bytes.push_back(static_cast<uint8_t>(w >> 8));
    }
    void Dword(uint32_t d) {
        Word(static_cast<uint16_t>(d));
        Word(static_cast<uint16_t>(d >> 16));
    }
    // A string field: one zero word for none, else the text and its terminator.
    void Field(const wchar_t* text) {
        if (text)
            for (const wchar_t* c = text; *c; ++c) Word(*c);
        Word(0);
    }
    void AlignTo4() {
        while (bytes.size() % 4) bytes.push_back(0);
    }
};

std::vector<uint8_t> TemplateBytes(const DialogSpec& dialog) {
    ByteWriter w;
    w.Dword(dialog.style);
    w.Dword(dialog.exStyle);
    w.Word(static_cast<uint16_t>(dialog.items.size()));
    w.Word(dialog.x);
    w.Word(dialog.y);
    w.Word(dialog.cx);
    w.Word(dialog.cy);
    w.Field(nullptr);  // menu
    w.Field(dialog.className);
    w.Field(dialog.title);
    for (const ItemSpec& item : dialog.items) {
        w.AlignTo4();
        w.Dword(item.style);
        w.Dword(item.exStyle);
        w.Word(item.x);
        w.Word(item.y);
        w.Word(item.cx);
        w.Word(item.cy);
        w.Word(item.id);
        if (item.atom) {
            w.Word(0xFFFF);
            w.Word(item.atom);
        } else {
            w.Field(item.className);
        }
        w.Field(item.text);
        w.Word(0);  // no creation data
    }
    return w.bytes;
}

DialogSpec MainDialogSpec() {
    return {0x90CF0884, 0x11, 0, 0, 270, 270, L"ovrix", L"ovrix",
            {
                {100, 0, L"SysTreeView32", nullptr, 0x50010027, 0, 0, 0, 270, 180},
                {101, kEdit, nullptr, nullptr, 0x50A11144, 0, 0, 184, 270, 70},
                {104, kButton, nullptr, L"Action", 0x50010300, 0, 80, 257, 50, 10},
                {1, kButton, nullptr, L"Close", 0x50010300, 0, 160, 257, 50, 10},
            }};
}

DialogSpec AccountNameDialogSpec() {
    return {0x90C8008C, 0x1, 0, 0, 285, 12, nullptr, nullptr,
            {
                {103, kEdit, nullptr, nullptr, 0x50810180, 0x10, 0, 0, 234, 12},
                {1, kButton, nullptr, L"OK", 0x50000301, 0, 234, 0, 25, 12},
                {2, kButton, nullptr, L"Cancel", 0x50000300, 0, 259, 0, 25, 12},
            }};
}

DialogSpec SpecialPermissionsDialogSpec() {
    struct Right {
        uint16_t id;
        const wchar_t* caption;
        int16_t y;
        const wchar_t* hint;
    };
    const Right rights[] = {
        {201, L"Traverse Folder / Execute File", 24, L"M/X"},
        {202, L"List Folder / Read Data", 36, L"M/RX"},
        {203, L"Read Attributes", 48, L"M/RX"},
        {204, L"Read Extended Attributes", 60, L"M/RX"},
        {205, L"Create Files / Write Data", 72, L"M/W"},
        {206, L"Create Folders / Append Data", 84, L"M/W"},
        {207, L"Write Attributes", 96, L"M/W"},
        {208, L"Write Extended Attributes", 108, L"M/W"},
        {209, L"Delete Subfolders and Files", 120, nullptr},
        {210, L"Delete", 132, L"M"},
        {211, L"Read Permissions", 144, L"M/RX"},
        {212, L"Change Permissions", 156, nullptr},
        {213, L"Take Ownership", 168, nullptr},
    };
    DialogSpec dialog{0x90C80884, 0x1, 0, 0, 238, 202, nullptr, L"Detail Permissions", {}};
    for (const Right& right : rights) {
        if (right.hint)
            dialog.items.push_back({0xFFFF, kStatic, nullptr, right.hint, 0x50000000, 0, 4,
                                    static_cast<int16_t>(right.y + 1), 27, 10});
        dialog.items.push_back({right.id, kButton, nullptr, right.caption, 0x50010003, 0, 34, right.y, 200, 10});
    }
    dialog.items.push_back({1, kButton, nullptr, L"OK", 0x50010300, 0, 120, 189, 50, 10});
    dialog.items.push_back({2, kButton, nullptr, L"Cancel", 0x50010300, 0, 180, 189, 50, 10});
    return dialog;
}

std::vector<uint8_t> ResourceBytes(LPCWSTR name, LPCWSTR type) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return {};
    const uint8_t* data = static_cast<const uint8_t*>(LockResource(LoadResource(module, found)));
    if (!data) return {};
    return std::vector<uint8_t>(data, data + SizeofResource(module, found));
}

// Empty when equal, else where and how they first differ.
std::string FirstDifference(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected) {
    size_t common = actual.size() < expected.size() ? actual.size() : expected.size();
    for (size_t i = 0; i < common; ++i)
        if (actual[i] != expected[i])
            return "byte " + std::to_string(i) + ": " + std::to_string(actual[i]) + " instead of " +
                   std::to_string(expected[i]);
    if (actual.size() != expected.size())
        return "size " + std::to_string(actual.size()) + " instead of " + std::to_string(expected.size());
    return "";
}

uint16_t WordAt(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

COLORREF PaletteColourRef(uint8_t index) {
    const PaletteColour& c = kStandardPalette[index];
    return RGB(c.red, c.green, c.blue);
}

}  // namespace

TEST(Resources, DialogTemplatesAreTheExactClassicTemplates) {
    const DialogSpec dialogs[3] = {MainDialogSpec(), AccountNameDialogSpec(), SpecialPermissionsDialogSpec()};
    const uint16_t itemCounts[3] = {4, 3, 25};
    for (int id = 1; id <= 3; ++id) {
        std::vector<uint8_t> actual = ResourceBytes(MAKEINTRESOURCEW(id), RT_DIALOG);
        ASSERT_GE(actual.size(), 18u) << "template " << id;
        EXPECT_EQ(WordAt(actual, 8), itemCounts[id - 1]) << "template " << id;
        EXPECT_EQ(actual[0] & DS_SETFONT, 0) << "template " << id << " names a font";
        EXPECT_NE(WordAt(actual, 2), 0xFFFF) << "template " << id << " is in the extended layout";
        EXPECT_EQ(FirstDifference(actual, TemplateBytes(dialogs[id - 1])), "") << "template " << id;
    }
    // The main window's class is stored as written, for the class registered at start-up.
    std::vector<uint8_t> main = ResourceBytes(MAKEINTRESOURCEW(1), RT_DIALOG);
    ASSERT_GE(main.size(), 32u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(main.data() + 20)), L"ovrix");
}

TEST(Resources, MainDialogTemplateCreatesItsFourControls) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = DefDlgProcW;
    windowClass.cbWndExtra = DLGWINDOWEXTRA;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"ovrix";
    RegisterClassW(&windowClass);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&controls);

    std::vector<uint8_t> bytes = ResourceBytes(MAKEINTRESOURCEW(1), RT_DIALOG);
    ASSERT_FALSE(bytes.empty());
    std::vector<DWORD> aligned((bytes.size() + 3) / 4);
    memcpy(aligned.data(), bytes.data(), bytes.size());
    HWND dialog = CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<LPCDLGTEMPLATEW>(aligned.data()), nullptr,
                                             [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    wchar_t name[64];
    GetClassNameW(dialog, name, 64);
    EXPECT_EQ(lstrcmpiW(name, L"ovrix"), 0);
    const struct {
        int id;
        const wchar_t* className;
        const wchar_t* text;
    } expected[] = {{100, L"SysTreeView32", L""}, {101, L"Edit", L""}, {104, L"Button", L"Action"}, {1, L"Button", L"Close"}};
    for (const auto& control : expected) {
        HWND child = GetDlgItem(dialog, control.id);
        ASSERT_NE(child, nullptr) << control.id;
        GetClassNameW(child, name, 64);
        EXPECT_EQ(lstrcmpiW(name, control.className), 0) << control.id;
        wchar_t text[64];
        GetWindowTextW(child, text, 64);
        EXPECT_EQ(std::wstring(text), control.text) << control.id;
    }
    EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    DestroyWindow(dialog);
}

TEST(Resources, GlyphStripIsAn813By16Rle4BitmapThatDecodesToTheDrawnGlyphs) {
    std::vector<uint8_t> bitmap = ResourceBytes(MAKEINTRESOURCEW(1114), RT_BITMAP);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 813);
    EXPECT_EQ(header.biHeight, 16);
    EXPECT_EQ(header.biBitCount, 4);
    EXPECT_EQ(header.biCompression, static_cast<DWORD>(BI_RLE4));

    HBITMAP loaded = static_cast<HBITMAP>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1114), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(loaded, nullptr);
    BITMAP info;
    ASSERT_NE(GetObjectW(loaded, sizeof info, &info), 0);
    EXPECT_EQ(info.bmWidth, 813);
    EXPECT_EQ(info.bmHeight, 16);

    // Windows' own decoding of the RLE4 data, read back as 32-bit colours.
    BITMAPINFO wanted = {};
    wanted.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    wanted.bmiHeader.biWidth = 813;
    wanted.bmiHeader.biHeight = -16;  // top row first
    wanted.bmiHeader.biPlanes = 1;
    wanted.bmiHeader.biBitCount = 32;
    wanted.bmiHeader.biCompression = BI_RGB;
    std::vector<uint32_t> pixels(813 * 16);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, loaded, 0, 16, pixels.data(), &wanted, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(loaded);
    ASSERT_EQ(rows, 16);
    PixelImage drawn = DrawGlyphStrip();
    int wrong = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 813; ++x) {
            const PaletteColour& c = kStandardPalette[PixelAt(drawn, x, y)];
            uint32_t expected = static_cast<uint32_t>(c.red) << 16 | c.green << 8 | c.blue;
            if ((pixels[y * 813 + x] & 0xFFFFFF) != expected && ++wrong <= 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << pixels[y * 813 + x];
        }
    EXPECT_EQ(wrong, 0);
}

TEST(Resources, GlyphStripLoadsAsFiftyMaskedImages) {
    HIMAGELIST list = ImageList_LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1114), 16, 0, 0xFF00FF,
                                           IMAGE_BITMAP, 0);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 50);
    int cx = 0, cy = 0;
    ImageList_GetIconSize(list, &cx, &cy);
    EXPECT_EQ(cx, 16);
    EXPECT_EQ(cy, 16);

    // Magenta is see-through: drawn on white, the blank glyph leaves white and
    // the green disc (glyph 21) keeps white corners around green.
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 32, 16);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, target);
    RECT all = {0, 0, 32, 16};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_TRUE(ImageList_Draw(list, 0, dc, 0, 0, ILD_NORMAL));
    EXPECT_TRUE(ImageList_Draw(list, 21, dc, 16, 0, ILD_NORMAL));
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(GetPixel(dc, x, y), RGB(255, 255, 255)) << x << "," << y;
    EXPECT_EQ(GetPixel(dc, 16, 0), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 31, 15), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(dc, 16 + 10, 9), PaletteColourRef(2));
    SelectObject(dc, old);
    DeleteObject(target);
    DeleteDC(dc);
    ImageList_Destroy(list);
}

TEST(Resources, IconGroupHolds32And16Pixel16ColourImages) {
    std::vector<uint8_t> group = ResourceBytes(MAKEINTRESOURCEW(1), RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(WordAt(group, 2), 1);
    ASSERT_EQ(WordAt(group, 4), 2);
    const int sizes[2] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        size_t entry = 6 + 14 * i;
        EXPECT_EQ(group[entry], sizes[i]);
        EXPECT_EQ(group[entry + 1], sizes[i]);
        EXPECT_EQ(group[entry + 2], 16);
        EXPECT_EQ(WordAt(group, entry + 6), 4);
        EXPECT_FALSE(ResourceBytes(MAKEINTRESOURCEW(WordAt(group, entry + 12)), RT_ICON).empty());
        HICON icon = static_cast<HICON>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON, sizes[i], sizes[i], 0));
        EXPECT_NE(icon, nullptr) << sizes[i];
        if (icon) DestroyIcon(icon);
    }
    EXPECT_NE(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)), nullptr);
}

TEST(Resources, VersionRecordSaysZeroPointSix) {
    std::vector<uint8_t> record = ResourceBytes(MAKEINTRESOURCEW(1), RT_VERSION);
    ASSERT_FALSE(record.empty());
    // version.dll is not among the program's libraries; the test finds it itself.
    HMODULE version = LoadLibraryW(L"version.dll");
    ASSERT_NE(version, nullptr);
    typedef BOOL(WINAPI * QueryFunction)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    QueryFunction query =
        reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
    ASSERT_NE(query, nullptr);
    // Room after the copy, as GetFileVersionInfoW leaves for conversions.
    std::vector<uint8_t> copy(record.begin(), record.end());
    copy.resize(record.size() * 2, 0);

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(copy.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00000006u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00000006u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const struct {
        const wchar_t* key;
        const wchar_t* value;
    } strings[] = {{L"FileVersion", L"0.6"}, {L"ProductName", L"ovrix"}, {L"OriginalFilename", L"ovrix.exe"}};
    for (const auto& s : strings) {
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + s.key;
        wchar_t* value = nullptr;
        ASSERT_TRUE(query(copy.data(), path.c_str(), reinterpret_cast<LPVOID*>(&value), &length)) << s.key;
        EXPECT_EQ(std::wstring(value), s.value);
    }
    FreeLibrary(version);
}

TEST(Resources, ManifestAsksForCommonControls6AndTheUsersOwnRights) {
    std::vector<uint8_t> bytes = ResourceBytes(MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    ASSERT_FALSE(bytes.empty());
    std::string manifest(bytes.begin(), bytes.end());
    const char* required[] = {
        "name=\"Microsoft.Windows.Common-Controls\"",
        "version=\"6.0.0.0\"",
        "publicKeyToken=\"6595b64144ccf1df\"",
        "language=\"*\"",
        "processorArchitecture=\"amd64\"",
        "<assemblyIdentity name=\"ovrix\" version=\"0.6.0.0\" type=\"win32\" processorArchitecture=\"amd64\"/>",
        ">true</longPathAware>",
        ">PerMonitorV2</dpiAwareness>",
        "{e2011457-1546-43c5-a5fe-008deee3d3f0}",  // Vista
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  // 7
        "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  // 8
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  // 8.1
        "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  // 10
    };
    for (const char* piece : required) EXPECT_NE(manifest.find(piece), std::string::npos) << piece;
    EXPECT_EQ(manifest.find("requestedExecutionLevel"), std::string::npos);
    EXPECT_EQ(manifest.find("requestedPrivileges"), std::string::npos);
}
