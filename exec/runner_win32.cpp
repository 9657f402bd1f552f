// Placeholder until the command runner lands.
#include "exec/runner_win32.h"

bool RunCommand(HWND, char16_t*) { return false; }
void ShowWarning(const char16_t*, int) {}
