#pragma once
#include <windows.h>

// Hands the core the Windows security, account and path services.
void InstallSecurityPlatform();
// Enables or disables one privilege of the process token by name.
// The token is opened and the privilege looked up once; a call that would not
// change the privilege's state is skipped and reports success, as the
// adjustment it stands for did.
bool SetPrivilege(const wchar_t* name, bool enable);
// GetFileAttributesW for a name the program may open; all ones, without
// touching the name, for wildcards and device, pipe or other non-disk names.
DWORD PathAttributes(const char16_t* path);
