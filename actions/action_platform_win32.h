// The Windows services behind the actions.
#pragma once
#include <windows.h>

#include "actions/action_platform.h"

// Reads a string value; a REG_EXPAND_SZ value comes back expanded. The
// buffer is always terminated within its size. True when the value was read.
bool ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* valueName, wchar_t* buffer, DWORD bufferBytes);

// The platform for one menu request on the main window and its tree; the
// popup comes from the menus' Win32 code, which hands in its tracker.
struct ShellWindows {
    HWND main;
    HWND tree;
};
// Posted to the main window by "Add everything below": lParam is a heap
// block of folder names (as ActionPlatform's scanBelow takes them) that the
// window then owns.
const UINT kScanBelowMessage = WM_APP + 0x53;
typedef void (*MenuTracker)(void* owner, const MenuModel* menu, MenuPick* pick);
ActionPlatform WindowsActionPlatform(ShellWindows* windows, MenuTracker trackMenu);
