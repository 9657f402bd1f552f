// Placeholder until path list files land.
#include "input/list_file_win32.h"

int AddPathsFromListFile(HWND, const char16_t*) { return 0; }
