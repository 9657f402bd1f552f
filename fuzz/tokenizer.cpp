// The tokenizer on arbitrary text: one character per byte (so quotes, blanks
// and breaks are frequent), repeated when the first byte asks, to reach the limits.
#include <stdint.h>
#include <stdlib.h>

#include <vector>

#include "base/text.h"
#include "input/tokenizer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<char16_t> text;
    for (unsigned r = 0; r <= (size && data[0] >= 0xF0 ? (data[0] & 0x0F) * 400u : 0u) && text.size() < 14000; r++)
        text.insert(text.end(), data + (size ? 1 : 0), data + size);
    text.push_back(0);
    std::vector<char16_t> token(kTokenBufferUnits);   // exactly its size, so ASan sees any overrun
    const char16_t* cursor = text.data();
    const char16_t* end = text.data() + TextLength(text.data());
    for (const char16_t* before = cursor; NextToken(&cursor, token.data()); before = cursor) {
        if (cursor <= before || cursor > end || TextLength(token.data()) > kTokenMaxChars) abort();
    }
    if (cursor != end || token[0] != 0) abort();
    return 0;
}
