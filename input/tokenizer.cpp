// Placeholder until the tokenizer lands.
#include "input/tokenizer.h"

char16_t NextToken(const char16_t**, char16_t* token) {
    token[0] = 0;
    return 0;
}
