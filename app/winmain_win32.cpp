// Program entry: stores the process-wide handles, registers the main
// window's class and runs the main dialog, whose message loop is the
// program's main loop.
#include <windows.h>
#include <commctrl.h>   // InitCommonControls, imported by ordinal 17

#include "base/dialog_win32.h"
#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "resources/resource_ids.h"
#include "security/security_win32.h"


int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Libraries loaded from now on, by us or by system libraries, come from
    // System32 only, never from the program's folder.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    g_instance = instance;
    UseProcessHeap();
    UseSystemThreads();
    InstallSecurityPlatform();
    RegisterMainWindowClass();
    InitCommonControls();
    RunDialog(instance, IDD_MAIN_WINDOW, nullptr, MainDialogProc, 0);
    return 0;
}
