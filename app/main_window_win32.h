#pragma once
#include <windows.h>
#include <stdint.h>

const int kTreeId = 100;
const int kLogId = 101;
const int kActionButtonId = 104;
const int kLogLimit = 0x20000;

// Appends text and a line break at the end of the log pane (control 101).
void AppendLogLine(HWND mainWindow, const char16_t* text);
// Appends text at the end of the log pane; when it would not fit, the log is
// trimmed first, so the newest text always arrives whole.
void AppendLogText(HWND log, const char16_t* text);
// Removes the oldest half of the log's lines (more when that leaves no room
// for `incoming` characters) and puts the line "(earlier lines removed)" in
// their place.
void TrimLog(HWND log, uint32_t incoming);
// Ends an activity of the window (exec/activity.h); a close asked for while
// it ran happens once the outermost one has ended.
void EndWindowActivity(HWND mainWindow);
INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the window class "ovrix" that dialog template 1 names.
void RegisterMainWindowClass();
// Source of the command line read at start-up; tests replace it.
extern const wchar_t* (*g_commandLineSource)();
