// The log pane: the main window's edit control that shows command lines,
// their output and the program's notes.
#pragma once
#include <windows.h>
#include <stdint.h>

const int kLogLimit = 0x20000;

HWND LogPane(HWND mainWindow);
// Raises the pane's text limit to kLogLimit.
void InitLogPane(HWND mainWindow);
// Appends text and a line break at the end of the log pane.
void AppendLogLine(HWND mainWindow, const char16_t* text);
// Appends text at the end of the log pane; when it would not fit, the log is
// trimmed first, so the newest text always arrives whole.
void AppendLogText(HWND log, const char16_t* text);
// Removes the oldest half of the log's lines (more when that leaves no room
// for `incoming` characters) and puts the line "(earlier lines removed)" in
// their place.
void TrimLog(HWND log, uint32_t incoming);
