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

const wchar_t kSecurityPrivilege[] = L"SeSecurityPrivilege";

// GetFileSecurityW opens the file for each part; one handle answers the
// attributes, owner and DACL queries alike. The SACL and label are still
// asked for by name: Wine answers them through a handle where it refuses
// them by name, and the two ways must agree. A reparse point is left to the
// separate queries, which may follow it where this open does not.
const DescriptorPart kThroughTheOpen[] = {kOwnerPart, kDaclPart};

bool ReadThroughOneOpen(const char16_t* path, bool withAttributes, PathSecurity* out) {
    KernelHandle file(CreateFileW(W(path), READ_CONTROL | FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) return false;
    // The basic information holds the attributes alone; the full record
    // would also ask the volume for its serial number, which costs Wine
    // several server round trips a path.
    FILE_BASIC_INFO information;
    if (!GetFileInformationByHandleEx(file.handle, FileBasicInfo, &information, sizeof information) ||
        (information.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return false;
    if (withAttributes) out->attributes = information.FileAttributes;
    for (const DescriptorPart part : kThroughTheOpen) {
        DWORD needed = 0;
        out->read[part] = GetKernelObjectSecurity(file.handle, kPartInformation[part], out->bytes[part],
                                                  kDescriptorBufferBytes, &needed) != FALSE;
        out->size[part] = (needed > 0 && needed <= kDescriptorBufferBytes) ? needed : kDescriptorBufferBytes;
    }
    return true;
}

bool ReadSecurity(const char16_t* path, bool withAttributes, PathSecurity* out) {
    if (!ReadThroughOneOpen(path, withAttributes, out)) return false;
    auto byName = [&](DescriptorPart part) {
        out->read[part] = ReadDescriptor(path, kPartInformation[part], out->bytes[part], kDescriptorBufferBytes,
                                         &out->size[part]);
    };
    out->auditing = SetPrivilege(kSecurityPrivilege, true);
    if (out->auditing) {
        byName(kSaclPart);
        SetPrivilege(kSecurityPrivilege, false);
    }
    byName(kLabelPart);
    SetPrivilege(kSecurityPrivilege, false);
    return true;
}

uint32_t Attributes(const char16_t* path) { return PathAttributes(path); }

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

// The system's own upper-casing (not the linguistic one): how NTFS and
// CompareStringOrdinal compare names.
void UpperCase(const char16_t* text, uint32_t units, char16_t* out) {
    const int n = units <= INT_MAX ? (int)units : 0;
    if (n && LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, W(text), n, W(out), n, nullptr, nullptr, 0) == n)
        return;
    memcpy(out, text, (size_t)units * sizeof(char16_t));
}

bool ReaderThread(bool starting);

const SecurityPlatform kWin32Platform = {ReadDescriptor, ReadSecurity, Attributes, SetPrivilegeU, LookupAccount,
                                         SidToString,    FullPath,     UpperCase,  ReaderThread};

}  // namespace

void InstallSecurityPlatform() { SetSecurityPlatform(&kWin32Platform); }

DWORD PathAttributes(const char16_t* path) {
    return IsForeignPath(path) ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(W(path));
}

namespace {

// The token this thread's privilege switches go to, and what each privilege
// asked for was last set to: a call that would not change it is skipped, so
// the state at every query is what the calls say. The window's thread uses
// the process token, opened once. Each reader thread (security/read_ahead.h)
// impersonates a copy of it: the SACL's switch on and off around every query
// then races with no other reader's, and each copy starts with the process's
// privilege state, so every query runs with the state one reading at a time
// gives it. (One lock around the switch and the query would do the same but
// put one round trip per path back in line.)
struct PrivilegeState {
    wchar_t name[64];
    LUID luid;
    bool enabled;   // the last adjustment that went through
    bool held;      // it was assigned (not ERROR_NOT_ALL_ASSIGNED)
};
const uint32_t kPrivilegeStates = 8;
thread_local PrivilegeState g_privileges[kPrivilegeStates];
thread_local uint32_t g_privilegeCount = 0;
thread_local HANDLE g_token = nullptr;

PrivilegeState* KnownPrivilege(const wchar_t* name) {
    for (uint32_t i = 0; i < g_privilegeCount; i++)
        if (lstrcmpW(g_privileges[i].name, name) == 0) return &g_privileges[i];
    return nullptr;
}

bool ReaderThread(bool starting) {
    g_privilegeCount = 0;
    if (g_token) CloseHandle(g_token);
    g_token = nullptr;
    if (!starting) return RevertToSelf() != FALSE;
    if (!ImpersonateSelf(SecurityImpersonation)) return false;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, TRUE, &g_token)) return true;
    g_token = nullptr;
    RevertToSelf();
    return false;
}

}  // namespace

bool SetPrivilege(const wchar_t* name, bool enable) {
    PrivilegeState* state = KnownPrivilege(name);
    // Adjusting a privilege the token does not hold changes nothing either.
    if (state && (state->enabled == enable || !state->held)) {
        state->enabled = enable;
        return true;
    }
    if (!g_token && !OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &g_token)) {
        g_token = nullptr;
        return false;
    }
    TOKEN_PRIVILEGES privileges = {};
    if (state) privileges.Privileges[0].Luid = state->luid;
    else if (!LookupPrivilegeValueW(nullptr, name, &privileges.Privileges[0].Luid)) return false;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    if (!AdjustTokenPrivileges(g_token, FALSE, &privileges, 0, nullptr, nullptr)) return false;
    const bool held = GetLastError() != ERROR_NOT_ALL_ASSIGNED;
    // A name too long to keep, or more names than places, is adjusted every time.
    if (!state && g_privilegeCount < kPrivilegeStates && lstrlenW(name) < 64) {
        state = &g_privileges[g_privilegeCount++];
        lstrcpynW(state->name, name, 64);
        state->luid = privileges.Privileges[0].Luid;
    }
    if (state) {
        state->enabled = enable;
        state->held = held;
    }
    return true;
}
