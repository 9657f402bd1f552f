#include "actions/action_platform_win32.h"

#include <lm.h>
#include <ntsecapi.h>   // RtlGenRandom

#include "actions/dialogs_win32.h"
#include "base/format.h"
#include "base/handles_win32.h"
#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/system_library_win32.h"
#include "exec/log_pane_win32.h"
#include "exec/runner_win32.h"
#include "input/folder_walk_win32.h"
#include "report/clipboard_win32.h"
#include "security/access_check_win32.h"
#include "security/security_win32.h"

namespace {

const wchar_t kTcpipParameters[] = L"SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters";

HWND MainOf(void* owner) { return static_cast<ShellWindows*>(owner)->main; }

uint32_t FileAttributes(const char16_t* path) { return GetFileAttributesW(W(path)); }

bool Run(void* owner, char16_t* commandLine) { return RunCommand(MainOf(owner), commandLine); }

void Log(void* owner, const char16_t* text) { AppendLogLine(MainOf(owner), text); }

int SpecialPermissions(void* owner, uint32_t* value) { return (int)SpecialPermissionsDialog(MainOf(owner), value); }

int AccountName(void* owner, char16_t* text) { return (int)AccountNameDialog(MainOf(owner), text); }

int Find(void* owner, FindRequest* request) { return (int)FindDialog(MainOf(owner), request); }

typedef NET_API_STATUS(WINAPI* NetUserEnumFn)(LPCWSTR, DWORD, DWORD, LPBYTE*, DWORD, LPDWORD, LPDWORD, PDWORD);
typedef NET_API_STATUS(WINAPI* NetApiBufferFreeFn)(LPVOID);

// Loaded once, from System32 (base/system_library_win32.h tells why).
bool LoadNetApi(NetUserEnumFn* userEnum, NetApiBufferFreeFn* bufferFree) {
    static const char* const kNames[] = {"NetUserEnum", "NetApiBufferFree"};
    static void* s_procs[2];
    static bool s_loaded;
    if (!s_loaded && !LoadSystemFunctions(L"netapi32.dll", kNames, 2, s_procs)) return false;
    s_loaded = true;
    *userEnum = reinterpret_cast<NetUserEnumFn>(s_procs[0]);
    *bufferFree = reinterpret_cast<NetApiBufferFreeFn>(s_procs[1]);
    return true;
}

uint32_t EnumerateUsers(void* sink, bool (*onName)(void* sink, const char16_t* name)) {
    NetUserEnumFn NetUserEnum;
    NetApiBufferFreeFn NetApiBufferFree;
    if (!LoadNetApi(&NetUserEnum, &NetApiBufferFree)) return ERROR_MOD_NOT_FOUND;
    LPBYTE buffer = nullptr;
    DWORD read = 0, total = 0;
    NET_API_STATUS status = NetUserEnum(nullptr, 0, 0, &buffer, MAX_PREFERRED_LENGTH, &read, &total, nullptr);
    if (status != kUsersAccessDenied && status != kUsersInvalidComputer && status != kUsersMoreData && buffer) {
        const USER_INFO_0* users = reinterpret_cast<const USER_INFO_0*>(buffer);
        for (DWORD i = 0; i < read; i++)
            if (users[i].usri0_name && !onName(sink, U(users[i].usri0_name))) break;
    }
    if (buffer) NetApiBufferFree(buffer);
    return status;
}

bool ReadDomainName(char16_t* out, uint32_t capacity) {
    return ReadRegistryString(HKEY_LOCAL_MACHINE, kTcpipParameters, L"Domain", W(out), capacity * sizeof(wchar_t));
}

bool Privilege(const char16_t* name, bool enable) { return SetPrivilege(W(name), enable); }

uint16_t UiLanguage() { return GetUserDefaultUILanguage(); }

bool CopyText(void* owner, const char16_t* text) {
    return PutTextOnClipboard(static_cast<ShellWindows*>(owner)->main, text);
}

// Posted, so the reading starts once the menu's activity has ended.
void ScanBelow(void* owner, const char16_t* folders, uint32_t units) {
    void* block = HeapCopyBytes(folders, (size_t)units * sizeof(char16_t));
    if (block && !PostMessageW(MainOf(owner), kScanBelowMessage, 0, reinterpret_cast<LPARAM>(block)))
        HeapFreeBytes(block);
}

// A name in the user's own temporary folder that no one can foresee, from
// 128 bits of the system's random generator; false when there is none.
bool UnforeseenTempName(char16_t* path) {
    wchar_t folder[MAX_PATH + 1];
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    uint32_t random[4];
    if (length == 0 || length > MAX_PATH || !RtlGenRandom(random, sizeof random)) return false;
    const uint32_t units = FormatText(path, kTempPathUnits, u"%sovrix-%x%x%x%x.acl", U(folder), random[0], random[1],
                                      random[2], random[3]);
    return units < kTempPathUnits - 1;
}

// Created new, so a file someone planted under the name is never written to
// or handed on, and shared with no one while it is written.
bool WriteTempFile(const uint8_t* bytes, uint32_t size, char16_t* path) {
    for (int attempt = 0; attempt < 3; attempt++) {
        if (!UnforeseenTempName(path)) return false;
        KernelHandle file(
            CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (file.handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return false;
        }
        DWORD written = 0;
        if (WriteFile(file.handle, bytes, size, &written, nullptr) && written == size) return true;
        CloseHandle(file.Release());
        DeleteFileW(W(path));
        return false;
    }
    return false;
}

bool DeleteTempFile(const char16_t* path) { return DeleteFileW(W(path)) != 0; }

}  // namespace

bool ReadRegistryString(HKEY root, const wchar_t* subkey, const wchar_t* valueName, wchar_t* buffer, DWORD bufferBytes) {
    const DWORD units = bufferBytes / sizeof(wchar_t);
    if (units == 0) return false;
    RegistryKey key;
    if (RegOpenKeyExW(root, subkey, 0, KEY_READ, &key.handle) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD size = units * sizeof(wchar_t);
    if (RegQueryValueExW(key.handle, valueName, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    // The stored value need not end in a terminator.
    DWORD end = size / sizeof(wchar_t);
    buffer[end < units ? end : units - 1] = 0;
    if (type == REG_EXPAND_SZ) {
        wchar_t* expanded = static_cast<wchar_t*>(HeapAllocBytes(units * sizeof(wchar_t)));
        if (expanded) {
            DWORD needed = ExpandEnvironmentStringsW(buffer, expanded, units);
            if (needed > 0 && needed <= units) lstrcpynW(buffer, expanded, units);
            HeapFreeBytes(expanded);
        }
    }
    return true;
}

ActionPlatform WindowsActionPlatform(ShellWindows* windows, MenuTracker trackMenu) {
    const FolderListing* folders = WindowsFolderListing();
    return ActionPlatform{windows,        FileAttributes, Run,           Log,           SpecialPermissions,
                          AccountName,    folders->open,  folders->next, folders->close, folders->identity,
                          EnumerateUsers, ReadDomainName, Privilege,     UiLanguage,    trackMenu,
                          CopyText,       ScanBelow,      WriteTempFile, DeleteTempFile, Find,
                          AccountSidOfName, AccountSecurityAccess};
}
