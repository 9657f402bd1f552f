#include "input/path_input.h"

#include "base/heap.h"
#include "input/list_file.h"
#include "input/tokenizer.h"

namespace {

void AddListedPath(void* context, const char16_t* path) {
    const PathInputPlatform* platform = static_cast<const PathInputPlatform*>(context);
    platform->add(platform->context, path, platform->attributes(platform->context, path));
}

// True when the list file named by the token was read and its paths added.
bool AddPathsFromListFile(const char16_t* token, const PathInputPlatform* platform) {
    bool utf8 = false;
    const char16_t* name = ListFileNameOf(token, &utf8);
    char* bytes = platform->readListFile(platform->context, name);
    if (!bytes) return false;
    PathReceiver receiver = {AddListedPath, const_cast<PathInputPlatform*>(platform)};
    bool read = AddPathsFromListBytes(bytes, utf8, platform->codePages, &receiver);
    HeapFreeBytes(bytes);
    return read;
}

}  // namespace

void AddPathsFromCommandLine(const char16_t* commandLine, const PathInputPlatform* platform) {
    static char16_t token[kTokenBufferUnits];   // 24 KiB: kept off the stack, which a list file's tokens use
    const char16_t* cursor = commandLine;
    NextToken(&cursor, token);   // the program's own path
    for (;;) {
        char16_t first = NextToken(&cursor, token);
        if (!first) break;
        uint32_t attributes = platform->attributes(platform->context, token);
        if (first == u'@' && attributes == kNoFileAttributes && AddPathsFromListFile(token, platform)) continue;
        platform->add(platform->context, token, attributes);
    }
}
