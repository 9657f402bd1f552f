// The program runs elevated: a DLL planted beside it must never be loaded.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <string>

#include "app/main_window_win32.h"
#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

// The full path of the process's netapi32.dll once it is loaded, else "".
std::wstring LoadedNetapi(DWORD process) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process);
    if (snapshot == INVALID_HANDLE_VALUE) return L"";
    MODULEENTRY32W module = {sizeof module};
    std::wstring found;
    for (BOOL more = Module32FirstW(snapshot, &module); more && found.empty(); more = Module32NextW(snapshot, &module))
        if (lstrcmpiW(module.szModule, L"netapi32.dll") == 0) found = module.szExePath;
    CloseHandle(snapshot);
    return found;
}

// The process shows a popup menu: it was built, with every library it needed.
bool ShowsMenu(DWORD process) {
    HWND menu = FindWindowW(L"#32768", nullptr);
    DWORD owner = 0;
    if (menu) GetWindowThreadProcessId(menu, &owner);
    return menu && owner == process && IsWindowVisible(menu);
}

HTREEITEM NextItem(HWND tree, UINT relation, HTREEITEM item) {
    return (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, relation, (LPARAM)item);
}

}  // namespace

// Wine, like Windows for a name that is no KnownDLL, takes a native DLL from
// the program's folder once told to prefer native ones for the program.
TEST(DllSearch, ANetapi32BesideTheProgramIsNeverLoaded) {
    std::wstring folder = NewTempFolder(), exe = folder + L"\\ovrix.exe", planted = folder + L"\\netapi32.dll";
    ASSERT_TRUE(CopyFileW((ExeDirectory() + L"ovrix.exe").c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((ExeDirectory() + L"planted\\netapi32.dll").c_str(), planted.c_str(), FALSE));
    // Told per program, in the registry: an override set in our environment
    // does not reach the child's loader.
    const wchar_t kOverrides[] = L"Software\\Wine\\AppDefaults\\ovrix.exe\\DllOverrides";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr), 0);
    const wchar_t kNativeFirst[] = L"native,builtin";
    RegSetValueExW(key, L"netapi32", 0, REG_SZ, reinterpret_cast<const BYTE*>(kNativeFirst), sizeof kNativeFirst);
    RegCloseKey(key);

    OvrixProcess ovrix;
    bool started = StartOvrix(L"\"" + folder + L"\\missing.txt\"", &ovrix, 20000, exe);
    ASSERT_TRUE(started);
    // The Permissions menu (third node of a missing path) lists the local
    // accounts, which needs netapi32.
    HWND tree = GetDlgItem(ovrix.window, IDC_TREE);
    HTREEITEM permissions = NextItem(tree, TVGN_CHILD, NextItem(tree, TVGN_ROOT, nullptr));
    permissions = NextItem(tree, TVGN_NEXT, NextItem(tree, TVGN_NEXT, permissions));
    ASSERT_TRUE(permissions);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)permissions);
    PostMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_TRUE(WaitFor([&] { return ShowsMenu(ovrix.info.dwProcessId); }));
    std::wstring loaded = LoadedNetapi(ovrix.info.dwProcessId);
    CharLowerBuffW(&loaded[0], (DWORD)loaded.size());
    EXPECT_NE(loaded.find(L"\\system32\\"), std::wstring::npos) << Utf8(loaded);
    EXPECT_EQ(GetFileAttributesW((planted + L".loaded").c_str()), INVALID_FILE_ATTRIBUTES);
    TerminateProcess(ovrix.info.hProcess, 0);
    WaitForExit(&ovrix, 5000);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Wine\\AppDefaults\\ovrix.exe");
    RemoveTree(folder);
}
