// The detailed-rights and account-name dialogs, driven from inside their own
// modal loops, with a language file in use.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "actions/dialogs_win32.h"
#include "base/platform_win32.h"
#include "config/config_text.h"
#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

const std::function<void(HWND)>* g_act;

// The dialogs have no owner: the one visible dialog window is theirs.
void CALLBACK Drive(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND dialog = FindWindowW(L"#32770", nullptr);
    if (!dialog || !IsWindowVisible(dialog)) return;
    KillTimer(nullptr, timer);
    (*g_act)(dialog);
}

// Opens a dialog on value and, once it is up, runs act on it; act must end it.
template <typename Value>
INT_PTR WithDialog(INT_PTR (*open)(HWND, Value*), Value* value, const std::function<void(HWND)>& act) {
    g_act = &act;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, Drive);
    INT_PTR result = open(nullptr, value);
    KillTimer(nullptr, timer);
    return result;
}

void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// The text of the dialog's item id, or of the dialog itself for id 0.
std::wstring Text(HWND dialog, int id = 0) {
    wchar_t text[600] = {};
    GetWindowTextW(id ? GetDlgItem(dialog, id) : dialog, text, 600);
    return text;
}

}  // namespace

TEST(InputDialogs, OkStoresTheValueCancelCloseAndAMissingTemplateLeaveIt) {
    std::u16string german = u"Take Ownership = Besitz \u00fcbernehmen\r\nDetail Permissions=Einzelrechte\r\n"
                            u"Account Name=Konto\r\nCancel=Abbrechen\r\nOK=Gut\r\nFind=Suchen\r\n"
                            u"Inheritance turned off=Vererbung aus\r\n" + std::u16string(129, u'\0');
    ConfigText english = std::exchange(g_languageFile, ConfigText{&german[0], (uint32_t)german.size() - 128});
    // Box 209 only for an ACE that reaches subfolders or the folder itself.
    // Every visible box is ticked, except in the first case (no box: 0).
    struct { uint32_t in; bool subfolderBox; uint32_t out; } cases[] = {
        {0x0A, false, 0}, {0x0A, false, 0xF01BF}, {0x800A, true, 0xF01FF}, {0x400A, true, 0xF01FF},
        {0xE00B, true, 0xF01FF}, {0x200A, false, 0xF01BF}, {0, false, 0xF01BF}};
    uint32_t value = 0;
    for (const auto& c : cases) {
        value = c.in;
        EXPECT_EQ(WithDialog(SpecialPermissionsDialog, &value, [&](HWND dialog) {
                      // OK keeps its template text; "Change Permissions" has no entry.
                      EXPECT_EQ(Text(dialog) + L"|" + Text(dialog, IDC_RIGHT_TAKE_OWNERSHIP) + L"|" + Text(dialog, IDC_RIGHT_CHANGE_PERMISSIONS) + L"|" +
                                    Text(dialog, IDOK) + L"|" + Text(dialog, IDCANCEL),
                                L"Einzelrechte|Besitz \u00fcbernehmen|Change Permissions|OK|Abbrechen");
                      EXPECT_EQ(IsWindowVisible(GetDlgItem(dialog, IDC_RIGHT_DELETE_CHILD)) != FALSE, c.subfolderBox) << c.in;
                      for (int id = IDC_RIGHT_TRAVERSE; id <= IDC_RIGHT_TAKE_OWNERSHIP; id++)
                          if (c.out && IsWindowVisible(GetDlgItem(dialog, id))) Click(dialog, id);
                      Click(dialog, IDOK);
                  }), 1);
        EXPECT_EQ(value, c.out) << std::hex << c.in;
    }
    // Cancel and the close box leave the value (both dialogs end alike).
    for (UINT end : {WM_COMMAND, WM_CLOSE}) {
        auto tickAndEnd = [&](HWND dialog) { Click(dialog, IDC_RIGHT_TRAVERSE), SendMessageW(dialog, end, IDCANCEL, 0); };
        EXPECT_EQ(WithDialog(SpecialPermissionsDialog, &value, tickAndEnd), 0);
    }
    EXPECT_EQ(value, 0xF01BFu);

    std::u16string name(300, u'Z');
    EXPECT_EQ(WithDialog(AccountNameDialog, &name[0], [&](HWND dialog) {
                  EXPECT_EQ(Text(dialog) + Text(dialog, IDCANCEL), L"KontoAbbrechen");
                  // Typing or pasting stops where an account name must end.
                  SendDlgItemMessageW(dialog, IDC_ACCOUNT_EDIT, EM_REPLACESEL, FALSE, (LPARAM)std::wstring(300, L'n').c_str());
                  Click(dialog, IDOK);
              }), 1);
    EXPECT_EQ(name.substr(0, 257), std::u16string(255, u'n') + u'\0' + u'Z');

    // Find shows the last request translated (its keys: tests/win32/actions_find_test.cpp).
    FindRequest request = {u"Everyone", 2};
    EXPECT_EQ(WithDialog(FindDialog, &request, [&](HWND dialog) {
                  EXPECT_EQ(Text(dialog) + L"|" + Text(dialog, IDC_FIND_PROTECTED) + L"|" + Text(dialog, IDC_FIND_TEXT),
                            L"Suchen|Vererbung aus|Everyone");
                  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FIND_PROTECTED), BST_CHECKED);
                  Click(dialog, IDC_FIND_ACCOUNT), Click(dialog, IDCANCEL);
              }), 0);
    EXPECT_EQ(request.mode, 2u);
    g_languageFile = english;

    // Without their templates (the stand-in has no dialog resources) both return -1 and write nothing.
    HMODULE bare = LoadLibraryExW((ExeDirectory() + L"standin.exe").c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(bare, nullptr);
    HINSTANCE saved = std::exchange(g_instance, bare);
    value = 0x800A;
    char16_t account[100] = u"Everyone";
    EXPECT_EQ(std::make_pair(SpecialPermissionsDialog(nullptr, &value), AccountNameDialog(nullptr, account)),
              std::make_pair(INT_PTR{-1}, INT_PTR{-1}));
    g_instance = saved;
    FreeLibrary(bare);
    EXPECT_EQ(std::make_pair(value, std::u16string(account)), std::make_pair(0x800Au, std::u16string(u"Everyone")));
}
