#include "config/file_text.h"

#include "base/heap.h"

bool WholeFileBufferSize(uint64_t size, uint32_t extra, uint32_t* total) {
    if (size > UINT32_MAX || size + extra > UINT32_MAX) return false;
    *total = (uint32_t)(size + extra);
    return true;
}

bool HasUtf8ByteOrderMark(const char* bytes) {
    const unsigned char* b = reinterpret_cast<const unsigned char*>(bytes);
    // Each test stops at the terminator, so a shorter text is never read past.
    return b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF;
}

char16_t* ConvertToUtf16(const CodePageConverter* converter, bool utf8, const char* bytes,
                         uint32_t spareUnits, uint32_t* units) {
    *units = 0;
    uint32_t needed = converter->toUtf16(converter->context, utf8, bytes, nullptr, 0);
    if (needed == 0) return nullptr;
    uint64_t total = (uint64_t)needed + spareUnits;
    if (total > (SIZE_MAX / sizeof(char16_t))) return nullptr;
    char16_t* text = static_cast<char16_t*>(HeapAllocBytes((size_t)total * sizeof(char16_t)));
    if (!text) return nullptr;
    uint32_t written = converter->toUtf16(converter->context, utf8, bytes, text, needed);
    if (written == 0 || written > needed) {
        HeapFreeBytes(text);
        return nullptr;
    }
    // The text must end in its terminator whatever the converter did, and
    // everything behind it reads as zero.
    text[written - 1] = 0;
    for (uint64_t i = written; i < total; i++) text[i] = 0;
    *units = written;
    return text;
}
