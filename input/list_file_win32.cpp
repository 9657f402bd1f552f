#include "input/list_file_win32.h"

#include "config/file_text_win32.h"

DWORD ReadWholeFile(const char16_t* name, uint32_t extra, char** buffer, uint32_t* size) {
    bool opened = false;
    return ReadFileWithZeros(name, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_FLAG_SEQUENTIAL_SCAN, extra, buffer,
                             &opened, size);
}
