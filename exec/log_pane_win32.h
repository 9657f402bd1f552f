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
// the end means the end. Returns where the line written starts now (the end
// when none was).
uint32_t ReplaceLogTail(HWND mainWindow, uint32_t start, const char16_t* text);
// The most text the log holds behind the line "(earlier lines removed)".
uint32_t LogTextRoom();
// Appends text at the end of the log pane. When it would not fit, just
// enough of the oldest lines leave first (TrimLog), so the newest text
// always arrives whole; text longer than the log holds keeps its newest
// lines that fit.
void AppendLogText(HWND log, const char16_t* text);
// Removes just enough of the oldest lines that `incoming` more characters
// fit (all of them when that is more than LogTextRoom), and puts the line
// "(earlier lines removed)" in their place.
void TrimLog(HWND log, uint32_t incoming);
// Before a run: a log of kLogTrimThreshold characters or more loses the
// oldest half of its lines to that line.
void TrimLogBeforeRun(HWND log);
