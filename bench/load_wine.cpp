// Load speed of ovrix against a floor, under Wine. One exe, two roles:
//
//   load_wine.exe floor LISTFILE
//       The floor: per path of a UTF-8 list file (one path a line), exactly
//       GetFileAttributesW, the four GetFileSecurityW queries ovrix makes
//       (owner, DACL, SACL, label) into one 32 KiB buffer, with
//       SeSecurityPrivilege enabled around the SACL query, and
//       LookupAccountSidW for the owner. Nothing else: no tree, no grouping.
//
//   load_wine.exe drive OVRIX_EXE LISTFILE N RUNS [window|log]
//       Runs ovrix on "@8@LISTFILE" and the floor on LISTFILE, RUNS times
//       each, interleaved (the order alternates every run so a drift in the
//       machine's load hits both alike), and prints one table row of medians:
//       N, runs, ovrix ms/path, floor ms/path, ovrix/floor, ovrix's memory.
//
//   load_wine.exe walk OVRIX_EXE LISTFILE FOLDER N RUNS
//       Runs ovrix on "/below FOLDER" and on "@8@LISTFILE" (the same N paths,
//       the folder and everything below it, in the walk's order), RUNS times
//       each, interleaved, and prints one row of medians: N, runs, walk
//       ms/path, list ms/path, walk/list, the walk's memory.
//
// Both are timed the same way from outside: from CreateProcessW until the
// process has read every path (ovrix: see the "done" conditions below; the
// floor: its exit). ovrix's memory is read with GetProcessMemoryInfo on its
// process handle once it is done and before it is closed. Under Wine the
// server fills it from the Linux process's /proc/<pid>/status:
// PeakWorkingSetSize is VmHWM (the true peak resident size, Wine's own
// shared pages included), PeakPagefileUsage is only RssAnon + VmSwap at that
// moment (private memory when done, not a peak).
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

namespace {

const int kTreeId = 100;   // ovrix's tree and log pane control ids
const int kLogId = 101;
const DWORD kSecurityBufferBytes = 32 * 1024;
const int kMaxRuns = 64;
const DWORD kRunLimitMs = 60 * 60 * 1000;   // a stuck run is killed, not waited for
// Each look at ovrix's window is a few requests to the one Wine server that
// ovrix's own queries wait on: look often enough to time, no more.
const DWORD kLookEveryMs = 25;

// ---------------------------------------------------------------- the floor

struct Privilege {
    HANDLE token;
    TOKEN_PRIVILEGES enabled;
    TOKEN_PRIVILEGES disabled;
};

bool OpenSecurityPrivilege(Privilege* p) {
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &p->token)) return false;
    LUID luid;
    if (!LookupPrivilegeValueW(nullptr, L"SeSecurityPrivilege", &luid)) return false;
    p->enabled.PrivilegeCount = p->disabled.PrivilegeCount = 1;
    p->enabled.Privileges[0].Luid = p->disabled.Privileges[0].Luid = luid;
    p->enabled.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    p->disabled.Privileges[0].Attributes = 0;
    return true;
}

void AdjustPrivilege(Privilege* p, TOKEN_PRIVILEGES* state) {
    if (p->token) AdjustTokenPrivileges(p->token, FALSE, state, 0, nullptr, nullptr);
}

