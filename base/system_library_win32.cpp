#include "base/system_library_win32.h"

bool LoadSystemFunctions(const wchar_t* dll, const char* const* names, uint32_t count, void** procs) {
    HMODULE module = LoadLibraryExW(dll, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (!module) return false;
    bool all = true;
    for (uint32_t i = 0; i < count; i++) {
        procs[i] = reinterpret_cast<void*>(GetProcAddress(module, names[i]));
        all = all && procs[i] != nullptr;
    }
    return all;
}
