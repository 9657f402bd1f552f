#include "actions/menus_win32.h"

#include "actions/action_platform_win32.h"
#include "actions/commands.h"
#include "actions/find.h"
#include "actions/menu_model.h"
#include "actions/node_menus.h"
#include "base/handles_win32.h"
#include "base/platform_win32.h"
#include "base/tree_sink_win32.h"
#include "exec/activity.h"
#include "exec/activity_win32.h"

PopupTracker g_popupTracker = TrackPopupAtCursor;

namespace {

// Builds the real popup from the model; false when a menu call fails.
bool FillMenu(HMENU menu, const MenuModel* model) {
    for (uint32_t i = 0; i < model->count; i++) {
        const MenuItem& item = model->items[i];
        if (item.flags & kMenuSeparator) {
            if (!AppendMenuW(menu, MF_SEPARATOR, 0, nullptr)) return false;
        } else if (item.submenu) {
            MenuHandle submenu(CreatePopupMenu());
            if (!submenu.handle || !FillMenu(submenu.handle, item.submenu) ||
                !AppendMenuW(menu, MF_STRING | MF_POPUP, (UINT_PTR)submenu.handle, W(item.text)))
                return false;
            submenu.Release();   // the menu owns it now
        } else {
            UINT flags = MF_STRING | ((item.flags & kMenuChecked) ? MF_CHECKED : 0);
            if (!AppendMenuW(menu, flags, item.id, W(item.text))) return false;
            if (item.flags & kMenuHasData) {
                MENUITEMINFOW info = {};
                info.cbSize = sizeof info;
                info.fMask = MIIM_DATA;
                info.dwItemData = item.data;
                if (!SetMenuItemInfoW(menu, item.id, FALSE, &info)) return false;
            }
        }
    }
    return true;
}

void TrackMenu(void* owner, const MenuModel* model, MenuPick* pick) {
    ShellWindows* windows = static_cast<ShellWindows*>(owner);
    MenuHandle popupOwner(CreatePopupMenu());
    HMENU popup = popupOwner.handle;
    if (!popup || !FillMenu(popup, model)) return;
    // A Space that opened the menu is still queued as WM_CHAR for the tree;
    // the menu loop would take it as a choice and close at once.
    MSG queued;
    while (PeekMessageW(&queued, windows->tree, WM_CHAR, WM_CHAR, PM_REMOVE)) {
    }
    UINT id = g_popupTracker(popup, windows->main);
    if (id > 0) {
        pick->id = id;
        if (!GetMenuStringW(popup, id, W(pick->text), kAccountTextUnits, MF_BYCOMMAND)) pick->text[0] = 0;
        pick->text[kAccountTextUnits - 1] = 0;
        MENUITEMINFOW info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_DATA;
        if (GetMenuItemInfoW(popup, id, FALSE, &info)) {
            pick->data = (uint32_t)info.dwItemData;
            pick->dataRead = true;
        }
    }
}

}  // namespace

UINT TrackPopupAtCursor(HMENU popup, HWND owner) {
    // Also when the keyboard opened it, the menu stands at the mouse pointer.
    POINT at = {};
    GetCursorPos(&at);
    return (UINT)TrackPopupMenu(popup, TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
}

namespace {

// One request on the selected node, as one activity of the main window.
void ActOnSelectedNode(HWND mainWindow, HWND tree, void (*act)(const ActionPlatform*, const TreeSink*)) {
    ShellWindows windows = {mainWindow, tree};
    ActionPlatform platform = WindowsActionPlatform(&windows, TrackMenu);
    TreeSink sink = TreeViewSink(tree);
    BeginActivity();
    act(&platform, &sink);
    EndWindowActivity(mainWindow);
}

}  // namespace

void ShowNodeMenu(HWND mainWindow, HWND tree) { ActOnSelectedNode(mainWindow, tree, OpenNodeMenu); }

void UndoSelectedNodeChange(HWND mainWindow, HWND tree) { ActOnSelectedNode(mainWindow, tree, UndoOnSelectedNode); }

void OpenFindDialog(HWND mainWindow, HWND tree) { ActOnSelectedNode(mainWindow, tree, OpenFind); }

void FindNextMatch(HWND mainWindow, HWND tree, bool backward) {
    ShellWindows windows = {mainWindow, tree};
    ActionPlatform platform = WindowsActionPlatform(&windows, TrackMenu);
    TreeSink sink = TreeViewSink(tree);
    if (!FindAgain(&platform, &sink, backward)) OpenFindDialog(mainWindow, tree);
}

void ReportBadAccessTypes(HWND mainWindow) {
    ShellWindows windows = {mainWindow, nullptr};
    ActionPlatform platform = WindowsActionPlatform(&windows, TrackMenu);
    ReportBadAccessTypes(&platform);
}
