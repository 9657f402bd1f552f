// Owners that close one handle when they leave scope, so a function with
// several exits closes its handle in one place. Not copyable; Release hands
// the handle on without closing it.
#pragma once
#include <windows.h>

inline void CloseKernelHandle(HANDLE handle) { CloseHandle(handle); }
inline void CloseRegistryKey(HKEY key) { RegCloseKey(key); }
inline void CloseMenuHandle(HMENU menu) { DestroyMenu(menu); }

template <typename Handle, void (*Close)(Handle)>
struct HandleOwner {
    Handle handle;

    explicit HandleOwner(Handle owned = nullptr) : handle(owned) {}
    ~HandleOwner() {
        if (handle && static_cast<void*>(handle) != INVALID_HANDLE_VALUE) Close(handle);
    }
    HandleOwner(const HandleOwner&) = delete;
    HandleOwner& operator=(const HandleOwner&) = delete;

    Handle Release() {
        Handle owned = handle;
        handle = nullptr;
        return owned;
    }
};

typedef HandleOwner<HANDLE, CloseKernelHandle> KernelHandle;   // files, tokens, processes, threads
typedef HandleOwner<HKEY, CloseRegistryKey> RegistryKey;
typedef HandleOwner<HMENU, CloseMenuHandle> MenuHandle;
