#include "input/tokenizer.h"

#include "base/text.h"
#include "config/config_text.h"

namespace {

const char16_t kQuote = u'"';
const char16_t kOverflowText[] = u"<flow!!>";

void CopyRun(char16_t* out, uint32_t* length, const char16_t* from, uint32_t count) {
    for (uint32_t i = 0; i < count; i++) out[*length + i] = from[i];
    *length += count;
}

// Unquoted token: ends at a blank or control character, a line break or the
// limit; an embedded quoted section keeps its quotes and blanks.
void CopyUnquotedToken(const char16_t** cursor, char16_t* out) {
    const char16_t* p = *cursor;
    uint32_t length = 0;
    char16_t c = *p;
    for (;;) {
        p++;
        if (c <= 0x20) break;
        out[length++] = c;
        if (c == kQuote) {
            while (length < kTokenMaxChars) {
                char16_t d = PeekLineChar(&p);
                if (d == 0) break;
                p++;
                out[length++] = d;
                if (d == kQuote && *p != kQuote) break;
            }
        }
        if (length >= kTokenMaxChars) break;
        c = PeekLineChar(&p);
        if (c == 0) break;
    }
    out[length] = 0;
    *cursor = p;
}

// The body so far plus the run [run, end) when all of it fits in limit,
// else "<flow!!>" in place of the whole body.
void EndQuotedBody(char16_t* out, uint32_t length, const char16_t* run, const char16_t* end, uint32_t limit) {
    uint32_t count = (uint32_t)(end - run);
    if ((uint64_t)length + count > limit) {
        CopyText(out, limit + 1, kOverflowText);
        return;
    }
    CopyRun(out, &length, run, count);
    out[length] = 0;
}

}  // namespace

void CopyQuotedToken(const char16_t** cursor, char16_t* out, uint32_t limit) {
    const char16_t* p = *cursor + 1;
    const char16_t* run = p;
    uint32_t length = 0;
    for (;;) {
        char16_t c = *p;
        if (c == 0 || IsLineBreak(c)) break;
        if (c == kQuote && p[1] == kQuote) {
            uint32_t count = (uint32_t)(p - run) + 1;
            // The run and its quote are kept only while the body stays short
            // of the limit; otherwise the body ends in front of the pair.
            if ((uint64_t)length + count >= limit) break;
            CopyRun(out, &length, run, count);
            p += 2;
            run = p;
            continue;
        }
        if (c == kQuote) {
            *cursor = p + 1;
            EndQuotedBody(out, length, run, p, limit);
            return;
        }
        p++;
    }
    // Open quote or a pair that no longer fits: the body ends here and the
    // cursor stays on the character that ended it.
    *cursor = p;
    EndQuotedBody(out, length, run, p, limit);
}

char16_t NextToken(const char16_t** cursor, char16_t* token) {
    const char16_t* p = *cursor;
    while (IsBlankOrLineBreak(*p)) p++;
    *cursor = p;
    char16_t first = *p;
    if (first == 0) {
        token[0] = 0;
        return 0;
    }
    if (first == kQuote) CopyQuotedToken(cursor, token, kTokenMaxChars);
    else CopyUnquotedToken(cursor, token);
    return first;
}
