#include "exec/activity_win32.h"

#include "exec/activity.h"

namespace {

INT_PTR g_closeResult;

}  // namespace

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
