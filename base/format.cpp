#include "base/format.h"

#include "base/text.h"

namespace {

void AppendNumber(TextWriter* w, uint64_t value, bool negative, unsigned radix, unsigned width) {
    char16_t digits[32];
    unsigned n = 0;
    do {
        unsigned d = (unsigned)(value % radix);
        digits[n++] = (char16_t)(d < 10 ? u'0' + d : u'a' + d - 10);
        value /= radix;
    } while (value && n < 24);
    while (n < width && n < 24) digits[n++] = u'0';
    if (negative) TextAppendChar(w, u'-');
    while (n) TextAppendChar(w, digits[--n]);
}

void AppendArg(TextWriter* w, const FormatArg& a, char16_t conversion, unsigned width) {
    unsigned radix = conversion == u'x' ? 16 : 10;
    switch (a.kind) {
    case FormatArg::kText:
        TextAppend(w, a.text);
        break;
    case FormatArg::kChar:
        if (conversion == u'c' || conversion == u's') TextAppendChar(w, (char16_t)a.number);
        else AppendNumber(w, (uint64_t)a.number, false, radix, width);
        break;
    case FormatArg::kSigned:
        if (conversion == u'c') TextAppendChar(w, (char16_t)a.number);
        else if (a.number < 0 && radix == 10) AppendNumber(w, (uint64_t)(-(a.number + 1)) + 1, true, 10, width);
        else AppendNumber(w, radix == 16 ? (uint64_t)(uint32_t)a.number : (uint64_t)a.number, false, radix, width);
        break;
    case FormatArg::kUnsigned:
        if (conversion == u'c') TextAppendChar(w, (char16_t)a.number);
        else AppendNumber(w, (uint64_t)a.number, false, radix, width);
        break;
    }
}

}  // namespace

uint32_t FormatTextArgs(char16_t* out, uint32_t capacity, const char16_t* pattern,
                        const FormatArg* args, uint32_t count) {
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    uint32_t next = 0;
    const char16_t* p = pattern;
    while (*p) {
        if (*p != u'%') {
            TextAppendChar(&w, *p++);
            continue;
        }
        const char16_t* start = p++;
        if (*p == u'%') {
            TextAppendChar(&w, u'%');
            p++;
            continue;
        }
        unsigned width = 0;
        if (p[0] == u'0' && p[1] >= u'1' && p[1] <= u'9' && p[2] == u'x') {
            width = (unsigned)(p[1] - u'0');
            p += 2;
        }
        char16_t conversion = *p;
        if (conversion == u's' || conversion == u'd' || conversion == u'c' || conversion == u'x') {
            p++;
            if (next < count) AppendArg(&w, args[next++], conversion, width);
            continue;
        }
        // Not a pattern we know: keep the text as written.
        TextAppendN(&w, start, (uint32_t)(p - start));
    }
    return w.length;
}