// The whole list file as UTF-16, or null.
wchar_t* ReadListFile(const wchar_t* name) {
    HANDLE file = CreateFileW(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    char* bytes = nullptr;
    DWORD got = 0;
    if (GetFileSizeEx(file, &size) && size.QuadPart < 0x40000000) {
        bytes = (char*)malloc((size_t)size.QuadPart + 1);
        if (bytes && !ReadFile(file, bytes, (DWORD)size.QuadPart, &got, nullptr)) got = 0;
    }
    CloseHandle(file);
    if (!bytes) return nullptr;
    int units = MultiByteToWideChar(CP_UTF8, 0, bytes, (int)got, nullptr, 0);
    wchar_t* text = (wchar_t*)malloc(((size_t)units + 1) * sizeof(wchar_t));
    if (text) text[MultiByteToWideChar(CP_UTF8, 0, bytes, (int)got, text, units)] = 0;
    free(bytes);
    return text;
}

void ReadLikeOvrix(const wchar_t* path, BYTE* buffer, Privilege* privilege) {
    DWORD needed;
    GetFileAttributesW(path);
    if (GetFileSecurityW(path, OWNER_SECURITY_INFORMATION, buffer, kSecurityBufferBytes, &needed)) {
        BOOL defaulted;
        PSID owner = nullptr;
        if (GetSecurityDescriptorOwner(buffer, &owner, &defaulted) && owner) {
            wchar_t name[256], domain[256];
            DWORD nameUnits = 256, domainUnits = 256;
            SID_NAME_USE use;
            LookupAccountSidW(nullptr, owner, name, &nameUnits, domain, &domainUnits, &use);
        }
    }
    GetFileSecurityW(path, DACL_SECURITY_INFORMATION, buffer, kSecurityBufferBytes, &needed);
    AdjustPrivilege(privilege, &privilege->enabled);
    GetFileSecurityW(path, SACL_SECURITY_INFORMATION, buffer, kSecurityBufferBytes, &needed);
    AdjustPrivilege(privilege, &privilege->disabled);
    GetFileSecurityW(path, LABEL_SECURITY_INFORMATION, buffer, kSecurityBufferBytes, &needed);
}

int RunFloor(const wchar_t* listName) {
    wchar_t* text = ReadListFile(listName);
    if (!text) return 2;
    BYTE* buffer = (BYTE*)malloc(kSecurityBufferBytes);
    if (!buffer) return 2;
    Privilege privilege = {};
    OpenSecurityPrivilege(&privilege);
    wchar_t* line = text;
    if (*line == 0xFEFF) line++;
    while (*line) {
        wchar_t* end = line + wcscspn(line, L"\r\n");
        wchar_t next = *end;
        *end = 0;
        if (*line) ReadLikeOvrix(line, buffer, &privilege);
        line = next ? end + 1 : end;
    }
    return 0;
}

// --------------------------------------------------------------- the driver

// ovrix shows its window, disables its tree at the first batch of paths and
// enables it again, with a first root, once all is read.
bool WindowShownWithTree(HWND window) {
    if (!IsWindowVisible(window)) return false;
    HWND enabledTree = GetDlgItem(window, kTreeId);
    if (!enabledTree || !IsWindowEnabled(enabledTree)) return false;
    DWORD_PTR root = 0;
    HWND tree = GetDlgItem(window, kTreeId);
    return tree && SendMessageTimeoutW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0, SMTO_ABORTIFHUNG, 1000, &root) && root;
}

// The log's final line "<count> paths ..." also says that all is read, but
// only for a reading that took over a second ("log" as the driver's last
// argument).
bool LogHasPathCountLine(HWND window) {
    HWND log = GetDlgItem(window, kLogId);
    DWORD_PTR length = 0;
    if (!log || !SendMessageTimeoutW(log, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 1000, &length)) return false;
    wchar_t* text = (wchar_t*)malloc((length + 1) * sizeof(wchar_t));
    DWORD_PTR copied = 0;
    bool found = false;
    if (text && SendMessageTimeoutW(log, WM_GETTEXT, length + 1, (LPARAM)text, SMTO_ABORTIFHUNG, 1000, &copied)) {
        text[copied < length ? copied : length] = 0;
        for (const wchar_t* line = text; *line && !found;) {
            const wchar_t* digit = line;
            while (*digit >= L'0' && *digit <= L'9') digit++;
            found = digit > line && wcsncmp(digit, L" paths", 6) == 0;
            const wchar_t* end = wcschr(line, L'\n');
            line = end ? end + 1 : line + wcslen(line);
        }
    }
    free(text);
    return found;
}

enum DoneCondition { kDoneWhenWindowShown, kDoneWhenLogCountsPaths };

// The one place that decides when ovrix has read everything.
bool OvrixIsDone(HWND window, DoneCondition condition) {
    return condition == kDoneWhenLogCountsPaths ? LogHasPathCountLine(window) : WindowShownWithTree(window);
}

struct FindArgs {
    DWORD processId;
    HWND window;
};

BOOL CALLBACK MatchOvrixWindow(HWND window, LPARAM lParam) {
    FindArgs* args = reinterpret_cast<FindArgs*>(lParam);
    wchar_t className[16];
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != args->processId || !GetClassNameW(window, className, 16) || wcscmp(className, L"ovrix") != 0)
        return TRUE;
    args->window = window;
    return FALSE;
}

