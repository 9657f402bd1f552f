// The tokenizer on arbitrary text. Each input byte becomes one character
// (so quotes, blanks and line breaks are frequent); byte pairs above 0xF0
// give arbitrary 16-bit characters; the text can be repeated to reach the
// token limits.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "base/text.h"
#include "input/tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // Long texts only now and then: they are slow under the sanitizers.
    unsigned repeat = data[0] >= 0xF0 ? 1 + (data[0] & 0x0F) * 400 : 1 + (data[0] & 0x03);
    std::vector<char16_t> piece;
    for (size_t i = 1; i < size; i++) {
        if (data[i] > 0xF0 && i + 1 < size) {
            piece.push_back((char16_t)((data[i] & 0x0F) << 12 | data[i + 1] << 4));
            i++;
        } else {
            piece.push_back(data[i]);
        }
    }
    std::vector<char16_t> text;
    for (unsigned r = 0; r < repeat && text.size() < 14000; r++) text.insert(text.end(), piece.begin(), piece.end());
    text.push_back(0);

    std::vector<char16_t> token(kTokenBufferUnits + 1);
    token[kTokenBufferUnits] = 0x5A5A;
    const char16_t* cursor = text.data();
    const char16_t* end = text.data() + TextLength(text.data());   // the first zero
    for (;;) {
        const char16_t* before = cursor;
        char16_t first = NextToken(&cursor, token.data());
        if (token[kTokenBufferUnits] != 0x5A5A || TextLength(token.data()) > kTokenMaxChars) abort();
        if (cursor < before || cursor > end) abort();
        if (!first) {
            if (cursor != end || token[0] != 0) abort();
            break;
        }
        if (cursor == before) abort();   // every token consumes something
    }
    return 0;
}
