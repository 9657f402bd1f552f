#pragma once
#include <windows.h>

const int kTreeId = 100;
const int kLogId = 101;
const int kActionButtonId = 104;
const int kLogLimit = 0x20000;

// Appends text and a line break at the end of the log pane (control 101).
void AppendLogLine(HWND mainWindow, const char16_t* text);
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the window class "ovrix" that dialog template 1 names.
void RegisterMainWindowClass();
// Source of the command line read at start-up; tests replace it.
extern const wchar_t* (*g_commandLineSource)();
