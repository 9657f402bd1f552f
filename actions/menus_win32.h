#pragma once
#include <windows.h>

// Opens the context menu of the selected tree node and acts on the choice.
void ShowNodeMenu(HWND mainWindow, HWND tree);
// Ctrl+Z: undoes the last change of the selected node's group.
void UndoSelectedNodeChange(HWND mainWindow, HWND tree);
// Ctrl+F: the Find dialog, then the first match selected.
void OpenFindDialog(HWND mainWindow, HWND tree);
// F3 (Shift+F3: backward): the next match of the last find; the Find dialog
// when there was none.
void FindNextMatch(HWND mainWindow, HWND tree, bool backward);
// Logs the list file's [ACCESS_TYPES] lines that the menus leave out.
void ReportBadAccessTypes(HWND mainWindow);

// Test seam: shows a filled popup and returns the chosen command id, 0 when
// dismissed (TrackPopupAtCursor); tests choose without a person.
typedef UINT (*PopupTracker)(HMENU popup, HWND owner);
extern PopupTracker g_popupTracker;
UINT TrackPopupAtCursor(HMENU popup, HWND owner);
