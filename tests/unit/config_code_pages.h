// A code-page stand-in for native tests and fuzzers. "UTF-8" decodes two- and
// three-byte sequences (so units and bytes differ; none can be overlong) and
// passes any other byte through; the "ANSI" page maps bytes 0x80-0xFF to U+0400-U+047F so a test
// can tell which page was used.
#pragma once
#include <stdint.h>

#include "config/file_text.h"

namespace fake_code_pages {

inline uint32_t ToUtf16(void*, bool utf8, const char* bytes, char16_t* out, uint32_t capacity) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    for (uint32_t units = 0;; units++) {
        uint32_t n = utf8 && b[0] >= 0xC2 && b[0] <= 0xEF && b[0] != 0xE0 ? (b[0] >= 0xE1 ? 3 : 2) : 1;
        for (uint32_t i = 1; i < n; i++) n = (b[i] & 0xC0) == 0x80 ? n : 1;   // also stops at the terminator
        uint32_t c = n > 1 ? b[0] & (n == 2 ? 0x1F : 0x0F) : utf8 || b[0] < 0x80 ? b[0] : 0x0400 + b[0] - 0x80;
        for (uint32_t i = 1; i < n; i++) c = c << 6 | (b[i] & 0x3F);
        if (capacity && units >= capacity) return 0;   // too small, as the system reports it
        if (capacity) out[units] = (char16_t)c;
        if (c == 0) return units + 1;
        b += n;
    }
}

inline const CodePageConverter* Converter() {
    static const CodePageConverter converter = {ToUtf16, nullptr};
    return &converter;
}

}  // namespace fake_code_pages
