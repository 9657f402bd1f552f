// The main window's side of its activities (exec/activity.h): a close asked
// for while one runs waits for the outermost one's end.
#pragma once
#include <windows.h>

// Esc pressed: the key that stops what the window is busy with, whichever
// window of the thread it comes to.
bool IsEscapeDown(const MSG& message);
// Ends an activity of the window; a close asked for while it ran happens
// once the outermost one has ended.
void EndWindowActivity(HWND mainWindow);
// Closes the main dialog with `result` at once, or, while a menu, dialog or
// run is in progress, once it has ended; no further command starts meanwhile.
void CloseMainWindow(HWND mainWindow, INT_PTR result);
