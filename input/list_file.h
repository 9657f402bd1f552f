// Path list files: which file and encoding a token names, and the rules that
// turn the file's bytes into paths.
#pragma once
#include <stdint.h>

#include "config/file_text.h"

const uint32_t kListFileZeroBytes = 8;   // appended behind the file's bytes

// "@8@name" names a UTF-8 file, "@name" one in the ANSI code page. Returns
// the file name inside the token.
const char16_t* ListFileNameOf(const char16_t* token, bool* utf8);

// The zero-terminated bytes as text on the heap (UTF-8 when utf8 or when they
// begin with the UTF-8 byte-order mark, else the ANSI code page; a leading
// U+FEFF kept); null when they could not be converted or allocated.
char16_t* DecodeListBytes(const char* bytes, bool utf8, const CodePageConverter* converter);

struct PathReceiver {
    void (*add)(void* context, const char16_t* path);
    void* context;
};

// Converts the zero-terminated bytes (UTF-8 when utf8 or when they begin with
// the UTF-8 byte-order mark, else the ANSI code page), skips a leading U+FEFF
// and hands every token to the receiver in order. False when the text could
// not be converted or its buffer not allocated.
bool AddPathsFromListBytes(const char* bytes, bool utf8, const CodePageConverter* converter,
                           const PathReceiver* receiver);
