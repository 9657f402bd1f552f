// Functions of a DLL that is no KnownDLL (netapi32, authz): imported or loaded
// by plain name, a copy planted beside the program would run with its rights,
// so it is loaded from System32 only, at run time.
#pragma once
#include <stdint.h>
#include <windows.h>

// procs[i] receives names[i] of dll; false when the DLL or any of them is
// missing. The DLL stays loaded, so callers may keep what they received.
bool LoadSystemFunctions(const wchar_t* dll, const char* const* names, uint32_t count, void** procs);
