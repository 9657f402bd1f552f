#pragma once
#include <windows.h>

// Runs one command line hidden, its output streaming into the log pane of
// the main window; true only when it started and ended with exit code 0.
// Esc meanwhile asks for a stop after it (exec/activity.h).
bool RunCommand(HWND mainWindow, char16_t* commandLine);
// Warning box "%s (code:%d)" titled "ovrix".
void ShowWarning(const char16_t* text, int number);

// Where a formatted warning ("pipe error (code:5)") goes. The program shows
// a message box; tests put an observer here so that a warning never blocks
// them on a modal box. Null restores the message box; returns the previous
// presenter (null when the message box was in use).
typedef void (*WarningPresenter)(const char16_t* message);
WarningPresenter SetWarningPresenter(WarningPresenter presenter);

// The handles of one run, held by RunCommand for the length of that run.
struct ChildHandles {
    HANDLE process;
    HANDLE inputRead;        // the child's standard input; non-null: the input pipe exists
    HANDLE inputWrite;       // as created; closed when its private copy is made
    HANDLE ownInputWrite;    // the program's non-inheritable copy; never written to
    HANDLE outputRead;       // non-null: the output pipe exists
    HANDLE outputWrite;      // the child's standard output and standard error
    HANDLE ownOutputRead;    // the program's end (not inheritable, overlapped), read by the runner
};

// Creates the pipes and starts the child; 0 on success, else the system
// error code (a warning has then been shown, except for the first pipe).
DWORD StartChildProcess(ChildHandles* child, char16_t* commandLine);
// Closes the handles of both pipes that exist and the process handle.
void CloseChildHandles(ChildHandles* child);
