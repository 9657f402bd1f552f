#include "input/list_file.h"

#include "base/heap.h"
#include "input/tokenizer.h"

const char16_t* ListFileNameOf(const char16_t* token, bool* utf8) {
    // token[0] is the '@'; the second test only runs when the first held.
    *utf8 = token[0] != 0 && token[1] == u'8' && token[2] == u'@';
    if (*utf8) return token + 3;
    return token[0] ? token + 1 : token;
}

char16_t* DecodeListBytes(const char* bytes, bool utf8, const CodePageConverter* converter) {
    if (HasUtf8ByteOrderMark(bytes)) utf8 = true;
    uint32_t units = 0;
    return ConvertToUtf16(converter, utf8, bytes, 0, &units);
}

bool AddPathsFromListBytes(const char* bytes, bool utf8, const CodePageConverter* converter,
                           const PathReceiver* receiver) {
    char16_t* text = DecodeListBytes(bytes, utf8, converter);
    if (!text) return false;
    char16_t token[kTokenBufferUnits];
    const char16_t* cursor = text;
    if (*cursor == 0xFEFF) cursor++;
    while (NextToken(&cursor, token)) receiver->add(receiver->context, token);
    HeapFreeBytes(text);
    return true;
}
