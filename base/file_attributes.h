// What the program knows of a file's attributes (the FILE_ATTRIBUTE_ bits it
// reads) and the longest full path it takes.
#pragma once
#include <stdint.h>

// INVALID_FILE_ATTRIBUTES: no such file, or its attributes could not be read.
const uint32_t kNoFileAttributes = 0xFFFFFFFF;
// The attributes argument of AddPath that asks for the attributes to be read
// in the same open as the security; no file has these attributes (reserved
// bits are set).
const uint32_t kAttributesInOpen = 0xFFFFFFFE;

// FILE_ATTRIBUTE_DIRECTORY: only folders' ACEs get scope bits.
const uint32_t kFolderAttribute = 0x10;
inline bool IsFolder(uint32_t attributes) { return (attributes & kFolderAttribute) != 0; }
// FILE_ATTRIBUTE_REPARSE_POINT: a junction, a symbolic link or a mount point.
const uint32_t kReparsePointAttribute = 0x400;
inline bool IsReparsePoint(uint32_t attributes) { return (attributes & kReparsePointAttribute) != 0; }

// The longest full path AddPath takes, its terminator included; the walk
// below folders skips longer ones rather than cut them.
const uint32_t kFullPathUnits = 260;
