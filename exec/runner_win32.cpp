#include "exec/runner_win32.h"

#include "base/format.h"
#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "config/config_text.h"
#include "exec/activity.h"
#include "exec/activity_win32.h"
#include "exec/log_pane_win32.h"
#include "exec/run_loop.h"
#include "exec/system_program.h"

namespace {

const DWORD kSmallPassBytes = 1022;     // when the heap has no room for a pass's buffers
const DWORD kPipeBytes = 0x10000;       // asked of the pipe, so a fast child is seldom held up
const DWORD kUnreadableExitCode = 13;
const UINT kEndedExitCode = 1;   // what a run ended on the user's word exits with
const uint32_t kWarningUnits = 2048;
const uint32_t kProgramPathUnits = 1024;

MessagePresenter g_presenter;

int ShowMessageBox(HWND owner, const char16_t* message, UINT type) {
    return MessageBoxW(owner, W(message), L"ovrix", type);
}

int Present(HWND owner, const char16_t* message, UINT type) {
    return (g_presenter ? g_presenter : ShowMessageBox)(owner, message, type);
}

// The run in progress, which the user may end.
struct RunningCommand {
    HANDLE job;     // non-null while a child runs
    bool asking;    // the question whether to end it is open
};
RunningCommand g_running;

void CloseStandardHandles(ChildHandles* child) {
    if (child->outputRead) {
        CloseHandle(child->outputWrite);
        CloseHandle(child->ownOutputRead);
    }
    if (child->input) CloseHandle(child->input);
}

DWORD FailStart(ChildHandles* child, const char16_t* message) {
    DWORD error = GetLastError();
    // A failure must never read as the 0 of a started child.
    if (error == 0) error = ERROR_GEN_FAILURE;
    CloseStandardHandles(child);
    if (child->job) CloseHandle(child->job);
    *child = ChildHandles{};
    ShowWarning(message, (int)error);
    return error;
}

// The child's standard input: the null device, so a command that asks a
// question reads the end of its input instead of waiting forever.
HANDLE OpenNullInput(SECURITY_ATTRIBUTES* inheritable) {
    HANDLE input = CreateFileW(L"\\\\.\\NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, inheritable,
                               OPEN_EXISTING, 0, nullptr);
    return input == INVALID_HANDLE_VALUE ? nullptr : input;
}

// A job whose processes all end when its last handle closes.
HANDLE CreateKillOnCloseJob() {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job) return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) return job;
    DWORD error = GetLastError();
    CloseHandle(job);
    SetLastError(error);
    return nullptr;
}

