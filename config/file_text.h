// The bytes of a text file read whole, and how they become UTF-16 text.
// Conversion from a code page is a platform service; it comes in through
// CodePageConverter so the rules around it stay testable everywhere.
#pragma once
#include <stddef.h>
#include <stdint.h>

struct CodePageConverter {
    // Converts zero-terminated bytes (UTF-8, or the ANSI code page when utf8
    // is false) to UTF-16. With capacity 0 returns the units needed,
    // terminator included; otherwise converts into out and returns the units
    // written, terminator included. 0 on failure.
    uint32_t (*toUtf16)(void* context, bool utf8, const char* bytes, char16_t* out, uint32_t capacity);
    void* context;
};

// The buffer size for a file of `size` bytes followed by `extra` zero bytes;
// false when that does not fit in 32 bits (such a file is refused, never
// read into a smaller buffer).
bool WholeFileBufferSize(uint64_t size, uint32_t extra, uint32_t* total);

// True when the zero-terminated bytes begin with the UTF-8 byte-order mark.
bool HasUtf8ByteOrderMark(const char* bytes);

// Converts the zero-terminated bytes into a new heap block of exactly the
// units the converter asks for plus `spareUnits` zero units behind them.
// Returns the block (caller frees) and its text length with terminator in
// *units, or nullptr when the conversion or the allocation fails.
char16_t* ConvertToUtf16(const CodePageConverter* converter, bool utf8, const char* bytes,
                         uint32_t spareUnits, uint32_t* units);
