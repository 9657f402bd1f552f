#pragma once
#include <windows.h>

// Opens the context menu of the selected tree node and acts on the choice.
void ShowNodeMenu(HWND mainWindow, HWND tree);
