// Placeholder until the configuration reader lands: no file, English texts.
#include "config/config_text.h"

#include "base/text.h"

ConfigText g_languageFile;
ConfigText g_listFile;

namespace {
char16_t g_translation[kTranslationUnits];
}

char16_t PeekLineChar(const char16_t** cursor) { return **cursor; }
char16_t SkipBlanks(const char16_t** cursor) { return **cursor; }
bool NextConfigLine(const ConfigText*, uint32_t*, char16_t*, uint32_t) { return false; }
const char16_t* FindConfigKey(const ConfigText*, const char16_t*, char16_t*, uint32_t) { return nullptr; }
uint32_t FindConfigSection(const ConfigText*, const char16_t*) { return kNoSection; }

const char16_t* Translate(const char16_t* text) {
    CopyText(g_translation, kTranslationUnits, text);
    return g_translation;
}
