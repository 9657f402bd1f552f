// Line reader, key and section lookup and translation on arbitrary file
// bytes; the key and header are the text's own last line.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "config/config_text.h"
#include "tests/unit/config_code_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte sets the line buffer: exactly that big, so ASan sees any overrun.
    uint32_t capacity = size && data[0] % 64 ? data[0] % 64 : kListLineUnits;
    ConfigText* config = &g_languageFile;   // Translate reads it
    FillConfigText(config, u"fuzz.cfg", std::string(reinterpret_cast<const char*>(data), size).c_str(),
                   fake_code_pages::Converter());
    std::vector<char16_t> line(capacity);
    uint32_t offset = capacity % 3 ? 0 : config->length + capacity;   // sometimes forged
    // A line that read nothing would loop forever: libFuzzer reports that as a hang.
    while (NextConfigLine(config, &offset, line.data(), capacity))
        if (offset > config->length) abort();
    std::u16string key(line.data());   // the last line read
    const char16_t* value = FindConfigKey(config, key.c_str(), line.data(), capacity);
    if (value && (value < line.data() || value >= line.data() + capacity)) abort();
    if (FindConfigSection(config, key.c_str()) + 1 > config->length + 1) abort();   // kNoSection wraps to 0
    char16_t shown[64];
    FormatText(shown, 64, Translate(key.c_str()), u"path");
    ReleaseConfigText(config);
    return 0;
}
