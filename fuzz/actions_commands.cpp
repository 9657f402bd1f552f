// Quoting and template filling on arbitrary texts and on the account cut
// from them as from an ACE node: a quoted text reads back as itself under
// the Windows argument rules, and a filled line holds the path in the hole
// and the account exactly as given, never past 4095 units.
#include <stdlib.h>

#include <string>

#include "actions/commands.h"
#include "base/text.h"

namespace {

// Aborts unless s is one argument, as the C runtime splits a command line,
// that reads as expected.
void ExpectOneArgument(const char16_t* s, const std::u16string& expected) {
    std::u16string out;
    bool quoted = false;
    size_t i = 0, slashes = 0;
    for (; s[i] && (quoted || (s[i] != u' ' && s[i] != u'\t')); i++) {
        if (s[i] == u'\\') {
            slashes++;
            continue;
        }
        out.append(s[i] == u'"' ? slashes / 2 : slashes, u'\\');
        if (s[i] == u'"' && slashes % 2 == 0) quoted = !quoted;
        else out += s[i];
        slashes = 0;
    }
    out.append(slashes, u'\\');
    if (s[i] || quoted || out != expected) abort();
}

void Check(const char16_t* text) {
    char16_t buffer[kQuoteUnits];
    const char16_t* quoted = QuoteIfSpaced(text, buffer, kQuoteUnits);
    if (!quoted || !*text) return;
    ExpectOneArgument(quoted, text);
    CommandTemplate command;
    ComposeTemplate(&command, u"icacls %%s /grant:r %s:(F)", quoted);
    char16_t line[kCommandUnits];
    if (!FillTemplate(&command, u"P", line, kCommandUnits)) return;
    if (TextLength(line) > 4095 || std::u16string(line) != u"icacls P /grant:r " + std::u16string(quoted) + u":(F)")
        abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::u16string text;
    for (size_t i = 0; i + 1 < size; i += 2)
        if (char16_t c = (char16_t)(data[i] | data[i + 1] << 8)) text += c;
    Check(text.c_str());
    char16_t account[kQuoteUnits];
    if (AccountFromAceText(text.c_str(), account, kQuoteUnits)) Check(account);
    return 0;
}
