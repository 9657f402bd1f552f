// The language file and the list file: whole-file texts read line by line,
// key and section lookup, and translation of built-in texts.
#pragma once
#include <stdint.h>

struct CodePageConverter;

const uint32_t kConfigPathUnits = 260;
const uint32_t kNoSection = 0xFFFFFFFF;
const uint32_t kTranslationUnits = 1024;
const uint32_t kListLineUnits = 4096;
const uint32_t kConfigSpareBytes = 256;   // zero bytes behind every text

struct ConfigText {
    char16_t* text;          // the file's text, its terminator, then 128 zero units
    uint32_t length;         // units including the terminator; 0 when unreadable
    char16_t path[kConfigPathUnits];   // the path that was tried
};

extern ConfigText g_languageFile;
extern ConfigText g_listFile;

char16_t PeekLineChar(const char16_t** cursor);
char16_t SkipBlanks(const char16_t** cursor);
bool NextConfigLine(const ConfigText* config, uint32_t* offset, char16_t* out, uint32_t capacity);
const char16_t* FindConfigKey(const ConfigText* config, const char16_t* key, char16_t* out, uint32_t capacity);
uint32_t FindConfigSection(const ConfigText* config, const char16_t* header);
// The text to show for a built-in English text; valid until the same
// thread's next call.
const char16_t* Translate(const char16_t* text);

// Filling a record. Each releases the text the record held before.
// The file could not be opened: an empty text; the path is kept (cut to fit).
void SetUnopenedConfigText(ConfigText* config, const char16_t* path);
// The file's bytes (zero-terminated; a leading UTF-8 byte-order mark is
// skipped) converted from UTF-8. When the conversion or an allocation fails
// the record holds an empty text.
void FillConfigText(ConfigText* config, const char16_t* path, const char* bytes,
                    const CodePageConverter* converter);
void ReleaseConfigText(ConfigText* config);

// File names beside the executable. The name replaces everything after the
// last backslash of exePath; false when the result does not fit in capacity
// (out then holds what fits, terminated).
bool PathBesideExecutable(const char16_t* exePath, const char16_t* name, char16_t* out, uint32_t capacity);
// "ovrix%04x.cfg" with the low 16 bits of the locale identifier.
void LanguageFileName(uint32_t localeId, char16_t* out, uint32_t capacity);
extern const char16_t kListFileName[];
