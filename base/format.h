// Type-safe formatting for the few printf-style patterns the program uses:
// %s, %d, %c, %x, %04x and %%. Patterns may come from a language file, so a
// placeholder never reads an argument that was not given: each placeholder
// takes the next argument, renders it by the argument's own type, and a
// placeholder without an argument left produces nothing.
#pragma once
#include <stdint.h>

struct FormatArg {
    enum Kind { kText, kSigned, kUnsigned, kChar } kind;
    const char16_t* text;
    int64_t number;
};

inline FormatArg MakeFormatArg(const char16_t* s) { return {FormatArg::kText, s ? s : u"", 0}; }
inline FormatArg MakeFormatArg(char16_t* s) { return MakeFormatArg(static_cast<const char16_t*>(s)); }
inline FormatArg MakeFormatArg(int v) { return {FormatArg::kSigned, nullptr, v}; }
inline FormatArg MakeFormatArg(long v) { return {FormatArg::kSigned, nullptr, v}; }
inline FormatArg MakeFormatArg(long long v) { return {FormatArg::kSigned, nullptr, v}; }
inline FormatArg MakeFormatArg(unsigned v) { return {FormatArg::kUnsigned, nullptr, (int64_t)v}; }
inline FormatArg MakeFormatArg(unsigned long v) { return {FormatArg::kUnsigned, nullptr, (int64_t)v}; }
inline FormatArg MakeFormatArg(unsigned long long v) { return {FormatArg::kUnsigned, nullptr, (int64_t)v}; }
inline FormatArg MakeFormatArg(char16_t c) { return {FormatArg::kChar, nullptr, c}; }

// Writes at most capacity - 1 units and a terminator; returns the units written.
uint32_t FormatTextArgs(char16_t* out, uint32_t capacity, const char16_t* pattern,
                        const FormatArg* args, uint32_t count);

template <typename... A>
uint32_t FormatText(char16_t* out, uint32_t capacity, const char16_t* pattern, A... args) {
    const FormatArg list[] = {MakeFormatArg(args)..., MakeFormatArg(u"")};
    return FormatTextArgs(out, capacity, pattern, list, sizeof...(A));
}
