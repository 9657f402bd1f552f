// ovrix-report: the console program. Writes with WriteConsoleW to a console
// and UTF-8 bytes to a pipe or file.
#include <windows.h>

#include "base/format.h"
#include "base/heap.h"
#include "base/platform_win32.h"
#include "config/config_win32.h"
#include "config/file_text_win32.h"
#include "input/folder_walk_win32.h"
#include "input/list_file.h"
#include "input/list_file_win32.h"
#include "report/report_run.h"
#include "security/access_check_win32.h"
#include "security/path_names.h"
#include "security/security_win32.h"

namespace {

bool IsConsole(HANDLE handle) {
    DWORD mode;
    return GetConsoleMode(handle, &mode) != FALSE;
}

bool WriteHandle(void* context, const char16_t* text, uint32_t units) {
    HANDLE handle = static_cast<HANDLE>(context);
    if (IsConsole(handle)) {
        while (units) {
            DWORD written = 0;
            if (!WriteConsoleW(handle, W(text), units, &written, nullptr) || written == 0) return false;
            text += written;
            units -= written;
        }
        return true;
    }
    static char bytes[3 * kReportChunkUnits];
    const uint32_t n = Utf16ToUtf8(text, units < kReportChunkUnits ? units : kReportChunkUnits, bytes);
    const char* p = bytes;
    for (DWORD left = n; left;) {
        DWORD written = 0;
        if (!WriteFile(handle, p, left, &written, nullptr) || written == 0) return false;
        p += written;
        left -= written;
    }
    return units <= kReportChunkUnits || WriteHandle(context, text + kReportChunkUnits, units - kReportChunkUnits);
}

// Why standard output last refused text.
DWORD g_outputError = 0;

bool WriteOutput(void* context, const char16_t* text, uint32_t units) {
    if (WriteHandle(context, text, units)) return true;
    g_outputError = GetLastError();
    return false;
}

// The system's words for the error, without the line break they end in.
void OutputFailure(void*, char16_t* text, uint32_t capacity) {
    const DWORD error = g_outputError ? g_outputError : ERROR_WRITE_FAULT;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, W(text),
                             capacity, nullptr);
    while (n && (text[n - 1] == u'\r' || text[n - 1] == u'\n' || text[n - 1] == u' ')) n--;
    if (n) text[n] = 0;
    else FormatText(text, capacity, u"error %d", (unsigned)error);
}

void WriteError(void*, const char16_t* text) {
    uint32_t units = 0;
    while (text[units]) units++;
    WriteHandle(GetStdHandle(STD_ERROR_HANDLE), text, units);
}

uint32_t NameAttributes(void*, const char16_t* name) { return PathAttributes(name); }

char* ReadListFile(void*, const char16_t* name, uint32_t* size) {
    // Only a plain file is read: never a pipe, whose server could act as us.
    if (IsForeignPath(name)) return nullptr;
    char* bytes = nullptr;
    return ReadWholeFile(name, kListFileZeroBytes, &bytes, size) == 0 ? bytes : nullptr;
}

// /access: asks the system once per group with one client context.
void* OpenAccess(const uint8_t* account) {
    EffectiveAccessCheck* check = static_cast<EffectiveAccessCheck*>(HeapAllocBytes(sizeof(EffectiveAccessCheck)));
    if (check && OpenEffectiveAccessCheck(check, account)) return check;
    if (check) CloseEffectiveAccessCheck(check);
    HeapFreeBytes(check);
    return nullptr;
}

bool CheckAccess(void* check, const PathSecurity* security, EffectiveAccess* out) {
    return CheckSecurityAccess(static_cast<EffectiveAccessCheck*>(check), security, out);
}

void CloseAccess(void* check) {
    CloseEffectiveAccessCheck(static_cast<EffectiveAccessCheck*>(check));
    HeapFreeBytes(check);
}

}  // namespace

int wmain() {
    // Libraries loaded from now on come from System32 only.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    UseProcessHeap();
    UseSystemThreads();
    InstallSecurityPlatform();
    LoadLanguageFile();
    ReportPlatform platform = {nullptr, NameAttributes, ReadListFile, SystemCodePages(),
                               ReportTarget{GetStdHandle(STD_OUTPUT_HANDLE), WriteOutput}, WriteError,
                               OutputFailure, WindowsFolderListing(), AccountSidOfName, OpenAccess, CheckAccess,
                               CloseAccess};
    return RunReport(U(GetCommandLineW()), &platform);
}
