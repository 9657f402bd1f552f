// The detailed-rights and account-name dialogs, driven from inside their own
// modal loops.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "actions/dialogs_win32.h"
#include "base/platform_win32.h"
#include "config/config_text.h"
#include "tests/win32/testbed.h"

namespace {

const int kFirstBox = 201;
const int kLastBox = 213;

const std::function<void(HWND)>* g_act;
UINT_PTR g_driveTimer;

BOOL CALLBACK FindDialog(HWND window, LPARAM found) {
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK Drive(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, (LPARAM)&dialog);
    if (!dialog) return;
    KillTimer(nullptr, g_driveTimer);
    g_driveTimer = 0;
    (*g_act)(dialog);
}

// Opens a dialog and, once it is up, runs act on it; act must end it.
INT_PTR WithDialog(const std::function<INT_PTR()>& open, const std::function<void(HWND)>& act) {
    g_act = &act;
    g_driveTimer = SetTimer(nullptr, 0, 20, Drive);
    INT_PTR result = open();
    if (g_driveTimer) KillTimer(nullptr, g_driveTimer);
    g_driveTimer = 0;
    return result;
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

bool BoxVisible(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

std::wstring Text(HWND window) {
    wchar_t text[600] = {};
    GetWindowTextW(window, text, 600);
    return text;
}

// Ticks every visible box and presses OK; returns the dialog's value.
uint32_t TickVisibleAndConfirm(uint32_t in, INT_PTR* result) {
    uint32_t value = in;
    *result = WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
        for (int id = kFirstBox; id <= kLastBox; id++)
            if (BoxVisible(dialog, id)) Click(dialog, id);
        Click(dialog, IDOK);
    });
    return value;
}

// Replaces the language file for one test.
class LanguageFile {
public:
    explicit LanguageFile(const std::u16string& text) : saved_(g_languageFile) {
        text_ = text;
        text_.append(129, u'\0');   // terminator and the zero tail readers may rely on
        g_languageFile.text = &text_[0];
        g_languageFile.length = (uint32_t)text.size() + 1;
    }
    ~LanguageFile() { g_languageFile = saved_; }

private:
    ConfigText saved_;
    std::u16string text_;
};

}  // namespace

TEST(SpecialPermissionsDialog, OkGivesTheOrOfTheTickedRights) {
    uint32_t value = 0x0A;
    INT_PTR result = WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
        EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), (LONG_PTR)&value);
        EXPECT_EQ(Text(dialog), L"Detail Permissions");
        for (int id = kFirstBox; id <= kLastBox; id++)
            EXPECT_EQ(IsDlgButtonChecked(dialog, id), BST_UNCHECKED) << id;
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(value, 0u);

    // A file's ACE: everything but "Delete Subfolders and Files".
    EXPECT_EQ(TickVisibleAndConfirm(0x0A, &result), 0xF01BFu);
    EXPECT_EQ(result, 1);
    // A folder's ACE that applies to the folder itself: all thirteen.
    EXPECT_EQ(TickVisibleAndConfirm(0x8000 | 0x0A, &result), 0xF01FFu);
    EXPECT_EQ(result, 1);

    value = 0x4000;
    result = WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
        Click(dialog, 202);
        Click(dialog, 209);
        Click(dialog, 213);
        Click(dialog, 213);   // ticked and unticked again
        Click(dialog, IDOK);
    });
    EXPECT_EQ(value, 0x41u);
}

TEST(SpecialPermissionsDialog, SubfolderDeleteBoxShowsOnlyForFolderScopes) {
    struct Case {
        uint32_t in;
        bool shown;
    } cases[] = {{0x8000 | 0x0A, true}, {0x4000 | 0x0A, true}, {0xE000 | 0x0B, true}, {0x2000 | 0x0A, false},
                 {0x0A, false}, {0, false}};
    for (const Case& c : cases) {
        uint32_t value = c.in;
        bool shown = !c.shown;
        bool othersShown = false;
        WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
            shown = BoxVisible(dialog, 209);
            othersShown = BoxVisible(dialog, 208) && BoxVisible(dialog, 210);
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(shown, c.shown) << std::hex << c.in;
        EXPECT_TRUE(othersShown) << std::hex << c.in;
    }
}

