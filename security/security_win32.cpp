#include "security/security_win32.h"

#include "base/handles_win32.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "security/path_names.h"
#include "security/security_platform.h"

namespace {

typedef BOOL(WINAPI* ConvertSidToStringSidFn)(PSID sid, LPWSTR* text);

// Found on first need; a failed look-up is tried again next time.
ConvertSidToStringSidFn g_convertSidToStringSid;

bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity, uint32_t* size) {
    DWORD needed = 0;
    if (!GetFileSecurityW(W(path), information, buffer, capacity, &needed)) return false;
    *size = (needed > 0 && needed <= capacity) ? needed : capacity;
    return true;
}

bool SetPrivilegeU(const char16_t* name, bool enable) { return SetPrivilege(W(name), enable); }

bool LookupAccount(const char16_t* system, const uint8_t* sid, char16_t* name, char16_t* domain) {
    DWORD nameUnits = kAccountUnits;
    DWORD domainUnits = kAccountUnits;
    SID_NAME_USE use;
    return LookupAccountSidW(system ? W(system) : nullptr, (PSID)sid, W(name), &nameUnits, W(domain), &domainUnits,
                             &use) != FALSE;
}

bool SidToString(const uint8_t* sid, char16_t* out, uint32_t capacity) {
    if (!g_convertSidToStringSid) {
        HMODULE advapi = GetModuleHandleW(L"ADVAPI32.DLL");
        if (advapi)
            g_convertSidToStringSid = reinterpret_cast<ConvertSidToStringSidFn>(
                reinterpret_cast<void*>(GetProcAddress(advapi, "ConvertSidToStringSidW")));
        if (!g_convertSidToStringSid) return false;
    }
    LPWSTR text = nullptr;
    if (!g_convertSidToStringSid((PSID)sid, &text) || !text) return false;
    CopyText(out, capacity, U(text));
    LocalFree(text);
    return true;
}

bool FullPath(const char16_t* path, char16_t* out) {
    DWORD units = GetFullPathNameW(W(path), kFullPathUnits, W(out), nullptr);
    return units != 0 && units < kFullPathUnits;
}

const SecurityPlatform kWin32Platform = {ReadDescriptor, SetPrivilegeU, LookupAccount, SidToString, FullPath};

}  // namespace

void InstallSecurityPlatform() { SetSecurityPlatform(&kWin32Platform); }

DWORD PathAttributes(const char16_t* path) {
    return IsForeignPath(path) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(W(path));
}

bool SetPrivilege(const wchar_t* name, bool enable) {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token.handle)) return false;
    TOKEN_PRIVILEGES privileges = {};
    if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    BOOL adjusted = AdjustTokenPrivileges(token.handle, FALSE, &privileges, 0, nullptr, nullptr);
    return adjusted != FALSE;
}
