#include "exec/activity_win32.h"

#include "exec/activity.h"

namespace {

INT_PTR g_closeResult;

}  // namespace

bool IsEscapeDown(const MSG& message) {
    return (message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN) && message.wParam == VK_ESCAPE;
}

void EndWindowActivity(HWND mainWindow) {
    if (EndActivity()) EndDialog(mainWindow, g_closeResult);
}

void CloseMainWindow(HWND mainWindow, INT_PTR result) {
    if (!ActivityInProgress()) {
        EndDialog(mainWindow, result);
        return;
    }
    g_closeResult = result;
    RequestStop(true);
}