// The output pipe: a named pipe of one instance that no other process can
// have made or joined (first instance, no remote clients, connected at
// once), so the program's end, not inheritable, can be read overlapped.
bool CreateOutputPipe(ChildHandles* child, SECURITY_ATTRIBUTES* inheritable) {
    static uint32_t made;
    char16_t name[96];
    FormatText(name, 96, u"\\\\.\\pipe\\ovrix-output-%d-%d-%d", (unsigned long)GetCurrentProcessId(), ++made,
               (unsigned long)GetTickCount());
    const DWORD openMode = PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
    const DWORD pipeMode = PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS;
    HANDLE read = CreateNamedPipeW(W(name), openMode, pipeMode, 1, 0, kPipeBytes, 0, nullptr);
    if (read == INVALID_HANDLE_VALUE) return false;
    HANDLE write = CreateFileW(W(name), GENERIC_WRITE, 0, inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (write == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(read);
        SetLastError(error);
        return false;
    }
    // One handle, recorded both as the pipe's mark and as the program's end.
    child->outputRead = child->ownOutputRead = read;
    child->outputWrite = write;
    return true;
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

// Dispatches what is queued. A WM_QUIT ends the pumping undispatched and is
// remembered, so that it can be posted again when the run is over. Esc asks
// whether to end the command (the window is disabled, so the key comes to
// whichever window the system hands it).
void PumpMessages(HWND mainWindow, bool* quit, WPARAM* quitCode) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *quit = true;
            *quitCode = message.wParam;
            return;
        }
        if (IsEscapeDown(message)) {
            EndRunningCommand(mainWindow);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

bool IsAnsiLeadByte(uint8_t byte) { return IsDBCSLeadByteEx(GetACP(), byte) != FALSE; }

// A lead byte that ended the previous read, kept for the next one.
struct HeldLeadByte {
    char byte;
    bool held;
};

// The bytes of one read and the text gathered for the log. The log's edit
// control costs time for every character inserted, so text is gathered over
// reads and inserted in one edit when output pauses, at the end, and at most
// every kFlushEveryMs (or twice the last edit's time) meanwhile. Text that
// the log could not keep anyway never reaches it: when more arrives between
// two edits than the log holds, only its newest lines that fit stay, and the
// next edit replaces the whole log with the removal mark and them.
struct OutputBuffers {
    char* bytes;          // capacity + 2: a held lead byte, the bytes, a zero
    wchar_t* text;        // capacity + 1 units
    DWORD capacity;
    DWORD pending;        // units of text not yet in the log
    bool dropped;         // older pending text was let go
    ULONGLONG flushedMs;
    ULONGLONG flushCostMs;
};

const DWORD kGatherUnits = (DWORD)kLogLimit + kPipeBytes;   // all the log holds, and a read beyond
const ULONGLONG kFlushEveryMs = 100;

bool AllocateOutputBuffers(OutputBuffers* buffers) {
    *buffers = OutputBuffers{};
    buffers->capacity = kGatherUnits;
    buffers->bytes = static_cast<char*>(HeapAllocBytes(kGatherUnits + 2));
    buffers->text = static_cast<wchar_t*>(HeapAllocBytes((kGatherUnits + 1) * sizeof(wchar_t)));
    buffers->flushedMs = GetTickCount64();
    return buffers->bytes && buffers->text;
}

void FreeOutputBuffers(OutputBuffers* buffers) {
    HeapFreeBytes(buffers->bytes);
    HeapFreeBytes(buffers->text);
}

// Lets go of the oldest gathered text that the log could not hold, whole
// lines first.
void DropOldestText(OutputBuffers* buffers) {
    const uint32_t room = LogTextRoom();
    if (buffers->capacity < kGatherUnits || buffers->pending <= room) return;
    const DWORD from = KeptTextStart(U(buffers->text), buffers->pending, room);
    MoveMemory(buffers->text, buffers->text + from, (buffers->pending - from) * sizeof(wchar_t));
    buffers->pending -= from;
    buffers->dropped = true;
}

void FlushOutput(HWND log, OutputBuffers* buffers) {
    const ULONGLONG start = GetTickCount64();
    DropOldestText(buffers);
    if (buffers->pending) {
        if (buffers->dropped) TrimLog(log, (uint32_t)kLogLimit);   // leaves only the mark
        buffers->text[buffers->pending] = 0;
        AppendLogText(log, U(buffers->text));
    }
    buffers->pending = 0;
    buffers->dropped = false;
    buffers->flushedMs = GetTickCount64();
    buffers->flushCostMs = buffers->flushedMs - start;
}

bool FlushDue(const OutputBuffers* buffers) {
    const ULONGLONG since = GetTickCount64() - buffers->flushedMs;
    return since >= kFlushEveryMs && since >= 2 * buffers->flushCostMs;
}

// Converts n bytes of ANSI text behind the text gathered.
void GatherAnsiText(const char* bytes, uint32_t n, OutputBuffers* buffers) {
    const int room = (int)(buffers->capacity - buffers->pending);
    int units = n ? MultiByteToWideChar(CP_ACP, 0, bytes, (int)n, buffers->text + buffers->pending, room) : 0;
    if (units > 0) buffers->pending += (DWORD)units;
}

// The program's end of the output pipe, read overlapped so that the wait
// for the child also wakes when output arrives. The read lands behind
// bytes[0], where a held lead byte goes.
struct PipeReader {
    HANDLE pipe;
    OVERLAPPED overlapped;
    bool pending;
};

bool StartRead(PipeReader* reader, HWND log, OutputBuffers* buffers) {
    // A byte never makes more than one unit, so bytes up to the room fit.
    if (buffers->capacity - buffers->pending < buffers->capacity / 8) DropOldestText(buffers);
    if (buffers->capacity - buffers->pending < 2) FlushOutput(log, buffers);
    const DWORD room = buffers->capacity - buffers->pending - 1;
    reader->pending = true;
    if (ReadFile(reader->pipe, buffers->bytes + 1, room, nullptr, &reader->overlapped)) return true;
    if (GetLastError() == ERROR_IO_PENDING) return true;
    reader->pending = false;
    return false;
}

// The output is ANSI text; a double-byte character split by a read's end is
// completed by the next read. A zero byte ends the text of its read.
void GatherReadBytes(DWORD read, HeldLeadByte* lead, OutputBuffers* buffers) {
    char* bytes = buffers->bytes + (lead->held ? 0 : 1);
    buffers->bytes[0] = lead->byte;
    const uint32_t n = (lead->held ? 1 : 0) + read;
    bytes[n] = 0;
    const uint32_t text = (uint32_t)lstrlenA(bytes);
    const uint32_t whole = text == n ? WholeCharacterBytes(reinterpret_cast<uint8_t*>(bytes), n, IsAnsiLeadByte) : text;
    lead->held = whole < text;
    lead->byte = bytes[n - 1];
    GatherAnsiText(bytes, whole, buffers);
}

// Takes every read that has completed, starting the next each time, until
// one is still waiting for output.
PipeOutcome TakeOutput(PipeReader* reader, HWND log, HeldLeadByte* lead, OutputBuffers* buffers) {
    bool took = false;
    for (;;) {
        if (!reader->pending && !StartRead(reader, log, buffers)) return took ? kPipeReadBytes : kPipeFailed;
        DWORD read = 0;
        if (!GetOverlappedResult(reader->pipe, &reader->overlapped, &read, FALSE)) {
            if (GetLastError() == ERROR_IO_INCOMPLETE) return took ? kPipeReadBytes : kPipeEmpty;
            reader->pending = false;   // every writer has closed its end
            return took ? kPipeReadBytes : kPipeFailed;
        }
        reader->pending = false;
        if (read == 0) return took ? kPipeReadBytes : kPipeReadNothing;
        GatherReadBytes(read, lead, buffers);
        took = true;
    }
}

WaitOutcome WaitForChildOrOutput(HANDLE process, HANDLE output, DWORD ms) {
    // Sent messages too: other programs' SendMessage calls must not wait
    // for the child's end.
    HANDLE handles[] = {process, output};
    switch (MsgWaitForMultipleObjects(2, handles, FALSE, ms, QS_ALLINPUT)) {
    case WAIT_OBJECT_0: return kWaitChildEnded;
    case WAIT_OBJECT_0 + 1: return kWaitOutput;
    case WAIT_OBJECT_0 + 2: return kWaitInput;
    case WAIT_TIMEOUT: return kWaitTimedOut;
    default: return kWaitFailed;
    }
}

void CopyChildOutput(const ChildHandles* child, HWND mainWindow, bool* quit, WPARAM* quitCode) {
    HWND log = LogPane(mainWindow);
    OutputBuffers buffers;
    char smallBytes[kSmallPassBytes + 2];
    wchar_t smallText[kSmallPassBytes + 1];
    // Without the heap's buffers the output still flows, in small parts.
    if (!AllocateOutputBuffers(&buffers)) {
        FreeOutputBuffers(&buffers);
        buffers = OutputBuffers{smallBytes, smallText, kSmallPassBytes, 0, false, GetTickCount64(), 0};
    }
    PipeReader reader = {child->ownOutputRead, {}, false};
    reader.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HeldLeadByte lead = {0, false};
    PassEnd end = reader.overlapped.hEvent ? kPassPollNext : kPassLeave;
    while (end != kPassLeave) {
        // Gathered text waits for a pause in the output, not for the next output.
        const DWORD waitMs = NextWaitMs(end, buffers.pending != 0);
        WaitOutcome wait = WaitForChildOrOutput(child->process, reader.overlapped.hEvent, waitMs);
        if (wait == kWaitInput) PumpMessages(mainWindow, quit, quitCode);
        end = EndOfPass(wait, TakeOutput(&reader, log, &lead, &buffers));
        // A wait that timed out with text gathered is a pause in the output.
        if (wait == kWaitTimedOut || FlushDue(&buffers)) FlushOutput(log, &buffers);
    }
    if (reader.pending) {
        // A program the child started may hold the pipe open: its read ends here.
        DWORD read = 0;
        CancelIoEx(reader.pipe, &reader.overlapped);
        if (GetOverlappedResult(reader.pipe, &reader.overlapped, &read, TRUE) && read) GatherReadBytes(read, &lead, &buffers);
    }
    if (reader.overlapped.hEvent) CloseHandle(reader.overlapped.hEvent);
    // The output ended inside a character: its lead byte shows as the
    // system converts it alone.
    if (lead.held) GatherAnsiText(&lead.byte, 1, &buffers);
    FlushOutput(log, &buffers);
    if (buffers.bytes != smallBytes) FreeOutputBuffers(&buffers);
}

// Limits what the child inherits to exactly its standard handles.
LPPROC_THREAD_ATTRIBUTE_LIST InheritedHandleList(HANDLE* handles, SIZE_T bytes) {
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    LPPROC_THREAD_ATTRIBUTE_LIST list = static_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(HeapAllocBytes(size));
    if (!list) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    if (!InitializeProcThreadAttributeList(list, 1, 0, &size)) {
        HeapFreeBytes(list);
        return nullptr;
    }
    if (!UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles, bytes, nullptr, nullptr)) {
        DWORD error = GetLastError();
        DeleteProcThreadAttributeList(list);
        HeapFreeBytes(list);
        SetLastError(error);
        return nullptr;
    }
    return list;
}

void FreeHandleList(LPPROC_THREAD_ATTRIBUTE_LIST list) {
    DeleteProcThreadAttributeList(list);
    HeapFreeBytes(list);
}

bool RunLoggedCommand(HWND mainWindow, char16_t* commandLine) {
    HWND log = LogPane(mainWindow);
    TrimLogBeforeRun(log);
    AppendLogLine(mainWindow, commandLine);
    ChildHandles child;
    if (StartChildProcess(&child, commandLine) != 0) return false;

    EnableWindow(mainWindow, FALSE);
    SendMessageW(log, EM_SETREADONLY, TRUE, 0);
    bool quit = false;
    WPARAM quitCode = 0;
    g_running.job = child.job;
    CopyChildOutput(&child, mainWindow, &quit, &quitCode);
    g_running.job = nullptr;
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(child.process, &exitCode)) exitCode = kUnreadableExitCode;
    CloseChildHandles(&child);
    AppendLogLine(mainWindow, u"");
    SendMessageW(log, EM_SETREADONLY, FALSE, 0);
    EnableWindow(mainWindow, TRUE);
    if (quit) PostQuitMessage((int)quitCode);
    return exitCode == 0;
}

}  // namespace

