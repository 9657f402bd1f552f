// Line reader, key and section lookup and translation on arbitrary file bytes.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "base/text.h"
#include "config/config_text.h"
#include "tests/unit/config_code_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) return 0;
    // First byte: the line buffer capacity; second: where the key text
    // starts in the file (keys and headers then come from the file itself).
    uint32_t capacity = data[0] % 64 == 0 ? kListLineUnits : data[0] % 64;
    size_t split = 2 + data[1] % (size - 2);
    std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);

    ConfigText config = {};
    FillConfigText(&config, u"fuzz.cfg", bytes.c_str(), fake_code_pages::Converter());

    std::vector<char16_t> line(capacity + 1);
    line[capacity] = 0x5A5A;
    uint32_t offset = 0;
    uint32_t lines = 0;
    while (NextConfigLine(&config, &offset, line.data(), capacity)) {
        if (line[capacity] != 0x5A5A || TextLength(line.data()) >= capacity) abort();
        if (offset > config.length || ++lines > config.length + 1) abort();
    }
    // Offsets anywhere, also beyond the text.
    for (uint32_t probe = 0; probe < config.length + 3; probe += 1 + probe / 7) {
        uint32_t o = probe;
        NextConfigLine(&config, &o, line.data(), capacity);
    }

    // A key and a header taken from the file's own text.
    std::u16string key;
    if (config.text) {
        for (uint32_t i = (uint32_t)(split % (config.length + 1)); i < config.length && config.text[i] && key.size() < 40; i++)
            key += config.text[i];
    }
    const char16_t* value = FindConfigKey(&config, key.c_str(), line.data(), capacity);
    if (value && (value < line.data() || value > line.data() + capacity)) abort();
    uint32_t section = FindConfigSection(&config, key.c_str());
    if (section != kNoSection && section > config.length) abort();

    ConfigText saved = g_languageFile;
    g_languageFile = config;
    const char16_t* shown = Translate(key.c_str());
    char16_t formatted[64];
    FormatText(formatted, 64, shown, u"path");
    g_languageFile = saved;

    ReleaseConfigText(&config);
    return 0;
}
