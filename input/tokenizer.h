// Splits the command line and the text of path list files into path tokens.
#pragma once
#include <stdint.h>

const uint32_t kTokenBufferUnits = 12288;   // 12287 characters and a terminator
const uint32_t kTokenMaxChars = 0x2FFF;

// Returns 0 when no token is left, else the token's first character as it
// stood in the text (the quote for a quoted token).
char16_t NextToken(const char16_t** cursor, char16_t* token /* [kTokenBufferUnits] */);
// The cursor stands on an opening quote. Fills out (room for limit + 1
// units) with the body, a doubled quote giving one quote, and moves the
// cursor behind what was read. A body longer than limit becomes "<flow!!>".
void CopyQuotedToken(const char16_t** cursor, char16_t* out, uint32_t limit);
