#pragma once
#include <windows.h>
#include <stdint.h>

// Reads the path list file named by an "@name" or "@8@name" token and adds
// each of its paths. 1 when the file was read, 0 when it could not be.
int AddPathsFromListFile(HWND tree, const char16_t* token);
