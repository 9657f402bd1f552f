#include "config/config_text.h"

#include "base/format.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/file_text.h"

ConfigText g_languageFile;
ConfigText g_listFile;
const char16_t kListFileName[] = u"ovrix_list.cfg";

namespace {

char16_t g_translation[kTranslationUnits];

const char16_t kCR = u'\r';
const char16_t kLF = u'\n';


bool HasText(const ConfigText* config) { return config->text != nullptr && config->length != 0; }

// An empty text: the spare zero units alone.
void SetEmptyText(ConfigText* config) {
    config->length = 0;
    config->text = static_cast<char16_t*>(HeapAllocBytes(kConfigSpareBytes));
    if (!config->text) return;
    for (uint32_t i = 0; i < kConfigSpareBytes / sizeof(char16_t); i++) config->text[i] = 0;
}

}  // namespace

char16_t PeekLineChar(const char16_t** cursor) {
    const char16_t* p = *cursor;
    char16_t c = p[0];
    if (c == 0) return 0;
    if ((c == kCR && p[1] == kLF) || (c == kLF && p[1] == kCR)) *cursor = p + 1;
    return IsLineBreak(c) ? 0 : c;
}

char16_t SkipBlanks(const char16_t** cursor) {
    for (;;) {
        char16_t c = PeekLineChar(cursor);
        if (!IsBlank(c)) return c;
        (*cursor)++;
    }
}

bool NextConfigLine(const ConfigText* config, uint32_t* offset, char16_t* out, uint32_t capacity) {
    // An offset from a caller may be stale or forged; anything outside the
    // text reads as its end.
    if (!HasText(config) || *offset >= config->length) return false;
    const char16_t* p = config->text + *offset;
    if (*p == 0) return false;

    while (IsBlank(PeekLineChar(&p))) p++;
    const char16_t* start = p;
    const char16_t* contentEnd = nullptr;
    if (*start == u';') contentEnd = start;

    const char16_t* scan = start;
    while (*scan && !IsLineBreak(*scan)) scan++;
    if (!contentEnd) contentEnd = scan;
    while (IsLineBreak(*scan)) scan++;
    *offset = (uint32_t)(scan - config->text);

    while (contentEnd > start && contentEnd[-1] == u' ') contentEnd--;

    if (capacity == 0) return true;
    uint32_t written = 0;
    for (const char16_t* c = start; c < contentEnd && written + 1 < capacity; c++) {
        if (*c != u'\t') out[written++] = *c;
    }
    out[written] = 0;
    return true;
}

const char16_t* FindConfigKey(const ConfigText* config, const char16_t* key, char16_t* out, uint32_t capacity) {
    if (capacity == 0) return nullptr;
    uint32_t keyLength = TextLength(key);
    uint32_t offset = 0;
    while (NextConfigLine(config, &offset, out, capacity)) {
        if (!TextStartsWith(out, key)) continue;
        const char16_t* cursor = out + keyLength;
        if (SkipBlanks(&cursor) != u'=') continue;
        cursor++;
        SkipBlanks(&cursor);
        return cursor;
    }
    return nullptr;
}

uint32_t FindConfigSection(const ConfigText* config, const char16_t* header) {
    char16_t line[kListLineUnits];
    uint32_t offset = 0;
    while (NextConfigLine(config, &offset, line, kListLineUnits)) {
        if (TextStartsWith(line, header)) return offset;
    }
    return kNoSection;
}

const char16_t* Translate(const char16_t* text) {
    // Reading the language file overwrites the buffer, so a key that lives in
    // it (an earlier result passed back in) is copied out first.
    char16_t aliased[kTranslationUnits];
    uintptr_t at = reinterpret_cast<uintptr_t>(text);
    uintptr_t buffer = reinterpret_cast<uintptr_t>(g_translation);
    if (at >= buffer && at < buffer + sizeof g_translation) {
        CopyText(aliased, kTranslationUnits, text);
        text = aliased;
    }
    const char16_t* value = FindConfigKey(&g_languageFile, text, g_translation, kTranslationUnits);
    if (value) return value;
    // An untranslated text longer than the buffer is cut, terminated.
    CopyText(g_translation, kTranslationUnits, text);
    return g_translation;
}

void ReleaseConfigText(ConfigText* config) {
    HeapFreeBytes(config->text);
    config->text = nullptr;
    config->length = 0;
}

void SetUnopenedConfigText(ConfigText* config, const char16_t* path) {
    ReleaseConfigText(config);
    CopyText(config->path, kConfigPathUnits, path);
    SetEmptyText(config);
}

void FillConfigText(ConfigText* config, const char16_t* path, const char* bytes,
                    const CodePageConverter* converter) {
    ReleaseConfigText(config);
    CopyText(config->path, kConfigPathUnits, path);
    if (HasUtf8ByteOrderMark(bytes)) bytes += 3;
    uint32_t units = 0;
    config->text = ConvertToUtf16(converter, true, bytes, kConfigSpareBytes / sizeof(char16_t), &units);
    if (!config->text) {
        SetEmptyText(config);
        return;
    }
    config->length = units;
}

bool PathBesideExecutable(const char16_t* exePath, const char16_t* name, char16_t* out, uint32_t capacity) {
    uint32_t folderLength = 0;
    for (uint32_t i = 0; exePath[i]; i++) {
        if (exePath[i] == u'\\') folderLength = i + 1;
    }
    TextWriter w;
    TextWriterInit(&w, out, capacity);
    TextAppendN(&w, exePath, folderLength);
    TextAppend(&w, name);
    return !w.cut && capacity > 0;
}

void LanguageFileName(uint32_t localeId, char16_t* out, uint32_t capacity) {
    FormatText(out, capacity, u"ovrix%04x.cfg", localeId & 0xFFFFu);
}
