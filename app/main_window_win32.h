#pragma once
#include <windows.h>

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the window class "ovrix" that the main dialog template names.
void RegisterMainWindowClass();
// Test seam: the command line read at start-up (GetCommandLineW); tests
// point it at their own.
typedef const wchar_t* (*CommandLineFn)();
extern CommandLineFn g_commandLineSource;
