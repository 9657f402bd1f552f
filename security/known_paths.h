// The paths the tree holds, so that none is added twice: "Add everything
// below" on a folder already read, or a scan of its parent, would otherwise
// add every path again, and every command would then run twice on it.
#pragma once
#include <stdint.h>

struct KnownPathSlot;
struct KnownPaths {
    KnownPathSlot* slots;   // open addressing over keys, at most half full
    uint32_t slotCount;     // a power of two; 0 before the first path
    uint32_t count;
    char16_t* keys;         // each path's key, zero-terminated, back to back
    uint32_t keyUnits;      // in use
    uint32_t keyCapacity;
};

// Records the path under its key: the full path as the file system compares
// names (upper-cased by the system's table, never by a locale), or the name
// as given when the program does not open it. False when the key was
// recorded already, or memory ran out (nothing is recorded then).
bool RememberPath(KnownPaths* known, const char16_t* path);
// RememberPath for a name whose key form is chosen already: the full path of
// a name the program opens, else the name as given.
bool RememberPathName(KnownPaths* known, const char16_t* name);
// Forgets every path and frees what the record holds.
void ForgetPaths(KnownPaths* known);
