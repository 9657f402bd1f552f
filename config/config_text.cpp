#include "config/config_text.h"

#include "base/format.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/file_text.h"

ConfigText g_languageFile;
ConfigText g_listFile;
const char16_t kListFileName[] = u"ovrix_list.cfg";

namespace {

// A result per thread: the feeder of a reading read ahead translates its log
// lines while the window's thread translates node texts.
thread_local char16_t g_translation[kTranslationUnits];

const char16_t kCR = u'\r';
const char16_t kLF = u'\n';


bool HasText(const ConfigText* config) { return config->text != nullptr && config->length != 0; }

// The language file's keys, indexed when the file is read, so that a
// translation is a hash probe instead of a scan of the file. Each "=" of a
// line (as NextConfigLine gives it, in the translation buffer's size) is an
// entry: the text before it without its trailing blanks, and how many blanks
// those were. A key matches a line when it is that text followed by at most
// that many blanks. Of several entries with the same text, only those with
// more blanks than every earlier one are kept: an earlier line answers every
// key a later one with fewer blanks would. The probe names the first line
// that can match; that line is read and checked, and when the check fails (a
// hash collision) the file is scanned as without the index.
struct KeyEntry {
    uint64_t hash;
    uint32_t line;       // offset of the line; kNoLine: empty slot
    uint16_t keyUnits;
    uint16_t blanks;
};

const uint32_t kNoLine = 0xFFFFFFFF;

struct KeyIndex {
    KeyEntry* slots;   // null: no index, lookups scan
    uint32_t slotCount;
};

KeyIndex g_languageKeys = {nullptr, 0};

uint64_t HashStep(uint64_t h, char16_t c) {
    h ^= c;
    return h * 1099511628211ull;   // FNV-1a, 64 bits
}
const uint64_t kHashBasis = 14695981039346656037ull;

void DropKeyIndex(KeyIndex* index) {
    HeapFreeBytes(index->slots);
    index->slots = nullptr;
    index->slotCount = 0;
}

void AddKeyEntry(KeyIndex* index, uint64_t hash, uint32_t keyUnits, uint32_t blanks, uint32_t line) {
    const uint32_t mask = index->slotCount - 1;
    for (uint32_t i = (uint32_t)hash & mask;; i = (i + 1) & mask) {
        KeyEntry* e = &index->slots[i];
        if (e->line == kNoLine) {
            *e = {hash, line, (uint16_t)keyUnits, (uint16_t)blanks};
            return;
        }
        if (e->hash == hash && e->keyUnits == keyUnits && e->blanks >= blanks) return;
    }
}

// Room for twice as many entries as the text has "=", else no index.
bool SizeKeyIndex(const ConfigText* config, KeyIndex* index) {
    uint64_t equals = 0;
    for (uint32_t i = 0; i < config->length; i++) equals += config->text[i] == u'=';
    uint64_t slots = 16;
    while (slots < equals * 2) slots *= 2;
    if (slots > 0x10000000u) return false;
    index->slots = static_cast<KeyEntry*>(HeapAllocBytes((size_t)slots * sizeof(KeyEntry)));
    if (!index->slots) return false;
    index->slotCount = (uint32_t)slots;
    for (uint64_t i = 0; i < slots; i++) index->slots[i].line = kNoLine;
    return true;
}

void IndexKeys(const ConfigText* config, KeyIndex* index) {
    DropKeyIndex(index);
    if (!HasText(config) || !SizeKeyIndex(config, index)) return;
    char16_t line[kTranslationUnits];
    uint32_t offset = 0;
    for (uint32_t start = 0; NextConfigLine(config, &offset, line, kTranslationUnits); start = offset) {
        uint64_t hash = kHashBasis, keyHash = kHashBasis;
        uint32_t keyEnd = 0;
        for (uint32_t i = 0; line[i]; i++) {
            if (line[i] == u'=') AddKeyEntry(index, keyHash, keyEnd, i - keyEnd, start);
            hash = HashStep(hash, line[i]);
            if (!IsBlank(line[i])) keyEnd = i + 1, keyHash = hash;
        }
    }
}

// The value of the key on the line at offset, read into out; null when that
// line does not hold the key.
const char16_t* KeyOnLine(const ConfigText* config, uint32_t offset, const char16_t* key, char16_t* out,
                          uint32_t capacity) {
    if (!NextConfigLine(config, &offset, out, capacity) || !TextStartsWith(out, key)) return nullptr;
    const char16_t* cursor = out + TextLength(key);
    if (SkipBlanks(&cursor) != u'=') return nullptr;
    cursor++;
    SkipBlanks(&cursor);
    return cursor;
}

// FindConfigKey for the language file in the translation buffer's size.
const char16_t* FindLanguageKey(const char16_t* key, char16_t* out) {
    const KeyIndex* index = &g_languageKeys;
    if (!index->slots) return FindConfigKey(&g_languageFile, key, out, kTranslationUnits);
    uint32_t units = TextLength(key);
    if (units >= kTranslationUnits) return nullptr;   // longer than any line can be
    uint32_t keyUnits = units;
    while (keyUnits > 0 && IsBlank(key[keyUnits - 1])) keyUnits--;
    uint64_t hash = kHashBasis;
    for (uint32_t i = 0; i < keyUnits; i++) hash = HashStep(hash, key[i]);
    const uint32_t mask = index->slotCount - 1;
    uint32_t first = kNoLine;
    for (uint32_t i = (uint32_t)hash & mask; index->slots[i].line != kNoLine; i = (i + 1) & mask) {
        const KeyEntry& e = index->slots[i];
        if (e.hash == hash && e.keyUnits == keyUnits && e.blanks >= units - keyUnits && e.line < first)
            first = e.line;
    }
    if (first == kNoLine) return nullptr;
    const char16_t* value = KeyOnLine(&g_languageFile, first, key, out, kTranslationUnits);
    return value ? value : FindConfigKey(&g_languageFile, key, out, kTranslationUnits);
}

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
    const char16_t* value = FindLanguageKey(text, g_translation);
    if (value) return value;
    // An untranslated text longer than the buffer is cut, terminated.
    CopyText(g_translation, kTranslationUnits, text);
    return g_translation;
}

void ReleaseConfigText(ConfigText* config) {
    if (config == &g_languageFile) DropKeyIndex(&g_languageKeys);
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
    if (config == &g_languageFile) IndexKeys(config, &g_languageKeys);
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
