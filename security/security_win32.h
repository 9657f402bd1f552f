#pragma once
#include <windows.h>

// Hands the core the Windows security, account and path services.
void InstallSecurityPlatform();
// Enables or disables one privilege of the process token by name.
bool SetPrivilege(const wchar_t* name, bool enable);
