// Where report text goes: a fixed chunk that collects small writes and hands
// them on whole to a target (the console, a pipe or file as UTF-8, or a
// growing heap text for the clipboard). The report never holds more than a
// chunk of its output.
#pragma once
#include <stdint.h>

const uint32_t kReportChunkUnits = 4096;

struct ReportTarget {
    void* context;
    // Takes units of text; false when it can take no more.
    bool (*write)(void* context, const char16_t* text, uint32_t units);
};

struct ReportOut {
    ReportTarget target;
    char16_t chunk[kReportChunkUnits];
    uint32_t used;
    bool failed;   // the target refused a chunk; later writes are dropped
};

void ReportOutInit(ReportOut* out, ReportTarget target);
void OutUnits(ReportOut* out, const char16_t* text, uint32_t units);
void OutText(ReportOut* out, const char16_t* text);
void OutChar(ReportOut* out, char16_t c);
// Hands on what the chunk holds; a high surrogate at its end waits for its
// pair unless final. False when the target failed at any time.
bool OutFlush(ReportOut* out, bool final);

// UTF-8 of n units into out (room for 3 * n bytes); a lone surrogate becomes
// U+FFFD. Returns the bytes written.
uint32_t Utf16ToUtf8(const char16_t* text, uint32_t n, char* out);

// A heap text that grows with each write (zero-terminated), for the clipboard.
struct GrowingText {
    char16_t* text;
    uint32_t length;
    uint32_t capacity;
};
ReportTarget GrowingTextTarget(GrowingText* text);
