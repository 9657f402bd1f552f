// Where paths come from, one at a time: the command line with the list files
// it names, or a list of names such as a drop's. A reader takes paths from a
// source in batches, so it can show progress and stop between them.
#pragma once
#include <stdint.h>

#include "input/path_input.h"
#include "input/tokenizer.h"

struct PathSource {
    void* state;
    // The next path (valid until the following call) and its attributes;
    // false when no path is left.
    bool (*next)(void* state, const char16_t** path, uint32_t* attributes);
    // Paths known so far. A list file counts as one path until it is opened,
    // then as the paths it holds, so the figure can grow while reading.
    uint32_t (*known)(void* state);
    // Frees what the source still holds; reading may stop before the end.
    void (*close)(void* state);
    // Null, or whether next answers at once (a path or the end), waiting at
    // most waitMs for that: a source read ahead by other threads.
    bool (*ready)(void* state, uint32_t waitMs);
};

// The walk below named folders that a source gives out after each of them.
struct BelowWalk {
    FolderWalk walk;
    bool ready;     // the walk holds its memory
    bool walking;   // below the folder given out last
};

// The command-line token that makes the walk apply to the folders after it,
// unless a file of that name exists.
bool IsBelowToken(const char16_t* token);

// Every path the command line names, in order. The first token, the
// program's own path, is dropped. An unquoted "@name" or "@8@name" token that
// is no existing file is read as a list file and its paths take the token's
// place; when that file cannot be read or decoded, the token is a path. After
// a "/below" token (or with below set), every folder named is followed by
// everything below it. Large (a token buffer): keep it off the stack. The
// command line and the platform must outlive the reading.
struct CommandLinePaths {
    const PathInputPlatform* platform;
    const char16_t* cursor;        // in the command line
    char16_t* listText;            // the open list file's text, or null
    const char16_t* listCursor;
    uint32_t known;
    bool below;
    BelowWalk belowWalk;
    char16_t token[kTokenBufferUnits];
};
PathSource CommandLineSource(CommandLinePaths* paths, const char16_t* commandLine, const PathInputPlatform* platform);

// A block of zero-terminated names ended by an empty one (the source frees
// it with HeapFreeBytes), each name's attributes from the platform.
struct NameListPaths {
    const PathInputPlatform* platform;
    char16_t* names;
    const char16_t* cursor;
    uint32_t count;
};
PathSource NameListSource(NameListPaths* paths, char16_t* names, const PathInputPlatform* platform);

// Everything below each folder of a block of zero-terminated names ended by
// an empty one (the source frees it with HeapFreeBytes); the folders
// themselves are not given out.
struct FolderListPaths {
    const PathInputPlatform* platform;
    char16_t* folders;
    const char16_t* cursor;
    uint32_t known;
    BelowWalk belowWalk;
};
PathSource FolderListSource(FolderListPaths* paths, char16_t* folders, const PathInputPlatform* platform);
