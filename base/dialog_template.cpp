#include "base/dialog_template.h"

#include <string.h>

#include "base/little_endian.h"
#include "base/text.h"

namespace {

const uint32_t kFixedHeader = 18;
const uint32_t kSetFont = 0x40;

// Skips a menu, class or title field (one zero word, or a string with its
// terminator). Returns the offset after it, or 0 past the end.
uint32_t SkipField(const uint8_t* t, uint32_t size, uint32_t at) {
    if (at + 2 > size) return 0;
    if (ReadU16(t + at) == 0) return at + 2;
    while (at + 2 <= size) {
        uint16_t c = ReadU16(t + at);
        at += 2;
        if (c == 0) return at;
    }
    return 0;
}

}  // namespace

// The DPI at which a font height is taken unconverted.
const uint32_t kDefaultDpi = 96;

uint16_t DialogPointSize(int32_t lfHeight, uint32_t dpi) {
    int64_t h = lfHeight;
    if (h < 0) h = -h;
    if (dpi != 0 && dpi != kDefaultDpi && h != 0) {
        h = (h * kDefaultDpi + dpi / 2) / dpi;
        if (h == 0) h = 1;
    }
    return (uint16_t)(h > 0xFFFF ? 0xFFFF : h);
}

uint32_t DialogFontBlockSize(const DialogFont& font) {
    return 2 + 2 * (TextLength(font.face) + 1);
}

uint32_t RewrittenTemplateCapacity(uint32_t templateSize, const DialogFont& font) {
    return templateSize + DialogFontBlockSize(font) + 2;
}

uint32_t RewriteDialogTemplate(const uint8_t* source, uint32_t size, const DialogFont& font, uint8_t* out) {
    if (size < kFixedHeader) return 0;
    uint32_t at = kFixedHeader;
    for (int field = 0; field < 3 && at; field++) at = SkipField(source, size, at);
    if (!at) return 0;
    const uint32_t insertAt = at;

    uint32_t style = ReadU32(source);
    uint32_t itemsAt = insertAt;
    if (style & kSetFont) {
        itemsAt += 2;                                   // old point size
        if (itemsAt > size) return 0;
        itemsAt = SkipField(source, size, itemsAt);     // old face name
        if (!itemsAt) return 0;
    }
    if (itemsAt % 4) itemsAt += 2;
    if (itemsAt > size) itemsAt = size;

    uint32_t block = DialogFontBlockSize(font);
    uint32_t padding = (insertAt + block) % 4 ? 2 : 0;

    memcpy(out, source, insertAt);
    style |= kSetFont;
    out[0] = (uint8_t)style;
    out[1] = (uint8_t)(style >> 8);
    out[2] = (uint8_t)(style >> 16);
    out[3] = (uint8_t)(style >> 24);

    uint8_t* p = out + insertAt;
    p[0] = (uint8_t)font.pointSize;
    p[1] = (uint8_t)(font.pointSize >> 8);
    p += 2;
    for (const char16_t* f = font.face;; f++) {
        p[0] = (uint8_t)*f;
        p[1] = (uint8_t)(*f >> 8);
        p += 2;
        if (!*f) break;
    }
    if (padding) {
        p[0] = p[1] = 0;
        p += 2;
    }
    memmove(p, source + itemsAt, size - itemsAt);
    return (uint32_t)(p - out) + (size - itemsAt);
}
