#include "actions/command_text.h"

#include "base/item_param.h"
#include "base/text.h"
#include "security/access_rights.h"

namespace {

const uint32_t kSynchronize = 0x100000;

// icacls reads rights without regard to case.
bool SameRight(const char16_t* text, uint32_t length, const char16_t* code) {
    if (TextLength(code) != length) return false;
    for (uint32_t i = 0; i < length; i++) {
        const char16_t c = text[i] >= u'a' && text[i] <= u'z' ? text[i] - u'a' + u'A' : text[i];
        if (c != code[i]) return false;
    }
    return true;
}

// A simple right stands alone; specific rights make up a comma list.
bool IsIcaclsCode(const char16_t* text, uint32_t length, bool simple) {
    for (uint32_t i = 0; i < kAccessRightCount; i++) {
        const AccessRight& right = kAccessRights[i];
        if (right.icacls && right.composite == simple && SameRight(text, length, right.icacls)) return true;
    }
    return false;
}

void AppendBackslashes(TextWriter* w, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) TextAppendChar(w, u'\\');
}

}  // namespace

void FinishTemplate(CommandTemplate* command, const char16_t* pattern) {
    // Only literal text stands ahead of the hole in every pattern, so its
    // place in the output equals its place in the pattern.
    uint32_t hole = 0;
    while (pattern[hole] && !(pattern[hole] == u'%' && pattern[hole + 1] == u'%' && pattern[hole + 2] == u's')) hole++;
    command->hole = hole;
    command->tooLong = command->length >= kCommandUnits;
    if (!pattern[hole] || command->length < hole + 2 || command->text[hole] != u'%' || command->text[hole + 1] != u's')
        command->tooLong = true;   // no usable hole: never run
}

bool FillTemplate(const CommandTemplate* command, const char16_t* path, char16_t* out, uint32_t capacity) {
    if (command->tooLong || capacity == 0) return false;
    const uint32_t pathLength = TextLength(path);
    const uint32_t total = command->length - 2 + pathLength;
    if (total + 1 > capacity) return false;
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    TextAppendN(&w, command->text, command->hole);
    TextAppendN(&w, path, pathLength);
    TextAppendN(&w, command->text + command->hole + 2, command->length - command->hole - 2);
    return !w.cut;
}

const char16_t* QuoteIfSpaced(const char16_t* text, char16_t* buffer, uint32_t capacity) {
    bool space = false;
    bool quote = false;
    for (const char16_t* p = text; *p; p++) {
        if (IsBlank(*p)) space = true;   // ends an unquoted argument
        if (*p == u'"') quote = true;
    }
    if (!space && !quote) return text;
    TextWriter w;
    TextWriterInit(&w, buffer, capacity);
    if (space) TextAppendChar(&w, u'"');
    uint32_t backslashes = 0;
    for (const char16_t* p = text; *p; p++) {
        if (*p == u'\\') {
            backslashes++;
            continue;
        }
        if (*p == u'"') {
            AppendBackslashes(&w, 2 * backslashes + 1);
        } else {
            AppendBackslashes(&w, backslashes);
        }
        TextAppendChar(&w, *p);
        backslashes = 0;
    }
    // Backslashes ahead of the closing quote would escape it.
    AppendBackslashes(&w, space ? 2 * backslashes : backslashes);
    if (space) TextAppendChar(&w, u'"');
    return w.cut || capacity == 0 ? nullptr : buffer;
}

uint32_t RightsText(uint32_t mask, char16_t* out, uint32_t capacity) {
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    if (mask != 0) mask |= kSynchronize;   // 0 stays "N"
    for (uint32_t i = 0; i < kAccessRightCount; i++) {
        const AccessRight& right = kAccessRights[i];
        if (right.composite && right.written && right.mask == mask) {
            TextAppend(&w, right.icacls);
            return w.length;
        }
    }
    for (uint32_t i = 0; i < kAccessRightCount; i++) {
        const AccessRight& right = kAccessRights[i];
        if (right.composite || !right.written || !(mask & right.mask)) continue;
        if (w.length) TextAppendChar(&w, u',');
        TextAppend(&w, right.icacls);
    }
    return w.length;
}

bool IsIcaclsRights(const char16_t* text) {
    const uint32_t length = TextLength(text);
    if (IsIcaclsCode(text, length, true)) return true;
    uint32_t start = 0;
    for (uint32_t i = 0; i <= length; i++) {
        if (i < length && text[i] != u',') continue;
        if (!IsIcaclsCode(text + start, i - start, false)) return false;
        start = i + 1;
    }
    return true;
}

uint32_t InheritanceFlagsText(uint32_t bits, char16_t* out, uint32_t capacity) {
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    const uint32_t scope = ScopeOfUpperHalf(bits);
    if (scope & kScopeInheritFile) TextAppend(&w, u"(OI)");
    if (scope & kScopeInheritSubfolder) TextAppend(&w, u"(CI)");
    if (!(scope & kScopeThisFolder)) TextAppend(&w, u"(IO)");
    return w.length;
}

bool AccountArgumentText(const char16_t* account, char16_t* out, uint32_t capacity) {
    if (capacity == 0) return false;
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    if (TextStartsWith(account, u"S-1-")) TextAppendChar(&w, u'*');
    TextAppend(&w, account);
    return !w.cut;
}

char16_t TakeownYesLetter(uint16_t uiLanguage) {
    // takeown /d only accepts the yes letter of its own UI language. Primary
    // language ids of the systems whose letter differs from English 'Y';
    // every other language keeps 'Y'.
    struct YesLetter {
        uint16_t primaryLanguage;
        char16_t letter;
    };
    static const YesLetter kLetters[] = {
        {0x05, u'A'},   // Czech: Ano
        {0x06, u'J'},   // Danish: Ja
        {0x07, u'J'},   // German: Ja
        {0x0a, u'S'},   // Spanish: Sí
        {0x0b, u'K'},   // Finnish: Kyllä
        {0x0c, u'O'},   // French: Oui
        {0x0e, u'I'},   // Hungarian: Igen
        {0x10, u'S'},   // Italian: Sì
        {0x13, u'J'},   // Dutch: Ja
        {0x14, u'J'},   // Norwegian: Ja
        {0x15, u'T'},   // Polish: Tak
        {0x16, u'S'},   // Portuguese: Sim
        {0x1d, u'J'},   // Swedish: Ja
    };
    const uint16_t primary = uiLanguage & 0x3FF;
    for (const YesLetter& entry : kLetters)
        if (entry.primaryLanguage == primary) return entry.letter;
    return u'Y';
}
