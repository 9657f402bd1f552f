#pragma once
#include <windows.h>

// Runs one command line hidden, its output streaming into the log pane of
// the main window; true only when it started and ended with exit code 0.
bool RunCommand(HWND mainWindow, char16_t* commandLine);
// Warning box "%s (code:%d)" titled "ovrix".
void ShowWarning(const char16_t* text, int number);
