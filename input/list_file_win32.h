#pragma once
#include <windows.h>
#include <stdint.h>

// Reads the path list file named by an "@name" or "@8@name" token and adds
// each of its paths. 1 when the file was read, 0 when it could not be.
int AddPathsFromListFile(HWND tree, const char16_t* token);
// Reads the file whole into a new process-heap block followed by `extra`
// zero bytes. 0 on success (the caller frees *buffer with HeapFreeBytes),
// else the error code with no block left allocated.
DWORD ReadWholeFile(const char16_t* name, uint32_t extra, char** buffer);
