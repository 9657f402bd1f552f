#include "input/list_file.h"

#include <string.h>

#include "base/heap.h"
#include "base/little_endian.h"
#include "input/tokenizer.h"

const char16_t* ListFileNameOf(const char16_t* token, bool* utf8) {
    // token[0] is the '@'; the second test only runs when the first held.
    *utf8 = token[0] != 0 && token[1] == u'8' && token[2] == u'@';
    if (*utf8) return token + 3;
    return token[0] ? token + 1 : token;
}

namespace {

bool HasUtf16ByteOrderMark(const char* bytes, uint32_t size) {
    return size >= 2 && (uint8_t)bytes[0] == 0xFF && (uint8_t)bytes[1] == 0xFE;
}

// The units up to the first zero one (an odd last byte is no unit), the mark
// among them.
char16_t* DecodeUtf16Bytes(const char* bytes, uint32_t size, bool* cut) {
    const uint32_t units = size / 2;
    const uint8_t* b = reinterpret_cast<const uint8_t*>(bytes);
    uint32_t n = 0;
    while (n < units && ReadU16(b + 2 * n) != 0) n++;
    *cut = n < units;
    char16_t* text = static_cast<char16_t*>(HeapAllocBytes(((size_t)n + 1) * sizeof(char16_t)));
    if (!text) return nullptr;
    for (uint32_t i = 0; i < n; i++) text[i] = ReadU16(b + 2 * i);
    text[n] = 0;
    return text;
}

}  // namespace

char16_t* DecodeListBytes(const char* bytes, uint32_t size, bool utf8, const CodePageConverter* converter,
                          bool* cut) {
    if (HasUtf16ByteOrderMark(bytes, size)) return DecodeUtf16Bytes(bytes, size, cut);
    *cut = memchr(bytes, 0, size) != nullptr;
    if (HasUtf8ByteOrderMark(bytes)) utf8 = true;
    uint32_t units = 0;
    return ConvertToUtf16(converter, utf8, bytes, 0, &units);
}

bool AddPathsFromListBytes(const char* bytes, uint32_t size, bool utf8, const CodePageConverter* converter,
                           const PathReceiver* receiver) {
    bool cut = false;
    char16_t* text = DecodeListBytes(bytes, size, utf8, converter, &cut);
    if (!text) return false;
    char16_t token[kTokenBufferUnits];
    const char16_t* cursor = text;
    if (*cursor == 0xFEFF) cursor++;
    while (NextToken(&cursor, token)) receiver->add(receiver->context, token);
    HeapFreeBytes(text);
    return true;
}
