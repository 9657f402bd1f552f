#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the window class "ovrix" that the main dialog template names.
void RegisterMainWindowClass();
// Source of the command line read at start-up; tests replace it.
extern const wchar_t* (*g_commandLineSource)();
