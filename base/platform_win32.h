// Process-wide handles of the Win32 shell and the cast between the core's
// char16_t text and the platform's wchar_t.
#pragma once
#include <windows.h>

static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t expected");

inline wchar_t* W(char16_t* s) { return reinterpret_cast<wchar_t*>(s); }
inline const wchar_t* W(const char16_t* s) { return reinterpret_cast<const wchar_t*>(s); }
inline char16_t* U(wchar_t* s) { return reinterpret_cast<char16_t*>(s); }
inline const char16_t* U(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

// Stored by WinMain before anything else runs.
extern HINSTANCE g_instance;

// Routes the core's heap to the process heap.
void UseProcessHeap();
// Gives the core system threads (base/threads.h).
void UseSystemThreads();
// The DPI of the screen as the system gives its metrics (96 when unknown).
UINT SystemDpi();
