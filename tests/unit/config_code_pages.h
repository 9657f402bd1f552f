// Code-page stand-ins for native tests and fuzzers: a UTF-8 decoder that
// turns malformed input into U+FFFD, and a single-byte "ANSI" page that maps
// bytes 0x80-0xFF to U+0400-U+047F so a test can tell which page was used.
#pragma once
#include <stdint.h>

#include "config/file_text.h"

namespace fake_code_pages {

// Decodes one UTF-8 sequence at b; returns the bytes consumed (at least 1).
inline uint32_t DecodeUtf8(const unsigned char* b, uint32_t* code) {
    unsigned char c = b[0];
    uint32_t extra = 0;
    uint32_t value = 0;
    uint32_t minimum = 0;
    if (c < 0x80) {
        *code = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        extra = 1, value = c & 0x1F, minimum = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        extra = 2, value = c & 0x0F, minimum = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        extra = 3, value = c & 0x07, minimum = 0x10000;
    } else {
        *code = 0xFFFD;
        return 1;
    }
    for (uint32_t i = 1; i <= extra; i++) {
        if ((b[i] & 0xC0) != 0x80) {   // also stops at the terminator
            *code = 0xFFFD;
            return i;
        }
        value = value << 6 | (b[i] & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) value = 0xFFFD;
    *code = value;
    return extra + 1;
}

inline uint32_t ToUtf16(void*, bool utf8, const char* bytes, char16_t* out, uint32_t capacity) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    uint32_t units = 0;
    for (;;) {
        uint32_t code = 0;
        uint32_t used = 1;
        if (b[0] == 0) code = 0;
        else if (utf8) used = DecodeUtf8(b, &code);
        else code = b[0] < 0x80 ? b[0] : 0x0400 + (b[0] - 0x80);
        char16_t pair[2];
        uint32_t n = 1;
        if (code >= 0x10000) {
            pair[0] = (char16_t)(0xD800 + ((code - 0x10000) >> 10));
            pair[1] = (char16_t)(0xDC00 + ((code - 0x10000) & 0x3FF));
            n = 2;
        } else {
            pair[0] = (char16_t)code;
        }
        for (uint32_t i = 0; i < n; i++) {
            if (capacity) {
                if (units >= capacity) return 0;   // too small, as the system reports it
                out[units] = pair[i];
            }
            units++;
        }
        if (code == 0) return units;
        b += used;
    }
}

inline const CodePageConverter* Converter() {
    static const CodePageConverter converter = {ToUtf16, nullptr};
    return &converter;
}

}  // namespace fake_code_pages
