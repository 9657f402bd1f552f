#pragma once
#include <windows.h>

// Hands the core the Windows security, account and path services.
void InstallSecurityPlatform();
// Enables or disables one privilege of the process token by name.
bool SetPrivilege(const wchar_t* name, bool enable);
// GetFileAttributesW for a name the program may open; all ones, without
// touching the name, for wildcards and device, pipe or other non-disk names.
DWORD PathAttributes(const char16_t* path);
