// Path list decoding on arbitrary file bytes: the token naming the file,
// byte-order mark, code page, first zero byte and the paths handed on.
#include <stdint.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "base/text.h"
#include "input/list_file.h"
#include "input/tokenizer.h"
#include "tests/unit/config_code_pages.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first bytes up to a zero, after an '@', name the file: a token of exactly its size.
    std::vector<char16_t> token(1, u'@');
    for (size_t i = 0; i < size && i < 4 && data[i]; i++) token.push_back(data[i]);
    token.push_back(0);
    bool utf8 = false;
    if (ListFileNameOf(token.data(), &utf8) >= token.data() + token.size()) abort();
    std::string bytes = std::string(reinterpret_cast<const char*>(data), size) + std::string(kListFileZeroBytes, 0);
    PathReceiver receiver = {[](void*, const char16_t* path) {
                                 if (TextLength(path) > kTokenMaxChars) abort();
                             }, nullptr};
    if (!AddPathsFromListBytes(bytes.data(), utf8, fake_code_pages::Converter(), &receiver)) abort();
    return 0;
}