TEST(SpecialPermissionsDialog, CancelAndCloseLeaveTheValue) {
    uint32_t value = 0x8000 | 0x0A;
    INT_PTR result = WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
        Click(dialog, 201);
        Click(dialog, 210);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(value, 0x800Au);

    result = WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
        Click(dialog, 212);
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(value, 0x800Au);
}

TEST(SpecialPermissionsDialog, LanguageEntryChangesTheCaptionNotTheRight) {
    LanguageFile language(u"Take Ownership = Besitz \u00fcbernehmen\r\n"
                          u"Detail Permissions=Einzelrechte\r\n"
                          u"Cancel=Abbrechen\r\n"
                          u"OK=Gut\r\n");
    uint32_t value = 0x0A;
    INT_PTR result = WithDialog([&] { return SpecialPermissionsDialog(nullptr, &value); }, [&](HWND dialog) {
        EXPECT_EQ(Text(GetDlgItem(dialog, 213)), L"Besitz \u00fcbernehmen");
        EXPECT_EQ(Text(GetDlgItem(dialog, 212)), L"Change Permissions");
        EXPECT_EQ(Text(GetDlgItem(dialog, 201)), L"Traverse Folder / Execute File");
        EXPECT_EQ(Text(dialog), L"Einzelrechte");
        EXPECT_EQ(Text(GetDlgItem(dialog, IDCANCEL)), L"Abbrechen");
        EXPECT_EQ(Text(GetDlgItem(dialog, IDOK)), L"OK");   // keeps its template text
        Click(dialog, 213);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(value, 0x80000u);
}

TEST(AccountNameDialog, OkReturnsTheTypedNameCutTo99Characters) {
    char16_t buffer[256];
    std::fill(buffer, buffer + 256, u'Z');
    std::wstring typed;
    for (int i = 0; i < 120; i++) typed += (wchar_t)(L'a' + i % 26);
    INT_PTR result = WithDialog([&] { return AccountNameDialog(nullptr, buffer); }, [&](HWND dialog) {
        EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_USER), (LONG_PTR)buffer);
        EXPECT_EQ(Text(dialog), L"Account Name");
        EXPECT_EQ(Text(GetDlgItem(dialog, 103)), L"");
        SetDlgItemTextW(dialog, 103, typed.c_str());
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(std::wstring(W(buffer)), typed.substr(0, 99));
    EXPECT_EQ(buffer[100], u'Z') << "wrote past the 100 units";

    // Nothing typed: an empty name, passed on as such.
    result = WithDialog([&] { return AccountNameDialog(nullptr, buffer); }, [&](HWND dialog) { Click(dialog, IDOK); });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(buffer[0], u'\0');
}

TEST(AccountNameDialog, CancelAndCloseLeaveTheBuffer) {
    LanguageFile language(u"Account Name=Konto\r\nCancel=Abbrechen\r\n");
    char16_t buffer[256] = u"Everyone";
    INT_PTR result = WithDialog([&] { return AccountNameDialog(nullptr, buffer); }, [&](HWND dialog) {
        EXPECT_EQ(Text(dialog), L"Konto");
        EXPECT_EQ(Text(GetDlgItem(dialog, IDCANCEL)), L"Abbrechen");
        SetDlgItemTextW(dialog, 103, L"Administrators");
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    result = WithDialog([&] { return AccountNameDialog(nullptr, buffer); }, [&](HWND dialog) {
        SetDlgItemTextW(dialog, 103, L"Administrators");
        SendMessageW(dialog, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(std::u16string(buffer), u"Everyone");
}

TEST(InputDialogs, MissingTemplateReturnsMinusOneAndWritesNothing) {
    // The stand-in has no dialog resources.
    HMODULE bare = LoadLibraryExW((ExeDirectory() + L"standin.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(bare, nullptr);
    HINSTANCE saved = g_instance;
    g_instance = bare;
    uint32_t value = 0x800A;
    char16_t buffer[256] = u"Everyone";
    EXPECT_EQ(SpecialPermissionsDialog(nullptr, &value), -1);
    EXPECT_EQ(AccountNameDialog(nullptr, buffer), -1);
    g_instance = saved;
    FreeLibrary(bare);
    EXPECT_EQ(value, 0x800Au);
    EXPECT_EQ(std::u16string(buffer), u"Everyone");
}
