#include "base/text.h"

uint32_t TextLength(const char16_t* s) {
    uint32_t n = 0;
    while (s[n]) n++;
    return n;
}

bool TextEquals(const char16_t* a, const char16_t* b) {
    while (*a && *a == *b) {
        a++;
        b++;
    }
    return *a == *b;
}

bool TextStartsWith(const char16_t* s, const char16_t* prefix) {
    while (*prefix) {
        if (*s != *prefix) return false;
        s++;
        prefix++;
    }
    return true;
}

uint32_t CopyTextN(char16_t* out, uint32_t capacity, const char16_t* s, uint32_t n) {
    if (capacity == 0) return 0;
    uint32_t i = 0;
    while (i < n && i + 1 < capacity && s[i]) {
        out[i] = s[i];
        i++;
    }
    out[i] = 0;
    return i;
}

uint32_t CopyText(char16_t* out, uint32_t capacity, const char16_t* s) {
    return CopyTextN(out, capacity, s, UINT32_MAX);
}

uint32_t CopyTrimmedText(char16_t* out, uint32_t capacity, const char16_t* s) {
    while (IsBlank(*s)) s++;
    uint32_t length = TextLength(s);
    while (length && IsBlank(s[length - 1])) length--;
    return CopyTextN(out, capacity, s, length);
}

void TextWriterInit(TextWriter* w, char16_t* buf, uint32_t capacity) {
    w->buf = buf;
    w->capacity = capacity;
    w->length = 0;
    w->cut = false;
    if (capacity > 0) buf[0] = 0;
}

void TextAppendN(TextWriter* w, const char16_t* s, uint32_t n) {
    for (uint32_t i = 0; i < n && s[i]; i++) {
        if (w->length + 1 >= w->capacity) {
            w->cut = true;
            break;
        }
        w->buf[w->length++] = s[i];
    }
    if (w->capacity > 0) w->buf[w->length] = 0;
}

void TextAppend(TextWriter* w, const char16_t* s) {
    TextAppendN(w, s, UINT32_MAX);
}

void TextAppendChar(TextWriter* w, char16_t c) {
    char16_t one[2] = {c, 0};
    if (c == 0) return;
    TextAppendN(w, one, 1);
}
