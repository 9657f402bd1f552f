#include "actions/dialogs_win32.h"

#include "actions/action_platform.h"
#include "base/dialog_win32.h"
#include "base/item_param.h"
#include "base/platform_win32.h"
#include "config/config_text.h"
#include "resources/resource_ids.h"
#include "security/access_rights.h"

namespace {

const int kCaptionUnits = 512;

// The check boxes of template 3, one per detail right in id order; their
// captions come from the template and are translated under their English text.
const int kFirstDetailBoxId = IDC_RIGHT_TRAVERSE;

void TranslateCaptions(HWND dialog, const char16_t* title) {
    SetWindowTextW(dialog, W(Translate(title)));
    SetDlgItemTextW(dialog, IDCANCEL, W(Translate(u"Cancel")));
}

void TranslateBoxCaptions(HWND dialog) {
    for (uint32_t box = 0; box < kDetailRightCount; box++) {
        const int boxId = kFirstDetailBoxId + (int)box;
        wchar_t caption[kCaptionUnits];
        caption[0] = 0;
        GetDlgItemTextW(dialog, boxId, caption, kCaptionUnits);
        SetDlgItemTextW(dialog, boxId, W(Translate(U(caption))));
    }
}

uint32_t TickedRights(HWND dialog) {
    uint32_t rights = 0;
    for (uint32_t box = 0; box < kDetailRightCount; box++)
        if (IsDlgButtonChecked(dialog, kFirstDetailBoxId + (int)box) == BST_CHECKED) rights |= DetailRightMask(box);
    return rights;
}

void StoreTickedRights(HWND dialog) {
    *reinterpret_cast<uint32_t*>(GetWindowLongPtrW(dialog, DWLP_USER)) = TickedRights(dialog);
}

void StoreAccountName(HWND dialog) {
    wchar_t* name = reinterpret_cast<wchar_t*>(GetWindowLongPtrW(dialog, DWLP_USER));
    name[0] = 0;
    GetDlgItemTextW(dialog, IDC_ACCOUNT_EDIT, name, kAccountTextUnits);
}

// OK stores the dialog's value through the caller's reference and ends with
// 1; Cancel and the close box end with 0 and leave the value as it was.
INT_PTR EndOnButtons(HWND dialog, UINT message, WPARAM wParam, void (*storeValue)(HWND)) {
    bool ok = message == WM_COMMAND && LOWORD(wParam) == IDOK;
    bool cancel = (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE;
    if (ok) storeValue(dialog);
    if (ok || cancel) EndDialog(dialog, ok ? 1 : 0);
    return ok || cancel;
}

INT_PTR CALLBACK DetailRightsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG) return EndOnButtons(dialog, message, wParam, StoreTickedRights);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    uint32_t in = *reinterpret_cast<uint32_t*>(lParam);
    // A file's ACE, or one that reaches only the files below a folder, has
    // no subfolders to delete.
    if ((in & kUpperHalfFolderScope) == 0) ShowWindow(GetDlgItem(dialog, IDC_RIGHT_DELETE_CHILD), SW_HIDE);
    TranslateCaptions(dialog, u"Detail Permissions");
    TranslateBoxCaptions(dialog);
    return TRUE;
}

INT_PTR CALLBACK AccountNameProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG) return EndOnButtons(dialog, message, wParam, StoreAccountName);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    TranslateCaptions(dialog, u"Account Name");
    SendDlgItemMessageW(dialog, IDC_ACCOUNT_EDIT, EM_LIMITTEXT, kAccountNameLength, 0);
    return TRUE;
}

// The choices of template 4 in FindMode order.
const int kFindChoiceIds[] = {IDC_FIND_ACCOUNT, IDC_FIND_EXPLICIT, IDC_FIND_PROTECTED};
const uint32_t kFindChoices = sizeof kFindChoiceIds / sizeof *kFindChoiceIds;

void TranslateItem(HWND dialog, int id, const char16_t* english) {
    SetDlgItemTextW(dialog, id, W(Translate(english)));
}

void StoreFindRequest(HWND dialog) {
    FindRequest* request = reinterpret_cast<FindRequest*>(GetWindowLongPtrW(dialog, DWLP_USER));
    request->text[0] = 0;
    GetDlgItemTextW(dialog, IDC_FIND_TEXT, W(request->text), kAccountTextUnits);
    request->mode = 0;
    for (uint32_t choice = 0; choice < kFindChoices; choice++)
        if (IsDlgButtonChecked(dialog, kFindChoiceIds[choice]) == BST_CHECKED) request->mode = choice;
}

INT_PTR CALLBACK FindProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_INITDIALOG) return EndOnButtons(dialog, message, wParam, StoreFindRequest);
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    const FindRequest* request = reinterpret_cast<const FindRequest*>(lParam);
    TranslateCaptions(dialog, u"Find");
    TranslateItem(dialog, IDC_FIND_ACCOUNT, u"Account or SID");
    TranslateItem(dialog, IDC_FIND_EXPLICIT, u"Explicit permissions");
    TranslateItem(dialog, IDC_FIND_PROTECTED, u"Inheritance turned off");
    SendDlgItemMessageW(dialog, IDC_FIND_TEXT, EM_LIMITTEXT, kAccountNameLength, 0);
    SetDlgItemTextW(dialog, IDC_FIND_TEXT, W(request->text));
    SendDlgItemMessageW(dialog, IDC_FIND_TEXT, EM_SETSEL, 0, -1);
    const uint32_t mode = request->mode < kFindChoices ? request->mode : 0;
    CheckRadioButton(dialog, IDC_FIND_ACCOUNT, IDC_FIND_PROTECTED, kFindChoiceIds[mode]);
    return TRUE;
}

}  // namespace

INT_PTR SpecialPermissionsDialog(HWND owner, uint32_t* value) {
    return RunDialog(g_instance, IDD_DETAIL_RIGHTS, owner, DetailRightsProc, (LPARAM)value);
}

INT_PTR AccountNameDialog(HWND owner, char16_t* text) {
    return RunDialog(g_instance, IDD_ACCOUNT_NAME, owner, AccountNameProc, (LPARAM)text);
}

INT_PTR FindDialog(HWND owner, FindRequest* request) {
    return RunDialog(g_instance, IDD_FIND, owner, FindProc, (LPARAM)request);
}
