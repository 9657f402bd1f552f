// Placeholder until the command runner lands.
#include "exec/runner_win32.h"

bool RunCommand(HWND, char16_t*) { return false; }
void ShowWarning(const char16_t*, int) {}
WarningPresenter SetWarningPresenter(WarningPresenter) { return nullptr; }
DWORD StartChildProcess(ChildHandles*, char16_t*) { return ERROR_CALL_NOT_IMPLEMENTED; }
void CloseChildHandles(ChildHandles*) {}
