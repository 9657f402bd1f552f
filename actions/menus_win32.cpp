// Placeholder until the context menus land.
#include "actions/menus_win32.h"

void ShowNodeMenu(HWND, HWND) {}
