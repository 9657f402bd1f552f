#pragma once
#include <windows.h>
#include <stdint.h>

// Reads the file whole into a new process-heap block, *size bytes, followed
// by `extra` zero bytes. 0 on success (the caller frees *buffer with
// HeapFreeBytes), else the error code with no block left allocated.
DWORD ReadWholeFile(const char16_t* name, uint32_t extra, char** buffer, uint32_t* size);
