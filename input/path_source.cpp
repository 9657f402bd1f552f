#include "input/path_source.h"

#include "base/file_attributes.h"
#include "base/format.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/config_text.h"
#include "input/list_file.h"

namespace {

void LogPathLine(const PathInputPlatform* platform, const char16_t* pattern, const char16_t* path) {
    if (!platform->log) return;
    // The path whole, also one too long to be read.
    const uint32_t units = kLongestPathUnits + kTranslationUnits;
    char16_t* line = static_cast<char16_t*>(HeapAllocBytes((size_t)units * sizeof(char16_t)));
    if (!line) return;
    FormatText(line, units, pattern, path);
    platform->log(platform->context, line);
    HeapFreeBytes(line);
}

// A path the walk could not give out: named in the log and handed on.
void ReportGap(const PathInputPlatform* platform, WalkGap gap, const char16_t* pattern, const char16_t* path) {
    LogPathLine(platform, pattern, path);
    if (platform->gap) platform->gap(platform->context, path, gap);
}

void ReportOutOfMemory(const PathInputPlatform* platform, const char16_t* path) {
    ReportGap(platform, kGapOutOfMemory, Translate(u"walk cut short, out of memory: %s"), path);
}

// The walk below the folder just given out; none when it can't start.
void StartBelow(BelowWalk* below, const PathInputPlatform* platform, const char16_t* folder) {
    below->walking = false;
    if (!platform->folders) return;
    // Within the path limit of AddPath: a longer path is skipped, never cut.
    if (!below->ready && !InitFolderWalk(&below->walk, platform->folders, kFullPathUnits)) {
        ReportOutOfMemory(platform, folder);
        return;
    }
    below->ready = true;
    below->walking = WalkBelow(&below->walk, folder);
}

bool NextBelowPath(BelowWalk* below, const PathInputPlatform* platform, const char16_t** path,
                   uint32_t* attributes) {
    while (below->walking) {
        switch (NextWalkEvent(&below->walk)) {
        case kWalkEntry:
            *path = below->walk.path;
            *attributes = below->walk.attributes;
            return true;
        case kWalkUnlisted:
            ReportGap(platform, kGapUnlisted, Translate(u"cannot list: %s"), below->walk.path);
            break;
        case kWalkTooLong:
            ReportGap(platform, kGapTooLong, Translate(u"path too long, skipped: %s"), below->walk.path);
            break;
        case kWalkFailed:
            ReportOutOfMemory(platform, below->walk.path);
            below->walking = false;
            break;
        case kWalkEnd: below->walking = false; break;
        }
    }
    return false;
}

void CloseBelow(BelowWalk* below) {
    if (below->ready) EndFolderWalk(&below->walk);
    below->ready = below->walking = false;
}

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
    uint32_t size = 0;
    char* bytes = platform->readListFile(platform->context, name, &size);
    if (!bytes) return false;
    bool cut = false;
    char16_t* text = DecodeListBytes(bytes, size, utf8, platform->codePages, &cut);
    HeapFreeBytes(bytes);
    if (!text) return false;
    // Whatever follows a zero byte is not read; the user learns of it.
    if (cut) LogPathLine(platform, Translate(u"list file cut at a zero byte: %s"), name);
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

// The token is given out; a folder's walk follows it when asked for.
bool GiveOutToken(CommandLinePaths* paths, uint32_t attributes) {
    if (paths->below && attributes != kNoFileAttributes && IsFolder(attributes))
        StartBelow(&paths->belowWalk, paths->platform, paths->token);
    return true;
}

bool NextCommandLinePath(void* state, const char16_t** path, uint32_t* attributes) {
    CommandLinePaths* paths = static_cast<CommandLinePaths*>(state);
    const PathInputPlatform* platform = paths->platform;
    if (NextBelowPath(&paths->belowWalk, platform, path, attributes)) {
        paths->known++;
        return true;
    }
    *path = paths->token;
    for (;;) {
        if (paths->listText) {
            if (NextToken(&paths->listCursor, paths->token)) {
                // A listed path is never a list file: the one open that reads
                // its security can read its attributes too, unless the walk
                // must know a folder first.
                *attributes = paths->below ? platform->attributes(platform->context, paths->token) : kAttributesInOpen;
                return GiveOutToken(paths, *attributes);
            }
            CloseListFile(paths);
        }
        char16_t first = NextToken(&paths->cursor, paths->token);
        if (!first) return false;
        *attributes = platform->attributes(platform->context, paths->token);
        if (*attributes == kNoFileAttributes) {
            if (first == u'@' && OpenListFile(paths)) continue;
            if (IsBelowToken(paths->token)) {
                paths->below = true;
                paths->known--;
                continue;
            }
        }
        return GiveOutToken(paths, *attributes);
    }
}

uint32_t KnownCommandLinePaths(void* state) { return static_cast<CommandLinePaths*>(state)->known; }

void CloseCommandLinePaths(void* state) {
    CommandLinePaths* paths = static_cast<CommandLinePaths*>(state);
    CloseListFile(paths);
    CloseBelow(&paths->belowWalk);
}

bool NextFolderListPath(void* state, const char16_t** path, uint32_t* attributes) {
    FolderListPaths* paths = static_cast<FolderListPaths*>(state);
    for (;;) {
        if (NextBelowPath(&paths->belowWalk, paths->platform, path, attributes)) {
            paths->known++;
            return true;
        }
        if (!paths->cursor || !*paths->cursor) return false;
        StartBelow(&paths->belowWalk, paths->platform, paths->cursor);
        paths->cursor += TextLength(paths->cursor) + 1;
    }
}

uint32_t KnownFolderListPaths(void* state) { return static_cast<FolderListPaths*>(state)->known; }

void CloseFolderList(void* state) {
    FolderListPaths* paths = static_cast<FolderListPaths*>(state);
    CloseBelow(&paths->belowWalk);
    HeapFreeBytes(paths->folders);
    paths->folders = nullptr;
    paths->cursor = nullptr;
}

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

bool IsBelowToken(const char16_t* token) {
    const char16_t* word = u"/below";
    for (; *word; token++, word++) {
        const char16_t c = *token >= u'A' && *token <= u'Z' ? (char16_t)(*token + 32) : *token;
        if (c != *word) return false;
    }
    return *token == 0;
}

PathSource CommandLineSource(CommandLinePaths* paths, const char16_t* commandLine, const PathInputPlatform* platform) {
    paths->platform = platform;
    paths->cursor = commandLine;
    paths->listText = nullptr;
    paths->listCursor = nullptr;
    paths->below = false;
    paths->belowWalk = BelowWalk();
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

PathSource FolderListSource(FolderListPaths* paths, char16_t* folders, const PathInputPlatform* platform) {
    paths->platform = platform;
    paths->folders = folders;
    paths->cursor = folders;
    paths->known = 0;
    paths->belowWalk = BelowWalk();
    return PathSource{paths, NextFolderListPath, KnownFolderListPaths, CloseFolderList};
}
