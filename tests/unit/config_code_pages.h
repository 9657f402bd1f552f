// Stand-ins for native tests and fuzzers. The "UTF-8" code page decodes two-
// and three-byte sequences (so units and bytes differ; none can be overlong)
// and passes any other byte through; the "ANSI" page maps bytes 0x80-0xFF to
// U+0400-U+047F so a test can tell which page was used. The heap always fails.
#pragma once
#include <stdint.h>

#include "base/heap.h"
#include "config/file_text.h"

namespace fake_code_pages {

inline uint32_t ToUtf16(void*, bool utf8, const char* bytes, char16_t* out, uint32_t capacity) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    for (uint32_t units = 0;; units++, b++) {
        uint32_t c = !utf8 && b[0] >= 0x80 ? 0x0400 + b[0] - 0x80 : b[0];
        // Each test stops at the terminator, so nothing behind it is read.
        bool tail1 = utf8 && b[0] >= 0xC2 && (b[1] & 0xC0) == 0x80, tail2 = tail1 && (b[2] & 0xC0) == 0x80;
        if (tail1 && b[0] <= 0xDF) c = (b[0] & 0x1F) << 6 | (b[1] & 0x3F), b += 1;
        else if (tail2 && b[0] >= 0xE1 && b[0] <= 0xEF) c = (b[0] & 0x0F) << 12 | (b[1] & 0x3F) << 6 | (b[2] & 0x3F), b += 2;
        if (capacity && units >= capacity) return 0;   // too small, as the system reports it
        if (capacity) out[units] = (char16_t)c;
        if (c == 0) return units + 1;
    }
}

inline const CodePageConverter* Converter() {
    static const CodePageConverter converter = {ToUtf16, nullptr};
    return &converter;
}

inline const HeapOps kFailingHeap = {[](size_t) -> void* { return nullptr; },
                                     [](void*, size_t) -> void* { return nullptr; }, [](void*) { return true; }};

}  // namespace fake_code_pages
