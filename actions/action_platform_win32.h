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
typedef void (*MenuTracker)(void* owner, const MenuModel* menu, MenuPick* pick);
ActionPlatform WindowsActionPlatform(ShellWindows* windows, MenuTracker trackMenu);