HWND OvrixWindowOf(DWORD processId) {
    FindArgs args = {processId, nullptr};
    EnumWindows(MatchOvrixWindow, reinterpret_cast<LPARAM>(&args));
    return args.window;
}

double Now(LARGE_INTEGER frequency) {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return (double)counter.QuadPart * 1000.0 / (double)frequency.QuadPart;
}

bool Start(wchar_t* commandLine, PROCESS_INFORMATION* process) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, process))
        return true;
    fwprintf(stderr, L"cannot start %ls (error %lu)\n", commandLine, GetLastError());
    return false;
}

void Finish(PROCESS_INFORMATION* process) {
    if (WaitForSingleObject(process->hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(process->hProcess, 1);
    CloseHandle(process->hThread);
    CloseHandle(process->hProcess);
}

// Milliseconds until ovrix has read every path (negative on failure); its
// peak working set and its private memory when done, in bytes.
double TimeOvrix(wchar_t* commandLine, DoneCondition condition, LARGE_INTEGER frequency, SIZE_T* peakWorkingSet,
                 SIZE_T* privateBytes) {
    PROCESS_INFORMATION process;
    double start = Now(frequency);
    if (!Start(commandLine, &process)) return -1;
    double elapsed = -1;
    HWND window = nullptr;
    while (Now(frequency) - start < kRunLimitMs) {
        if (WaitForSingleObject(process.hProcess, kLookEveryMs) == WAIT_OBJECT_0) break;
        if (!window) window = OvrixWindowOf(process.dwProcessId);
        if (window && OvrixIsDone(window, condition)) {
            elapsed = Now(frequency) - start;
            break;
        }
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.hProcess, &memory, sizeof memory)) {
        *peakWorkingSet = memory.PeakWorkingSetSize;
        *privateBytes = memory.PeakPagefileUsage;
    }
    if (window) PostMessageW(window, WM_CLOSE, 0, 0);
    Finish(&process);
    return elapsed;
}

double TimeFloor(wchar_t* commandLine, LARGE_INTEGER frequency) {
    PROCESS_INFORMATION process;
    double start = Now(frequency);
    if (!Start(commandLine, &process)) return -1;
    bool ended = WaitForSingleObject(process.hProcess, kRunLimitMs) == WAIT_OBJECT_0;
    double elapsed = Now(frequency) - start;
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    Finish(&process);
    return ended && code == 0 ? elapsed : -1;
}

int CompareDoubles(const void* a, const void* b) {
    double x = *(const double*)a, y = *(const double*)b;
    return x < y ? -1 : x > y;
}

double Median(double* values, int count) {
    qsort(values, count, sizeof *values, CompareDoubles);
    return count % 2 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}

int Drive(const wchar_t* ovrix, const wchar_t* list, int paths, int runs, DoneCondition condition) {
    if (paths < 1 || runs < 1 || runs > kMaxRuns) return 2;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    wchar_t ovrixLine[2 * MAX_PATH + 64], floorLine[2 * MAX_PATH + 64];
    // A quoted token is never a list file to ovrix: the list's name goes bare.
    if (wcschr(list, L' ')) {
        fwprintf(stderr, L"the list file's path must not hold blanks: %ls\n", list);
        return 2;
    }
    _snwprintf(ovrixLine, 2 * MAX_PATH + 63, L"\"%ls\" @8@%ls", ovrix, list);
    _snwprintf(floorLine, 2 * MAX_PATH + 63, L"\"%ls\" floor \"%ls\"", self, list);
    ovrixLine[2 * MAX_PATH + 63] = floorLine[2 * MAX_PATH + 63] = 0;

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double ovrixMs[kMaxRuns], floorMs[kMaxRuns], workingSet[kMaxRuns], privateMiB[kMaxRuns];
    for (int run = 0; run < runs; run++) {
        SIZE_T peakWorkingSet = 0, privateBytes = 0;
        bool floorFirst = run % 2 == 1;
        if (floorFirst) floorMs[run] = TimeFloor(floorLine, frequency);
        ovrixMs[run] = TimeOvrix(ovrixLine, condition, frequency, &peakWorkingSet, &privateBytes);
        if (!floorFirst) floorMs[run] = TimeFloor(floorLine, frequency);
        workingSet[run] = (double)peakWorkingSet / (1024 * 1024);
        privateMiB[run] = (double)privateBytes / (1024 * 1024);
        wprintf(L"  N=%d run %d: ovrix %.0f ms (peak working set %.1f MiB, private %.1f MiB), floor %.0f ms\n",
                paths, run + 1, ovrixMs[run], workingSet[run], privateMiB[run], floorMs[run]);
        fflush(stdout);
        if (ovrixMs[run] < 0 || floorMs[run] < 0) {
            fwprintf(stderr, L"run failed\n");
            return 1;
        }
    }
    double ovrixPerPath = Median(ovrixMs, runs) / paths, floorPerPath = Median(floorMs, runs) / paths;
    wprintf(L"%8d %5d %13.4f %13.4f %11.2f %12.1f %12.1f\n", paths, runs, ovrixPerPath, floorPerPath,
            ovrixPerPath / floorPerPath, Median(workingSet, runs), Median(privateMiB, runs));
    fflush(stdout);
    return 0;
}

int DriveWalk(const wchar_t* ovrix, const wchar_t* list, const wchar_t* folder, int paths, int runs) {
    if (paths < 1 || runs < 1 || runs > kMaxRuns || wcschr(list, L' ') || wcschr(folder, L' ')) return 2;
    wchar_t walkLine[2 * MAX_PATH + 64], listLine[2 * MAX_PATH + 64];
    _snwprintf(walkLine, 2 * MAX_PATH + 63, L"\"%ls\" /below %ls", ovrix, folder);
    _snwprintf(listLine, 2 * MAX_PATH + 63, L"\"%ls\" @8@%ls", ovrix, list);
    walkLine[2 * MAX_PATH + 63] = listLine[2 * MAX_PATH + 63] = 0;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double walkMs[kMaxRuns], listMs[kMaxRuns], workingSet[kMaxRuns], privateMiB[kMaxRuns];
    for (int run = 0; run < runs; run++) {
        SIZE_T peakWorkingSet = 0, privateBytes = 0, listPeak = 0, listPrivate = 0;
        bool listFirst = run % 2 == 1;
        if (listFirst) listMs[run] = TimeOvrix(listLine, kDoneWhenWindowShown, frequency, &listPeak, &listPrivate);
        walkMs[run] = TimeOvrix(walkLine, kDoneWhenWindowShown, frequency, &peakWorkingSet, &privateBytes);
        if (!listFirst) listMs[run] = TimeOvrix(listLine, kDoneWhenWindowShown, frequency, &listPeak, &listPrivate);
        workingSet[run] = (double)peakWorkingSet / (1024 * 1024);
        privateMiB[run] = (double)privateBytes / (1024 * 1024);
        wprintf(L"  N=%d run %d: walk %.0f ms (peak working set %.1f MiB), list %.0f ms (%.1f MiB)\n", paths,
                run + 1, walkMs[run], workingSet[run], listMs[run], (double)listPeak / (1024 * 1024));
        fflush(stdout);
        if (walkMs[run] < 0 || listMs[run] < 0) {
            fwprintf(stderr, L"run failed\n");
            return 1;
        }
    }
    double walkPerPath = Median(walkMs, runs) / paths, listPerPath = Median(listMs, runs) / paths;
    wprintf(L"%8d %5d %13.4f %13.4f %10.2f %12.1f %12.1f\n", paths, runs, walkPerPath, listPerPath,
            walkPerPath / listPerPath, Median(workingSet, runs), Median(privateMiB, runs));
    fflush(stdout);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 3 && wcscmp(argv[1], L"floor") == 0) return RunFloor(argv[2]);
    if ((argc == 6 || argc == 7) && wcscmp(argv[1], L"drive") == 0) {
        DoneCondition condition =
            argc == 7 && wcscmp(argv[6], L"log") == 0 ? kDoneWhenLogCountsPaths : kDoneWhenWindowShown;
        return Drive(argv[2], argv[3], _wtoi(argv[4]), _wtoi(argv[5]), condition);
    }
    if (argc == 7 && wcscmp(argv[1], L"walk") == 0)
        return DriveWalk(argv[2], argv[3], argv[4], _wtoi(argv[5]), _wtoi(argv[6]));
    fwprintf(stderr, L"usage: load_wine floor LISTFILE\n"
                     L"       load_wine drive OVRIX_EXE LISTFILE N RUNS [window|log]\n"
                     L"       load_wine walk OVRIX_EXE LISTFILE FOLDER N RUNS\n");
    return 2;
}
