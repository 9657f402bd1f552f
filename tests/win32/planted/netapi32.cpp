// A netapi32.dll planted beside a copy of the program: once loaded it leaves
// "<its own path>.loaded". It exports what the program uses, so that a static
// import of it would load as well.
#include <windows.h>

extern "C" __declspec(dllexport) DWORD WINAPI NetUserEnum(LPCWSTR, DWORD, DWORD, LPBYTE* buffer, DWORD,
                                                          LPDWORD read, LPDWORD total, PDWORD) {
    *buffer = nullptr;
    *read = *total = 0;
    return ERROR_ACCESS_DENIED;
}

extern "C" __declspec(dllexport) DWORD WINAPI NetApiBufferFree(LPVOID) { return 0; }

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH) return TRUE;
    wchar_t marker[MAX_PATH + 8];
    DWORD units = GetModuleFileNameW(self, marker, MAX_PATH);
    if (units == 0 || units >= MAX_PATH) return TRUE;
    lstrcpyW(marker + units, L".loaded");
    HANDLE file = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    return TRUE;
}
