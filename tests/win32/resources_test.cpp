// The program's compiled resources, read back from this test program (which
// links the same ovrix.rc): the dialog templates byte for byte, the glyph
// strip as Windows decodes it, the icon, the version record and the manifest.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "resources/tools/glyph_shapes.h"

namespace {

// Predefined classes by atom (0xFFFF and the atom's number).
const wchar_t* const kButton = L"\xFFFF\x0080";
const wchar_t* const kEdit = L"\xFFFF\x0081";
const wchar_t* const kStatic = L"\xFFFF\x0082";

struct Item {
    uint16_t id;
    const wchar_t* className;
    const wchar_t* text;       // nullptr: none
    uint32_t style, exStyle;
    uint16_t x, y, cx, cy;
};

struct Dialog {
    uint32_t style, exStyle;
    uint16_t cx, cy;           // at 0, 0
    const wchar_t* className;  // nullptr: none
    const wchar_t* title;      // nullptr: none
    std::vector<Item> items;
};

// A string field: one zero word for none, an atom as it is, else the text
// and its terminator.
void Field(std::vector<uint8_t>& b, const wchar_t* text) {
    if (text && *text == 0xFFFF) return PutU32(b, 0xFFFF | uint32_t{text[1]} << 16);
    for (; text && *text; ++text) PutU16(b, *text);
    PutU16(b, 0);
}

// The classic DLGTEMPLATE layout; each item starts on a 4-byte boundary.
std::vector<uint8_t> TemplateBytes(const Dialog& d) {
    std::vector<uint8_t> b;
    PutU32(b, d.style);
    PutU32(b, d.exStyle);
    for (uint32_t w : {static_cast<uint32_t>(d.items.size()), 0u, 0u, uint32_t{d.cx}, uint32_t{d.cy}, 0u}) PutU16(b, w);
    Field(b, d.className);
    Field(b, d.title);
    for (const Item& item : d.items) {
        while (b.size() % 4) b.push_back(0);
        PutU32(b, item.style);
        PutU32(b, item.exStyle);
        for (uint32_t w : {item.x, item.y, item.cx, item.cy, item.id}) PutU16(b, w);
        Field(b, item.className);
        Field(b, item.text);
        PutU16(b, 0);  // no creation data
    }
    return b;
}

Dialog DetailRightsDialog() {
    const struct {
        uint16_t id;
        const wchar_t* caption;
        const wchar_t* hint;   // the static text before the box
    } rights[] = {
        {IDC_RIGHT_TRAVERSE, L"Traverse Folder / Execute File", L"M/X"}, {IDC_RIGHT_LIST_FOLDER, L"List Folder / Read Data", L"M/RX"},
        {IDC_RIGHT_READ_ATTRIBUTES, L"Read Attributes", L"M/RX"},                {IDC_RIGHT_READ_EXTENDED, L"Read Extended Attributes", L"M/RX"},
        {IDC_RIGHT_WRITE_DATA, L"Create Files / Write Data", L"M/W"},       {IDC_RIGHT_APPEND_DATA, L"Create Folders / Append Data", L"M/W"},
        {IDC_RIGHT_WRITE_ATTRIBUTES, L"Write Attributes", L"M/W"},                {IDC_RIGHT_WRITE_EXTENDED, L"Write Extended Attributes", L"M/W"},
        {IDC_RIGHT_DELETE_CHILD, L"Delete Subfolders and Files", nullptr},    {IDC_RIGHT_DELETE, L"Delete", L"M"},
        {IDC_RIGHT_READ_PERMISSIONS, L"Read Permissions", L"M/RX"},               {IDC_RIGHT_CHANGE_PERMISSIONS, L"Change Permissions", nullptr},
        {IDC_RIGHT_TAKE_OWNERSHIP, L"Take Ownership", nullptr},
    };
    Dialog dialog{0x90C80884, 0x1, 238, 202, nullptr, L"Detail Permissions", {}};
    for (const auto& right : rights) {
        uint16_t y = static_cast<uint16_t>(24 + 12 * (right.id - IDC_RIGHT_TRAVERSE));
        if (right.hint)
            dialog.items.push_back({0xFFFF, kStatic, right.hint, 0x50000000, 0, 4, uint16_t(y + 1), 27, 10});
        dialog.items.push_back({right.id, kButton, right.caption, 0x50010003, 0, 34, y, 200, 10});
    }
    dialog.items.push_back({IDOK, kButton, L"OK", 0x50010300, 0, 120, 189, 50, 10});
    dialog.items.push_back({IDCANCEL, kButton, L"Cancel", 0x50010300, 0, 180, 189, 50, 10});
    return dialog;
}

std::vector<uint8_t> ResourceBytes(int id, LPCWSTR type) {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type);
    const uint8_t* data = found ? static_cast<const uint8_t*>(LockResource(LoadResource(module, found))) : nullptr;
    return data ? std::vector<uint8_t>(data, data + SizeofResource(module, found)) : std::vector<uint8_t>();
}

}  // namespace

