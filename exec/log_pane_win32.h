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
// The end of the log's text: where a line appended now starts.
uint32_t LogEnd(HWND mainWindow);
// Puts text and a line break in place of everything from `start` on (a line
// written there before), or removes it all when text is null. A start beyond
// the end means the end.
void ReplaceLogTail(HWND mainWindow, uint32_t start, const char16_t* text);
// Appends text at the end of the log pane; when it would not fit, the log is
// trimmed first, so the newest text always arrives whole.
void AppendLogText(HWND log, const char16_t* text);
// Removes the oldest half of the log's lines (more when that leaves no room
// for `incoming` characters) and puts the line "(earlier lines removed)" in
// their place.
void TrimLog(HWND log, uint32_t incoming);