MessagePresenter SetMessagePresenter(MessagePresenter presenter) {
    MessagePresenter previous = g_presenter;
    g_presenter = presenter;
    return previous;
}

void ShowWarning(const char16_t* text, int number) {
    char16_t message[kWarningUnits];
    FormatText(message, kWarningUnits, u"%s (code:%d)", text, number);
    Present(nullptr, message, MB_ICONWARNING | MB_OK);
}

bool EndRunningCommand(HWND mainWindow) {
    if (!g_running.job) return true;
    if (g_running.asking) return false;
    // The answer waits in a box of its own; the child runs on meanwhile.
    char16_t question[kTranslationUnits];
    CopyText(question, kTranslationUnits, Translate(u"End the running command?"));
    g_running.asking = true;
    const bool end = Present(mainWindow, question, MB_ICONQUESTION | MB_YESNO) == IDYES;
    g_running.asking = false;
    if (!end) return false;
    TerminateJobObject(g_running.job, kEndedExitCode);
    RequestStop(false);
    return true;
}

DWORD StartChildProcess(ChildHandles* child, char16_t* commandLine) {
    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    STARTUPINFOEXW extended = {};
    STARTUPINFOW& startup = extended.StartupInfo;
    startup.cb = sizeof extended;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    *child = ChildHandles{};

    child->input = OpenNullInput(&inheritable);
    if (!child->input) {
        DWORD error = GetLastError();
        return error ? error : ERROR_GEN_FAILURE;
    }
    startup.hStdInput = child->input;

    if (!CreateOutputPipe(child, &inheritable)) return FailStart(child, u"pipe error");
    startup.hStdOutput = child->outputWrite;
    startup.hStdError = child->outputWrite;

    child->job = CreateKillOnCloseJob();
    if (!child->job) return FailStart(child, u"job error");

    char16_t program[kProgramPathUnits];
    const wchar_t* application = nullptr;
    if (!ApplicationName(commandLine, program, kProgramPathUnits, &application))
        return FailStart(child, u"run exe error");
    HANDLE inherited[] = {child->input, child->outputWrite};
    extended.lpAttributeList = InheritedHandleList(inherited, sizeof inherited);
    if (!extended.lpAttributeList) return FailStart(child, u"run exe error");
    PROCESS_INFORMATION info = {};
    // Suspended until it is in the job, so nothing it starts escapes it.
    const DWORD flags = CREATE_DEFAULT_ERROR_MODE | EXTENDED_STARTUPINFO_PRESENT | CREATE_SUSPENDED;
    BOOL started = CreateProcessW(application, W(commandLine), nullptr, nullptr, TRUE, flags, nullptr, nullptr,
                                  &startup, &info);
    DWORD error = GetLastError();
    FreeHandleList(extended.lpAttributeList);
    SetLastError(error);
    if (!started) return FailStart(child, u"run exe error");
    const bool inJob = AssignProcessToJobObject(child->job, info.hProcess) && ResumeThread(info.hThread) != (DWORD)-1;
    error = GetLastError();
    CloseHandle(info.hThread);
    if (!inJob) {
        TerminateProcess(info.hProcess, kEndedExitCode);
        CloseHandle(info.hProcess);
        SetLastError(error);
        return FailStart(child, u"job error");
    }
    child->process = info.hProcess;
    return 0;
}

void CloseChildHandles(ChildHandles* child) {
    CloseStandardHandles(child);
    CloseHandle(child->process);
    CloseHandle(child->job);
}

bool RunCommand(HWND mainWindow, char16_t* commandLine) {
    BeginActivity();
    bool succeeded = RunLoggedCommand(mainWindow, commandLine);
    EndWindowActivity(mainWindow);
    return succeeded;
}
