// Placeholder until security inspection lands.
#include "security/security_win32.h"

void InstallSecurityPlatform() {}
bool SetPrivilege(const wchar_t*, bool) { return false; }
