// How named paths enter: the platform that tells a name's attributes and
// reads list files for the path sources (input/path_source.h).
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"
#include "config/file_text.h"
#include "input/folder_walk.h"


// What a walk below folders could not give out.
enum WalkGap {
    kGapUnlisted,      // a folder whose listing could not start
    kGapTooLong,       // a path longer than the limit, skipped
    kGapOutOfMemory,   // the walk ended here for lack of memory
};

struct PathInputPlatform {
    void* context;
    // The name's file attributes; kNoFileAttributes when there is no such file.
    uint32_t (*attributes)(void* context, const char16_t* name);
    // The list file's bytes on the heap, *size of them, followed by
    // kListFileZeroBytes zero bytes (the caller frees them with
    // HeapFreeBytes); null when it cannot be read.
    char* (*readListFile)(void* context, const char16_t* name, uint32_t* size);
    const CodePageConverter* codePages;
    // For the walk below folders: the listings, and where its reports go
    // (folders that can't be listed, paths too long).
    const FolderListing* folders;
    void (*log)(void* context, const char16_t* line);
    // Each gap of a walk, also named in the log; may be null.
    void (*gap)(void* context, const char16_t* path, WalkGap gap);
};
