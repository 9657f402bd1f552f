#pragma once
#include <windows.h>

// Runs one command line hidden, its output streaming into the log pane of
// the main window; true only when it started and ended with exit code 0.
// Esc meanwhile asks whether to end it (EndRunningCommand).
bool RunCommand(HWND mainWindow, char16_t* commandLine);
// While a command runs, asks "End the running command?"; Yes ends the child
// and everything it started and asks the activity to stop (exec/activity.h).
// True when no command runs or it was ended; false, with nothing ended,
// when the answer was No (or the question is already open).
bool EndRunningCommand(HWND mainWindow);
// Warning box "%s (code:%d)" titled "ovrix".
void ShowWarning(const char16_t* text, int number);

// Where a formatted warning ("pipe error (code:5)") or a question goes: a
// message box titled "ovrix" of the given MB_ type, owned by owner (may be
// null); returns the button chosen (IDOK, IDYES, IDNO). Tests put an
// observer here so that no modal box blocks them. Null restores the message
// box; returns the previous presenter (null when the message box was in use).
typedef int (*MessagePresenter)(HWND owner, const char16_t* message, UINT type);
MessagePresenter SetMessagePresenter(MessagePresenter presenter);

// The handles of one run, held by RunCommand for the length of that run.
struct ChildHandles {
    HANDLE process;
    HANDLE input;            // the null device, the child's standard input; non-null once opened
    HANDLE outputRead;       // non-null: the output pipe exists
    HANDLE outputWrite;      // the child's standard output and standard error
    HANDLE ownOutputRead;    // the program's end (not inheritable, overlapped), read by the runner
    HANDLE job;              // the child and everything it starts; closing it ends them all
};

// Opens the standard handles, makes the job and starts the child in it;
// 0 on success, else the system error code (a warning has then been shown,
// except when the null device cannot be opened).
DWORD StartChildProcess(ChildHandles* child, char16_t* commandLine);
// Closes the handles that exist: the standard handles, the process and the
// job (which ends whatever still runs in it).
void CloseChildHandles(ChildHandles* child);
