// How named paths enter: the command line's tokens and the "@"/"@8@" list
// files they name. The platform reads files and takes the paths.
#pragma once
#include <stdint.h>

#include "config/file_text.h"

const uint32_t kNoFileAttributes = 0xFFFFFFFF;

struct PathInputPlatform {
    void* context;
    // The name's file attributes; kNoFileAttributes when there is no such file.
    uint32_t (*attributes)(void* context, const char16_t* name);
    // The list file's bytes on the heap followed by kListFileZeroBytes zero
    // bytes (the caller frees them with HeapFreeBytes); null when it cannot
    // be read.
    char* (*readListFile)(void* context, const char16_t* name);
    const CodePageConverter* codePages;
    // Takes one path and its attributes.
    void (*add)(void* context, const char16_t* path, uint32_t attributes);
};

// Hands every path the command line names to the platform in order. The
// first token, the program's own path, is dropped. An unquoted "@name" or
// "@8@name" token that is no existing file is read as a list file; when
// that file cannot be read or decoded, the token is taken as a path.
void AddPathsFromCommandLine(const char16_t* commandLine, const PathInputPlatform* platform);
