// Path list decoding: token form, byte-order mark, code page, first zero
// byte and the tokens handed on, on arbitrary file bytes.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "base/text.h"
#include "input/list_file.h"
#include "input/tokenizer.h"
#include "tests/unit/config_code_pages.h"

namespace {

void CheckPath(void* context, const char16_t* path) {
    if (TextLength(path) > kTokenMaxChars) abort();
    ++*static_cast<size_t*>(context);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first bytes also serve as a token naming the file.
    char16_t token[8] = {};
    for (size_t i = 0; i < 7 && i < size; i++) token[i] = data[i];
    bool utf8 = false;
    const char16_t* name = ListFileNameOf(token, &utf8);
    if (name < token || name > token + 7) abort();

    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    bytes.append(kListFileZeroBytes, '\0');
    size_t paths = 0;
    PathReceiver receiver = {CheckPath, &paths};
    if (!AddPathsFromListBytes(bytes.data(), (data[0] & 1) != 0, fake_code_pages::Converter(), &receiver)) abort();
    if (paths > bytes.size()) abort();
    return 0;
}
