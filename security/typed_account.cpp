#include "security/typed_account.h"

#include "base/little_endian.h"

namespace {

const uint32_t kMaxSubAuthorities = 15;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

int HexValue(char16_t c) {
    if (IsDigit(c)) return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads one decimal number of 1 to 10 digits up to limit; *p is left after it.
bool ReadDecimal(const char16_t** p, uint64_t limit, uint64_t* value) {
    const char16_t* s = *p;
    uint64_t v = 0;
    uint32_t digits = 0;
    while (IsDigit(*s) && digits < 11) v = v * 10 + (uint64_t)(*s++ - u'0'), digits++;
    if (digits == 0 || digits > 10 || v > limit) return false;
    *value = v;
    *p = s;
    return true;
}

// "0x" and 1 to 12 hex digits (the authority's 48 bits).
bool ReadHexAuthority(const char16_t** p, uint64_t* value) {
    const char16_t* s = *p + 2;
    uint64_t v = 0;
    uint32_t digits = 0;
    for (int h; (h = HexValue(*s)) >= 0 && digits < 13; s++, digits++) v = v << 4 | (uint64_t)h;
    if (digits == 0 || digits > 12) return false;
    *value = v;
    *p = s;
    return true;
}

bool ReadAuthority(const char16_t** p, uint64_t* value) {
    if ((*p)[0] == u'0' && ((*p)[1] == u'x' || (*p)[1] == u'X')) return ReadHexAuthority(p, value);
    return ReadDecimal(p, 0xFFFFFFFFu, value);
}

// A SID string starts "S-" and a digit (an account may well be named "s-admin").
bool LooksLikeSid(const char16_t* s) { return (s[0] == u'S' || s[0] == u's') && s[1] == u'-' && IsDigit(s[2]); }

bool ParseSid(const char16_t* s, uint8_t* sid) {
    if (!LooksLikeSid(s)) return false;
    s += 2;
    uint64_t revision, authority;
    if (!ReadDecimal(&s, 0xFF, &revision) || revision != 1 || *s++ != u'-' || !ReadAuthority(&s, &authority))
        return false;
    sid[0] = 1;
    for (int i = 0; i < 6; i++) sid[2 + i] = (uint8_t)(authority >> (8 * (5 - i)));
    uint32_t count = 0;
    while (*s == u'-') {
        s++;
        uint64_t sub;
        if (count == kMaxSubAuthorities || !ReadDecimal(&s, 0xFFFFFFFFu, &sub)) return false;
        WriteU32(sid + 8 + 4 * count++, (uint32_t)sub);
    }
    sid[1] = (uint8_t)count;
    return *s == 0;
}

}  // namespace

TypedAccount ParseTypedAccount(const char16_t* text, uint8_t* sid) {
    if (!text || !text[0]) return kTypedInvalid;
    if (text[0] == u'*') return ParseSid(text + 1, sid) ? kTypedSid : kTypedInvalid;
    if (!LooksLikeSid(text)) return kTypedName;
    return ParseSid(text, sid) ? kTypedSid : kTypedInvalid;
}
