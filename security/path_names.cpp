#include "security/path_names.h"

#include "base/file_names.h"
#include "security/security_platform.h"

namespace {

bool IsSeparator(char16_t c) { return c == u'\\' || c == u'/'; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? (char16_t)(c - 32) : c; }

// Compares [begin, end) with an upper-case ASCII word, ignoring case.
bool SpanIs(const char16_t* begin, const char16_t* end, const char* word) {
    for (; begin < end && *word; begin++, word++)
        if (AsciiUpper(*begin) != (char16_t)*word) return false;
    return begin == end && !*word;
}

// "*?" and the "<>\"" the system takes for wildcards too; '|' names no file.
bool HasWildcard(const char16_t* path) {
    for (const char16_t* p = path; *p; p++)
        if (*p == u'*' || *p == u'?' || *p == u'<' || *p == u'>' || *p == u'"' || *p == u'|') return true;
    return false;
}

// "\\." alone or followed by a separator: the device namespace.
bool IsDeviceNamespace(const char16_t* path) {
    return IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == u'.' && (!path[3] || IsSeparator(path[3]));
}

// \\server\pipe, \\server\mailslot and \\server\IPC$ reach no disk.
bool IsIpcShare(const char16_t* path) {
    if (!IsSeparator(path[0]) || !IsSeparator(path[1])) return false;
    const char16_t* share = path + 2;
    while (*share && !IsSeparator(*share)) share++;
    if (!*share) return false;
    const char16_t* end = ++share;
    while (*end && !IsSeparator(*end)) end++;
    return SpanIs(share, end, "PIPE") || SpanIs(share, end, "MAILSLOT") || SpanIs(share, end, "IPC$");
}

// CON, NUL, COM1 ... as the last component, also with an extension, a colon
// or trailing blanks: the system opens the device, not a file.
bool IsDosDeviceName(const char16_t* path) {
    const char16_t* name = path;
    if (path[0] && path[1] == u':') name = path + 2;
    for (const char16_t* p = name; *p; p++)
        if (IsSeparator(*p)) name = p + 1;
    const char16_t* end = name;
    while (*end && *end != u'.' && *end != u':') end++;
    while (end > name && end[-1] == u' ') end--;
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* device : kDevices)
        if (SpanIs(name, end, device)) return true;
    if (end - name != 4 || !(SpanIs(name, name + 3, "COM") || SpanIs(name, name + 3, "LPT"))) return false;
    char16_t digit = name[3];
    return (digit >= u'0' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

// A name of the path that the system would change when it forms the full
// path: the path would reach another file.
bool HasNameTheSystemAlters(const char16_t* path) {
    const char16_t* name = path;
    for (const char16_t* p = path;; p++) {
        if (*p && !IsSeparator(*p)) continue;
        if (IsNameTheSystemAlters(name, p)) return true;
        if (!*p) return false;
        name = p + 1;
    }
}

}  // namespace

bool IsPlainPathName(const char16_t* path) {
    return !HasWildcard(path) && !IsDeviceNamespace(path) && !IsIpcShare(path) && !IsDosDeviceName(path) &&
           !HasNameTheSystemAlters(path);
}

PathNameKind FormFullPath(const char16_t* path, char16_t* fullPath) {
    fullPath[0] = 0;
    if (!IsPlainPathName(path)) return kForeignPathName;
    if (!CurrentSecurityPlatform()->fullPath(path, fullPath)) return kUnformedPathName;
    fullPath[kFullPathUnits - 1] = 0;
    return IsPlainPathName(fullPath) ? kPlainPathName : kForeignPathName;
}

bool IsForeignPath(const char16_t* path) {
    char16_t fullPath[kFullPathUnits];
    return FormFullPath(path, fullPath) == kForeignPathName;
}
