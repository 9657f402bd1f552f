// Names the system changes on the way to a file: forming a full path strips
// the dots and blanks that end a name, so "victim." and "victim " reach
// "victim". Such a name must never be opened or handed to a command.
#pragma once

// [begin, end) is one name of a path (no separator); "." and ".." step
// through folders and are left as they are.
inline bool IsNameTheSystemAlters(const char16_t* begin, const char16_t* end) {
    if (begin == end) return false;
    const char16_t last = end[-1];
    if (last != u'.' && last != u' ') return false;
    const long length = end - begin;
    const bool dots = begin[0] == u'.' && (length == 1 || (length == 2 && begin[1] == u'.'));
    return !dots;
}
