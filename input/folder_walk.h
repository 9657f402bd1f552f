// A depth-first walk below a folder: a folder is given out before its
// entries, entries in the order the file system lists them. Links (reparse
// points) are given out but never entered, and folders are remembered by
// volume and file index, so no loop can hold the walk.
#pragma once
#include <stdint.h>

// One entry of a folder listing.
struct FolderEntry {
    char16_t name[260];
    uint32_t attributes;
};

// Identifies a folder independently of the path it was reached by, so that
// a junction or link that leads back is recognised.
struct FolderIdentity {
    uint32_t volumeSerial;
    uint64_t fileIndex;
};

const uint32_t kLongestPathUnits = 32768;   // the longest path the system accepts

// The file system's folder listings (FindFirstFileW and its kin on Windows).
struct FolderListing {
    // Listing of "pattern" ("<path>\*"): a handle and the first entry, or
    // null when the listing can't start.
    void* (*open)(const char16_t* pattern, FolderEntry* first);
    bool (*next)(void* listing, FolderEntry* next);
    void (*close)(void* listing);
    bool (*identity)(const char16_t* path, FolderIdentity* out);
};

struct WalkLevel;
struct WalkedFolders {
    FolderIdentity* slots;
    bool* used;
    uint32_t capacity;   // a power of two
    uint32_t count;
};

enum WalkEvent {
    kWalkEntry,      // path and attributes hold the next entry
    kWalkUnlisted,   // path holds a folder whose listing can't start; the walk goes on
    kWalkTooLong,    // path holds an entry's path longer than the limit, skipped
    kWalkEnd,        // nothing left below the folders walked so far
    kWalkFailed,     // memory ran out; the walk has ended
};

struct FolderWalk {
    FolderListing listing;
    uint32_t pathLimit;     // units a walked path may take, its terminator included
    char16_t* path;         // room for a path within the limit plus one entry name
    uint32_t attributes;    // of the entry at path
    uint32_t enterLength;   // a folder given out, listed at the next step; 0 when none
    WalkLevel* levels;
    uint32_t depth;
    uint32_t levelCapacity;
    WalkedFolders walked;   // kept over every folder walked below
};

// An entry of a listing the walk enters: a folder that is no link and whose
// name the system does not alter ("." and ".." are never entered).
bool IsEnteredEntry(const char16_t* name, uint32_t attributes);

// False when memory runs out (nothing is then held).
bool InitFolderWalk(FolderWalk* walk, const FolderListing* listing, uint32_t pathLimit);
// Walks below the folder next (not giving out the folder itself); false, and
// nothing to walk, when its path is empty or over the limit.
bool WalkBelow(FolderWalk* walk, const char16_t* folder);
WalkEvent NextWalkEvent(FolderWalk* walk);
// Closes the listings still open and frees the walk.
void EndFolderWalk(FolderWalk* walk);
