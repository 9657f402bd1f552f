// Path list decoding on arbitrary file bytes: byte-order marks (UTF-8 and
// UTF-16), code page, first zero byte or unit and the paths handed on.
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "base/text.h"
#include "input/list_file.h"
#include "input/tokenizer.h"
#include "tests/unit/config_code_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    bool utf8 = size && data[0] & 1;   // "@8@name" or "@name"
    std::string bytes = std::string(reinterpret_cast<const char*>(data), size) + std::string(kListFileZeroBytes, 0);
    PathReceiver receiver = {[](void*, const char16_t* path) {
                                 if (TextLength(path) > kTokenMaxChars) abort();
                             }, nullptr};
    if (!AddPathsFromListBytes(bytes.data(), (uint32_t)size, utf8, fake_code_pages::Converter(), &receiver)) abort();
    return 0;
}
