// Which names the program may open and hand to icacls or takeown: plain
// file-system paths only. Wildcards would be expanded by those commands, and
// the device and object namespaces hold pipes and devices whose servers could
// act as the elevated user. A name that ends in a dot or a blank would be
// read and changed as its neighbour without them.
#pragma once
#include <stdint.h>

enum PathNameKind {
    kPlainPathName,     // full form made and safe to open
    kForeignPathName,   // the name or its full form is no plain file-system path
    kUnformedPathName,  // the full form could not be made (too long, or failed)
};

// True when the name holds no wildcard, does not lie in the device
// namespace, a pipe or mailslot share, or a DOS device name, and has no name
// that ends in a dot or a blank (but "." and "..").
bool IsPlainPathName(const char16_t* path);

// Forms the full path (kFullPathUnits units) and judges both the name as given
// and its full form, which may turn "CON" into a device path.
PathNameKind FormFullPath(const char16_t* path, char16_t* fullPath);
// FormFullPath said kForeignPathName: the program must not open the name.
bool IsForeignPath(const char16_t* path);
