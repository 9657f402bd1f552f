// Path list files: which file and encoding a token names, and the rules that
// turn the file's bytes into paths.
#pragma once
#include <stdint.h>

#include "config/file_text.h"

const uint32_t kListFileZeroBytes = 8;   // appended behind the file's bytes

// "@8@name" names a UTF-8 file, "@name" one in the ANSI code page. Returns
// the file name inside the token.
const char16_t* ListFileNameOf(const char16_t* token, bool* utf8);

// A list file's size bytes (kListFileZeroBytes zero bytes behind them) as
// text on the heap: UTF-16 little-endian when they begin with its byte-order
// mark (what Windows PowerShell writes), else UTF-8 when utf8 or when they
// begin with the UTF-8 mark, else the ANSI code page; a leading U+FEFF kept.
// The text ends at the first zero unit; *cut tells whether the file held
// one. Null when the bytes could not be converted or allocated.
char16_t* DecodeListBytes(const char* bytes, uint32_t size, bool utf8, const CodePageConverter* converter,
                          bool* cut);

struct PathReceiver {
    void (*add)(void* context, const char16_t* path);
    void* context;
};

// Decodes a list file's bytes as DecodeListBytes does, skips a leading U+FEFF
// and hands every token to the receiver in order. False when the text could
// not be converted or its buffer not allocated.
bool AddPathsFromListBytes(const char* bytes, uint32_t size, bool utf8, const CodePageConverter* converter,
                           const PathReceiver* receiver);
