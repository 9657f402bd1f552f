// Program entry: stores the process-wide handles, registers the main
// window's class and runs the main dialog, whose message loop is the
// program's main loop.
#include <windows.h>
#include <commctrl.h>   // InitCommonControls, imported by ordinal 17

#include "app/dialog_win32.h"
#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "security/security_win32.h"


int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    g_instance = instance;
    UseProcessHeap();
    InstallSecurityPlatform();
    RegisterMainWindowClass();
    InitCommonControls();
    RunDialog(instance, 1, nullptr, MainDialogProc, 0);
    return 0;
}
