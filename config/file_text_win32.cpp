#include "config/file_text_win32.h"

#include "base/handles_win32.h"
#include "base/heap.h"
#include "base/platform_win32.h"

namespace {

uint32_t SystemToUtf16(void*, bool utf8, const char* bytes, char16_t* out, uint32_t capacity) {
    UINT codePage = utf8 ? CP_UTF8 : CP_ACP;
    DWORD flags = utf8 ? 0 : MB_PRECOMPOSED;
    if (capacity > INT_MAX) capacity = INT_MAX;
    int n = MultiByteToWideChar(codePage, flags, bytes, -1, capacity ? W(out) : nullptr, (int)capacity);
    return n > 0 ? (uint32_t)n : 0;
}

const CodePageConverter kSystemCodePages = {SystemToUtf16, nullptr};

}  // namespace

const CodePageConverter* SystemCodePages() { return &kSystemCodePages; }

DWORD ReadFileWithZeros(const char16_t* path, DWORD shareMode, DWORD flags, uint32_t extra,
                        char** buffer, bool* opened, uint32_t* size) {
    *buffer = nullptr;
    *opened = false;
    // Should the name still reach a pipe, its server may only identify us,
    // never act as us; and nothing but a disk file is read.
    KernelHandle file(CreateFileW(W(path), GENERIC_READ, shareMode, nullptr, OPEN_EXISTING,
                                  flags | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION, nullptr));
    if (file.handle == INVALID_HANDLE_VALUE) return GetLastError();
    *opened = true;
    if (GetFileType(file.handle) != FILE_TYPE_DISK) return ERROR_BAD_FILE_TYPE;

    LARGE_INTEGER fileBytes;
    uint32_t total = 0;
    if (!GetFileSizeEx(file.handle, &fileBytes)) {
        DWORD error = GetLastError();
        return error ? error : ERROR_READ_FAULT;
    }
    if (fileBytes.QuadPart < 0 || !WholeFileBufferSize((uint64_t)fileBytes.QuadPart, extra, &total))
        return ERROR_FILE_TOO_LARGE;
    char* bytes = static_cast<char*>(HeapAllocBytes(total ? total : 1));
    if (!bytes) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD fileSize = (DWORD)fileBytes.QuadPart;
    DWORD read = 0;
    BOOL ok = ReadFile(file.handle, bytes, fileSize, &read, nullptr);
    DWORD error = ok ? 0 : GetLastError();
    if (!ok) {
        HeapFreeBytes(bytes);
        return error ? error : ERROR_READ_FAULT;
    }
    // The file may have shrunk since its size was taken; zero from what was read.
    if (read > fileSize) read = fileSize;
    for (uint32_t i = read; i < total; i++) bytes[i] = 0;
    *buffer = bytes;
    if (size) *size = read;
    return 0;
}
