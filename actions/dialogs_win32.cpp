// Placeholder until the two input dialogs land.
#include "actions/dialogs_win32.h"

INT_PTR SpecialPermissionsDialog(HWND, uint32_t*) { return -1; }
INT_PTR AccountNameDialog(HWND, char16_t*) { return -1; }
