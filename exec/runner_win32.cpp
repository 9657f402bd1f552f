#include "exec/runner_win32.h"

#include "app/main_window_win32.h"
#include "base/format.h"
#include "base/platform_win32.h"
#include "exec/run_loop.h"
#include "exec/system_program.h"

namespace {

const DWORD kChunkBytes = 1022;         // the chunk buffer holds 1024
const DWORD kUnreadableExitCode = 13;
const uint32_t kWarningUnits = 2048;
const uint32_t kProgramPathUnits = 1024;
const DWORD kOwnCopyOptions = DUPLICATE_CLOSE_SOURCE | DUPLICATE_SAME_ACCESS;

WarningPresenter g_warningPresenter;

void ShowWarningBox(const char16_t* message) {
    MessageBoxW(nullptr, W(message), L"ovrix", MB_ICONWARNING | MB_OK);
}

// A non-inheritable copy of one pipe end for the program itself. The
// original is closed, also when the copy fails; its stale value stays in the
// record only as the mark that the pipe exists.
bool MakeOwnCopy(HANDLE source, HANDLE* copy) {
    HANDLE self = GetCurrentProcess();
    if (DuplicateHandle(self, source, self, copy, 0, FALSE, kOwnCopyOptions)) return true;
    *copy = nullptr;
    return false;
}

void ClosePipeHandles(ChildHandles* child) {
    if (child->outputRead) {
        CloseHandle(child->outputWrite);
        if (child->ownOutputRead) CloseHandle(child->ownOutputRead);
    }
    if (child->inputRead) {
        CloseHandle(child->inputRead);
        if (child->ownInputWrite) CloseHandle(child->ownInputWrite);
    }
}

DWORD FailStart(ChildHandles* child, const char16_t* message) {
    DWORD error = GetLastError();
    // A failure must never read as the 0 of a started child.
    if (error == 0) error = ERROR_GEN_FAILURE;
    ClosePipeHandles(child);
    ShowWarning(message, (int)error);
    return error;
}

// Sets name to the full path of a bare program name in the system folder,
// or to null when the command line names its program by path; false, with
// the last error set, when that path cannot be made.
bool ApplicationName(const char16_t* commandLine, char16_t* out, uint32_t capacity, const wchar_t** name) {
    *name = nullptr;
    wchar_t folder[MAX_PATH];
    UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0) return false;
    if (length >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    switch (ResolveSystemProgram(commandLine, U(folder), out, capacity)) {
    case kProgramNamedByPath: return true;
    case kProgramInSystemFolder: *name = W(out); return true;
    case kProgramPathTooLong: break;
    }
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return false;
}

void TrimLog(HWND log) {
    uint32_t length = (uint32_t)SendMessageW(log, WM_GETTEXTLENGTH, 0, 0);
    uint32_t line = LogTrimLine(length, (uint32_t)SendMessageW(log, EM_GETLINECOUNT, 0, 0));
    if (line == 0) return;
    LRESULT end = SendMessageW(log, EM_LINEINDEX, line, 0);
    if (end <= 0) return;
    SendMessageW(log, EM_SETSEL, 0, end);
    SendMessageW(log, EM_REPLACESEL, FALSE, (LPARAM)L"");
}

// Dispatches what is queued. A WM_QUIT ends the pumping undispatched and is
// remembered, so that it can be posted again when the run is over.
void PumpMessages(bool* quit, WPARAM* quitCode) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *quit = true;
            *quitCode = message.wParam;
            return;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

WaitOutcome WaitForChild(HANDLE process, DWORD ms) {
    switch (MsgWaitForMultipleObjects(1, &process, FALSE, ms, QS_ALLEVENTS)) {
    case WAIT_OBJECT_0: return kWaitChildEnded;
    case WAIT_OBJECT_0 + 1: return kWaitInput;
    case WAIT_TIMEOUT: return kWaitTimedOut;
    default: return kWaitFailed;
    }
}

// Moves at most one chunk from the pipe to the end of the log. The output is
// ANSI text: the ANSI EM_REPLACESEL lets the system convert it.
PipeOutcome CopyChunk(HANDLE pipe, HWND log) {
    DWORD waiting = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return kPipeFailed;
    if (waiting == 0) return kPipeEmpty;
    char chunk[kChunkBytes + 2];
    DWORD read = 0;
    if (!ReadFile(pipe, chunk, kChunkBytes, &read, nullptr)) return kPipeFailed;
    if (read == 0) return kPipeReadNothing;
    chunk[read] = 0;
    SendMessageW(log, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    SendMessageA(log, EM_REPLACESEL, FALSE, (LPARAM)chunk);
    return kPipeReadBytes;
}

void CopyChildOutput(const ChildHandles* child, HWND log, bool* quit, WPARAM* quitCode) {
    DWORD waitMs = kRunWaitMs;
    for (;;) {
        WaitOutcome wait = WaitForChild(child->process, waitMs);
        if (wait == kWaitInput) PumpMessages(quit, quitCode);
        PassEnd end = EndOfPass(wait, CopyChunk(child->ownOutputRead, log));
        if (end == kPassLeave) return;
        waitMs = NextWaitMs(end);
    }
}

}  // namespace

WarningPresenter SetWarningPresenter(WarningPresenter presenter) {
    WarningPresenter previous = g_warningPresenter;
    g_warningPresenter = presenter;
    return previous;
}

void ShowWarning(const char16_t* text, int number) {
    char16_t message[kWarningUnits];
    FormatText(message, kWarningUnits, u"%s (code:%d)", text, number);
    (g_warningPresenter ? g_warningPresenter : ShowWarningBox)(message);
}

DWORD StartChildProcess(ChildHandles* child, char16_t* commandLine) {
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    *child = ChildHandles{};

    if (!CreatePipe(&child->inputRead, &child->inputWrite, &inheritable, 0)) {
        DWORD error = GetLastError();
        *child = ChildHandles{};
        return error ? error : ERROR_GEN_FAILURE;
    }
    if (!MakeOwnCopy(child->inputWrite, &child->ownInputWrite)) return FailStart(child, u"pipe dup error");
    startup.hStdInput = child->inputRead;

    if (!CreatePipe(&child->outputRead, &child->outputWrite, &inheritable, 0)) {
        child->outputRead = nullptr;
        return FailStart(child, u"pipe error");
    }
    if (!MakeOwnCopy(child->outputRead, &child->ownOutputRead)) return FailStart(child, u"pipe dup error");
    startup.hStdOutput = child->outputWrite;
    startup.hStdError = child->outputWrite;

    char16_t program[kProgramPathUnits];
    const wchar_t* application = nullptr;
    if (!ApplicationName(commandLine, program, kProgramPathUnits, &application))
        return FailStart(child, u"run exe error");
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(application, W(commandLine), nullptr, nullptr, TRUE, CREATE_DEFAULT_ERROR_MODE,
                        nullptr, nullptr, &startup, &info))
        return FailStart(child, u"run exe error");
    CloseHandle(info.hThread);
    child->process = info.hProcess;
    return 0;
}

void CloseChildHandles(ChildHandles* child) {
    ClosePipeHandles(child);
    CloseHandle(child->process);
}

bool RunCommand(HWND mainWindow, char16_t* commandLine) {
    HWND log = GetDlgItem(mainWindow, kLogId);
    TrimLog(log);
    AppendLogLine(mainWindow, commandLine);
    ChildHandles child;
    if (StartChildProcess(&child, commandLine) != 0) return false;

    EnableWindow(mainWindow, FALSE);
    SendMessageW(log, EM_SETREADONLY, TRUE, 0);
    bool quit = false;
    WPARAM quitCode = 0;
    CopyChildOutput(&child, log, &quit, &quitCode);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(child.process, &exitCode)) exitCode = kUnreadableExitCode;
    CloseChildHandles(&child);
    AppendLogLine(mainWindow, u"");
    SendMessageW(log, EM_SETREADONLY, FALSE, 0);
    EnableWindow(mainWindow, TRUE);
    if (quit) PostQuitMessage((int)quitCode);
    return exitCode == 0;
}
