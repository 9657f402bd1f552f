// Small UTF-16 text helpers. All text in the core is char16_t; the Win32 shell
// casts to wchar_t (also 2 bytes there) at the boundary.
#pragma once
#include <stddef.h>
#include <stdint.h>

// A blank (space or tab) ends a word on a command line and is skipped around
// config values; line breaks end a config line but, in path list files,
// separate paths as blanks do.
inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
inline bool IsLineBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
inline bool IsBlankOrLineBreak(char16_t c) { return IsBlank(c) || IsLineBreak(c); }

uint32_t TextLength(const char16_t* s);
bool TextEquals(const char16_t* a, const char16_t* b);
bool TextStartsWith(const char16_t* s, const char16_t* prefix);
// Copies s into out (capacity in units, terminator included); cuts when it
// does not fit. Returns the units written, terminator excluded.
uint32_t CopyText(char16_t* out, uint32_t capacity, const char16_t* s);
uint32_t CopyTextN(char16_t* out, uint32_t capacity, const char16_t* s, uint32_t n);
// CopyText without the blanks around s (as typed into an edit box).
uint32_t CopyTrimmedText(char16_t* out, uint32_t capacity, const char16_t* s);

// Bounded writer into a caller-supplied fixed buffer. The buffer is kept
// zero-terminated after every call; writes past capacity - 1 are dropped and
// remembered in `cut`.
struct TextWriter {
    char16_t* buf;
    uint32_t capacity;
    uint32_t length;
    bool cut;
};

void TextWriterInit(TextWriter* w, char16_t* buf, uint32_t capacity);
void TextAppend(TextWriter* w, const char16_t* s);
void TextAppendN(TextWriter* w, const char16_t* s, uint32_t n);
void TextAppendChar(TextWriter* w, char16_t c);
