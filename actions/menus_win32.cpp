#include "actions/menus_win32.h"

#include "actions/commands.h"
#include "actions/node_menus.h"
#include "actions/platform_win32.h"
#include "base/tree_sink_win32.h"
#include "exec/activity.h"
#include "exec/activity_win32.h"

PopupTracker g_popupTracker = TrackPopupAtCursor;

UINT TrackPopupAtCursor(HMENU popup, HWND owner) {
    // Also when the keyboard opened it, the menu stands at the mouse pointer.
    POINT at = {};
    GetCursorPos(&at);
    return (UINT)TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}

void ShowNodeMenu(HWND mainWindow, HWND tree) {
    ShellWindows windows = {mainWindow, tree};
    ActionPlatform platform = WindowsActionPlatform(&windows);
    TreeSink sink = TreeViewSink(tree);
    BeginActivity();
    OpenNodeMenu(&platform, &sink);
    EndWindowActivity(mainWindow);
}

void ReportBadAccessTypes(HWND mainWindow) {
    ShellWindows windows = {mainWindow, nullptr};
    ActionPlatform platform = WindowsActionPlatform(&windows);
    ReportBadAccessTypes(&platform);
}
