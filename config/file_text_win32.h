// Reading a file whole and the system's code-page conversion.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "config/file_text.h"

// Opens the file (GENERIC_READ, OPEN_EXISTING with the given sharing and
// flags, identification-only impersonation), reads it only when it is a disk
// file with one ReadFile into a new heap block of its size plus
// `extra` bytes and zeroes the bytes behind those read. 0 on success (the
// caller frees *buffer; *size, unless null, gets the bytes read), else the
// error code with no block left allocated; *opened tells whether the failure
// came after the file was opened. A file whose size plus extra does not fit
// in 32 bits is refused.
DWORD ReadFileWithZeros(const char16_t* path, DWORD shareMode, DWORD flags, uint32_t extra,
                        char** buffer, bool* opened, uint32_t* size);

// MultiByteToWideChar: CP_UTF8 without flags, CP_ACP with MB_PRECOMPOSED.
const CodePageConverter* SystemCodePages();