TEST(Resources, DialogTemplatesAreTheExactClassicTemplates) {
    const Dialog dialogs[3] = {
        {0x90CF0884, 0x11, 270, 270, L"ovrix", L"ovrix",
         {{IDC_TREE, L"SysTreeView32", nullptr, 0x50010027, 0, 0, 0, 270, 180},
          {IDC_LOG, kEdit, nullptr, 0x50A11144, 0, 0, 184, 270, 70},
          {IDC_ACTION_BUTTON, kButton, L"Action", 0x50010300, 0, 80, 257, 50, 10},
          {IDOK, kButton, L"Close", 0x50010300, 0, 160, 257, 50, 10}}},
        {0x90C8008C, 0x1, 285, 12, nullptr, nullptr,
         {{IDC_ACCOUNT_EDIT, kEdit, nullptr, 0x50810180, 0x10, 0, 0, 234, 12},
          {IDOK, kButton, L"OK", 0x50000301, 0, 234, 0, 25, 12},
          {IDCANCEL, kButton, L"Cancel", 0x50000300, 0, 259, 0, 25, 12}}},
        DetailRightsDialog(),
    };
    const int ids[3] = {IDD_MAIN_WINDOW, IDD_ACCOUNT_NAME, IDD_DETAIL_RIGHTS};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(ResourceBytes(ids[i], RT_DIALOG), TemplateBytes(dialogs[i])) << "template " << ids[i];
    EXPECT_EQ(dialogs[2].items.size(), 25u);
}

// The 16-pixel strip is 813 by 16 (50 glyphs and 13 spare columns); the
// strips for higher DPIs are 50 glyphs of 20, 24 and 32 pixels.
TEST(Resources, GlyphStripsAreRle4BitmapsThatDecodeToTheDrawnGlyphs) {
    const int ids[4] = {IDB_GLYPHS, IDB_GLYPHS_20, IDB_GLYPHS_24, IDB_GLYPHS_32};
    for (int i = 0; i < 4; ++i) {
        const int size = kGlyphSizes[i], width = size == 16 ? 813 : 50 * size;
        SCOPED_TRACE(size);
        std::vector<uint8_t> bitmap = ResourceBytes(ids[i], RT_BITMAP);
        ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
        const BITMAPINFOHEADER* header = reinterpret_cast<const BITMAPINFOHEADER*>(bitmap.data());
        EXPECT_EQ(std::vector<long>({header->biWidth, header->biHeight, header->biBitCount, long(header->biCompression)}),
                  std::vector<long>({width, size, 4, BI_RLE4}));

        // Windows' own decoding of the RLE4 data, read back as 32-bit colours
        // (0x00RRGGBB), against the drawn strip's palette colours.
        HBITMAP loaded = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(ids[i]), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(loaded, nullptr);
        BITMAPINFO wanted = {{sizeof(BITMAPINFOHEADER), width, -size /* top row first */, 1, 32, BI_RGB}};
        std::vector<uint32_t> pixels(width * size), drawn;
        HDC screen = GetDC(nullptr);
        EXPECT_EQ(GetDIBits(screen, loaded, 0, size, pixels.data(), &wanted, DIB_RGB_COLORS), size);
        ReleaseDC(nullptr, screen);
        DeleteObject(loaded);
        for (uint8_t index : DrawGlyphStripOfSize(size).pixels) {
            const PaletteColour& c = kStandardPalette[index];
            drawn.push_back(uint32_t{c.red} << 16 | c.green << 8 | c.blue);
        }
        for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
        ASSERT_EQ(drawn.size(), pixels.size());
        EXPECT_EQ(std::mismatch(pixels.begin(), pixels.end(), drawn.begin()).first - pixels.begin(), width * size)
            << "the first pixel that differs";
        // Glyph 0 is blank: see-through magenta, the image list's mask colour.
        EXPECT_EQ(pixels[0], 0xFF00FFu);
    }
}

