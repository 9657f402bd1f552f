#include "report/report_out.h"

#include <string.h>

#include "base/heap.h"
#include "base/text.h"

namespace {

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool WriteGrowing(void* context, const char16_t* text, uint32_t units) {
    GrowingText* g = static_cast<GrowingText*>(context);
    const uint64_t needed = (uint64_t)g->length + units + 1;
    if (needed > 0x7FFFFFFF) return false;
    if (needed > g->capacity) {
        const uint64_t doubled = (uint64_t)g->capacity * 2;
        const uint32_t items = (uint32_t)(needed > doubled ? needed : doubled);
        void* block = ResizeBlock(g->text, &g->capacity, items, sizeof(char16_t));
        if (!block) return false;
        g->text = static_cast<char16_t*>(block);
    }
    memcpy(g->text + g->length, text, (size_t)units * sizeof(char16_t));
    g->length += units;
    g->text[g->length] = 0;
    return true;
}

}  // namespace

void ReportOutInit(ReportOut* out, ReportTarget target) {
    out->target = target;
    out->used = 0;
    out->failed = false;
}

bool OutFlush(ReportOut* out, bool final) {
    uint32_t units = out->used;
    if (!final && units && IsHighSurrogate(out->chunk[units - 1])) units--;
    if (units && !out->failed && !out->target.write(out->target.context, out->chunk, units)) out->failed = true;
    memmove(out->chunk, out->chunk + units, (size_t)(out->used - units) * sizeof(char16_t));
    out->used -= units;
    return !out->failed;
}

void OutUnits(ReportOut* out, const char16_t* text, uint32_t units) {
    while (units) {
        if (out->used == kReportChunkUnits) OutFlush(out, false);
        uint32_t room = kReportChunkUnits - out->used;
        uint32_t n = units < room ? units : room;
        memcpy(out->chunk + out->used, text, (size_t)n * sizeof(char16_t));
        out->used += n;
        text += n;
        units -= n;
    }
}

void OutText(ReportOut* out, const char16_t* text) { OutUnits(out, text, TextLength(text)); }
void OutChar(ReportOut* out, char16_t c) { OutUnits(out, &c, 1); }

uint32_t Utf16ToUtf8(const char16_t* text, uint32_t n, char* out) {
    uint32_t w = 0;
    for (uint32_t i = 0; i < n; i++) {
        uint32_t c = text[i];
        if (IsHighSurrogate((char16_t)c) && i + 1 < n && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            i++;
        } else if (IsHighSurrogate((char16_t)c) || IsLowSurrogate((char16_t)c)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out[w++] = (char)c;
        } else if (c < 0x800) {
            out[w++] = (char)(0xC0 | c >> 6);
            out[w++] = (char)(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[w++] = (char)(0xE0 | c >> 12);
            out[w++] = (char)(0x80 | (c >> 6 & 0x3F));
            out[w++] = (char)(0x80 | (c & 0x3F));
        } else {
            out[w++] = (char)(0xF0 | c >> 18);
            out[w++] = (char)(0x80 | (c >> 12 & 0x3F));
            out[w++] = (char)(0x80 | (c >> 6 & 0x3F));
            out[w++] = (char)(0x80 | (c & 0x3F));
        }
    }
    return w;
}

ReportTarget GrowingTextTarget(GrowingText* text) {
    text->text = nullptr;
    text->length = 0;
    text->capacity = 0;
    return ReportTarget{text, WriteGrowing};
}
