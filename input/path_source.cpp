#include "input/path_source.h"

#include "base/heap.h"
#include "base/item_param.h"
#include "base/text.h"
#include "input/list_file.h"

namespace {

uint32_t CountTokens(const char16_t* text, char16_t* scratch) {
    uint32_t n = 0;
    while (NextToken(&text, scratch)) n++;
    return n;
}

// Opens the list file a token names; false when it cannot be read or
// decoded, and the token is then a path.
bool OpenListFile(CommandLinePaths* paths) {
    bool utf8 = false;
    const char16_t* name = ListFileNameOf(paths->token, &utf8);
    const PathInputPlatform* platform = paths->platform;
    char* bytes = platform->readListFile(platform->context, name);
    if (!bytes) return false;
    char16_t* text = DecodeListBytes(bytes, utf8, platform->codePages);
    HeapFreeBytes(bytes);
    if (!text) return false;
    paths->listText = text;
    paths->listCursor = text[0] == 0xFEFF ? text + 1 : text;
    // The token stood for one path; now its file's paths take its place.
    paths->known = paths->known - 1 + CountTokens(paths->listCursor, paths->token);
    return true;
}

void CloseListFile(CommandLinePaths* paths) {
    HeapFreeBytes(paths->listText);
    paths->listText = nullptr;
}

bool NextCommandLinePath(void* state, const char16_t** path, uint32_t* attributes) {
    CommandLinePaths* paths = static_cast<CommandLinePaths*>(state);
    const PathInputPlatform* platform = paths->platform;
    *path = paths->token;
    for (;;) {
        if (paths->listText) {
            if (NextToken(&paths->listCursor, paths->token)) {
                // A listed path is never a list file: the one open that reads
                // its security can read its attributes too.
                *attributes = kAttributesInOpen;
                return true;
            }
            CloseListFile(paths);
        }
        char16_t first = NextToken(&paths->cursor, paths->token);
        if (!first) return false;
        *attributes = platform->attributes(platform->context, paths->token);
        if (first == u'@' && *attributes == kNoFileAttributes && OpenListFile(paths)) continue;
        return true;
    }
}

uint32_t KnownCommandLinePaths(void* state) { return static_cast<CommandLinePaths*>(state)->known; }

void CloseCommandLinePaths(void* state) { CloseListFile(static_cast<CommandLinePaths*>(state)); }

bool NextListedName(void* state, const char16_t** path, uint32_t* attributes) {
    NameListPaths* paths = static_cast<NameListPaths*>(state);
    if (!paths->cursor || !*paths->cursor) return false;
    *path = paths->cursor;
    paths->cursor += TextLength(paths->cursor) + 1;
    *attributes = kAttributesInOpen;
    return true;
}

uint32_t KnownListedNames(void* state) { return static_cast<NameListPaths*>(state)->count; }

void CloseNameList(void* state) {
    NameListPaths* paths = static_cast<NameListPaths*>(state);
    HeapFreeBytes(paths->names);
    paths->names = nullptr;
    paths->cursor = nullptr;
}

}  // namespace

PathSource CommandLineSource(CommandLinePaths* paths, const char16_t* commandLine, const PathInputPlatform* platform) {
    paths->platform = platform;
    paths->cursor = commandLine;
    paths->listText = nullptr;
    paths->listCursor = nullptr;
    NextToken(&paths->cursor, paths->token);   // the program's own path
    paths->known = CountTokens(paths->cursor, paths->token);
    return PathSource{paths, NextCommandLinePath, KnownCommandLinePaths, CloseCommandLinePaths};
}

PathSource NameListSource(NameListPaths* paths, char16_t* names, const PathInputPlatform* platform) {
    paths->platform = platform;
    paths->names = names;
    paths->cursor = names;
    paths->count = 0;
    for (const char16_t* name = names; name && *name; name += TextLength(name) + 1) paths->count++;
    return PathSource{paths, NextListedName, KnownListedNames, CloseNameList};
}