TEST(Resources, IconGroupHolds32And16Pixel16ColourImages) {
    std::vector<uint8_t> group = ResourceBytes(IDI_PROGRAM, RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 2 * 14);
    EXPECT_EQ(group[4], 2);   // image count
    for (uint8_t size : {32, 16}) {
        // Width, height, 16 colours, reserved, one plane, 4 bits per pixel.
        const uint8_t* entry = &group[size == 32 ? 6 : 6 + 14];
        EXPECT_EQ(std::vector<uint8_t>(entry, entry + 8), (std::vector<uint8_t>{size, size, 16, 0, 1, 0, 4, 0}));
        HICON icon =
            static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, size, size, 0));
        EXPECT_TRUE(icon && DestroyIcon(icon)) << int{size};
    }
}

TEST(Resources, VersionRecordSaysZeroPointSix) {
    std::vector<uint8_t> record = ResourceBytes(1, RT_VERSION);
    // version.dll is not among the program's libraries; the test finds it itself.
    HMODULE version = LoadLibraryW(L"version.dll");
    typedef BOOL(WINAPI * QueryFunction)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    QueryFunction query =
        reinterpret_cast<QueryFunction>(reinterpret_cast<void*>(GetProcAddress(version, "VerQueryValueW")));
    ASSERT_TRUE(query && !record.empty());
    // Room after the copy, as GetFileVersionInfoW leaves for conversions.
    record.resize(record.size() * 2, 0);
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(query(record.data(), L"\\", reinterpret_cast<LPVOID*>(&fixed), &length));
    const VS_FIXEDFILEINFO& f = *fixed;
    EXPECT_EQ(std::vector<DWORD>({f.dwSignature, f.dwFileVersionMS, f.dwFileVersionLS, f.dwProductVersionMS,
                                  f.dwProductVersionLS, f.dwFileOS, f.dwFileType}),
              std::vector<DWORD>({0xFEEF04BD, 6, 0, 6, 0, VOS__WINDOWS32, VFT_APP}));
    for (std::wstring pair :
         {L"FileVersion=0.6", L"ProductVersion=0.6", L"ProductName=ovrix", L"OriginalFilename=ovrix.exe",
          L"LegalCopyright=Copyright (C) 2026 The ovrix authors. MIT License."}) {
        std::wstring key = pair.substr(0, pair.find(L'=')), path = L"\\StringFileInfo\\040904B0\\" + key;
        wchar_t* value = nullptr;
        ASSERT_TRUE(query(record.data(), path.c_str(), reinterpret_cast<LPVOID*>(&value), &length)) << key;
        EXPECT_EQ(key + L"=" + value, pair);
    }
    FreeLibrary(version);
}

TEST(Resources, ManifestAsksForCommonControls6AndTheUsersOwnRights) {
    std::vector<uint8_t> bytes = ResourceBytes(1, MAKEINTRESOURCEW(24));
    std::string manifest(bytes.begin(), bytes.end());
    // The supported-OS ids are Vista's, 7's, 8's, 8.1's and 10's.
    const char* required[] = {
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" processorArchitecture=\"amd64\" "
        "publicKeyToken=\"6595b64144ccf1df\" language=\"*\"",
        "<assemblyIdentity name=\"ovrix\" version=\"0.6.0.0\" type=\"win32\" processorArchitecture=\"amd64\"/>",
        ">true</longPathAware>", ">PerMonitorV2</dpiAwareness>", "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
        "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
        "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"};
    for (const char* piece : required) EXPECT_NE(manifest.find(piece), std::string::npos) << piece;
    EXPECT_EQ(manifest.find("requested"), std::string::npos) << "no execution level, no privileges";
}
