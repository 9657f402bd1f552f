#include "exec/system_program.h"

#include "base/text.h"

namespace {

bool IsPathMark(char16_t c) { return c == u'\\' || c == u'/' || c == u':'; }

// Finds the program word: start and length, quotes excluded.
const char16_t* FirstWord(const char16_t* commandLine, uint32_t* length) {
    const char16_t* p = commandLine;
    while (IsBlank(*p)) p++;
    const char16_t* start = p;
    if (*p == u'"') {
        start = ++p;
        while (*p && *p != u'"') p++;
    } else {
        while (*p && !IsBlank(*p)) p++;
    }
    *length = (uint32_t)(p - start);
    return start;
}

}  // namespace

ProgramResolution ResolveSystemProgram(const char16_t* commandLine, const char16_t* systemFolder,
                                       char16_t* out, uint32_t capacity) {
    uint32_t length = 0;
    const char16_t* name = FirstWord(commandLine, &length);
    if (length == 0) return kProgramNamedByPath;
    bool hasExtension = false;
    for (uint32_t i = 0; i < length; i++) {
        if (IsPathMark(name[i])) return kProgramNamedByPath;
        if (name[i] == u'.') hasExtension = true;
    }
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    TextAppend(&w, systemFolder);
    if (w.length == 0 || out[w.length - 1] != u'\\') TextAppendChar(&w, u'\\');
    TextAppendN(&w, name, length);
    if (!hasExtension) TextAppend(&w, u".exe");
    if (w.cut) return kProgramPathTooLong;
    return kProgramInSystemFolder;
}
