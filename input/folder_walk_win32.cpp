#include "input/folder_walk_win32.h"

#include <windows.h>

#include "base/handles_win32.h"
#include "base/platform_win32.h"

namespace {

void CopyEntry(const WIN32_FIND_DATAW& found, FolderEntry* entry) {
    lstrcpynW(W(entry->name), found.cFileName, 260);
    entry->attributes = found.dwFileAttributes;
}

void* OpenFolder(const char16_t* pattern, FolderEntry* first) {
    WIN32_FIND_DATAW found;
    // The short names are never used; leaving them out saves work per entry.
    HANDLE listing = FindFirstFileExW(W(pattern), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0);
    if (listing == INVALID_HANDLE_VALUE) return nullptr;
    CopyEntry(found, first);
    return listing;
}

bool NextFolderEntry(void* listing, FolderEntry* next) {
    WIN32_FIND_DATAW found;
    if (!FindNextFileW(static_cast<HANDLE>(listing), &found)) return false;
    CopyEntry(found, next);
    return true;
}

void CloseFolder(void* listing) { FindClose(static_cast<HANDLE>(listing)); }

bool Identity(const char16_t* path, FolderIdentity* out) {
    // Opened through any junction or link, so a folder reached twice reads
    // the same volume and index.
    KernelHandle folder(CreateFileW(W(path), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (folder.handle == INVALID_HANDLE_VALUE) return false;
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(folder.handle, &info)) return false;
    out->volumeSerial = info.dwVolumeSerialNumber;
    out->fileIndex = (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    return true;
}

const FolderListing kListing = {OpenFolder, NextFolderEntry, CloseFolder, Identity};

}  // namespace

const FolderListing* WindowsFolderListing() { return &kListing; }
