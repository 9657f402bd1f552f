// Rewrites a classic dialog template so that it uses a given font: the copy
// gets DS_SETFONT and a font block (point size, face name) after the title,
// with the item array moved by a multiple of 4 bytes.
#pragma once
#include <stdint.h>

struct DialogFont {
    uint16_t pointSize;      // |lfHeight| at 96 DPI, not converted to points
    const char16_t* face;
};

// The point size the block carries: the magnitude of the message font's
// lfHeight, taken as it is at 96 DPI. The system gives the height at its DPI
// (dpi) and the dialog manager scales points by the DPI again, so the height
// is first brought back to 96: else the text doubles at 200 %.
uint16_t DialogPointSize(int32_t lfHeight, uint32_t dpi);
// Size of the font block without its alignment word.
uint32_t DialogFontBlockSize(const DialogFont& font);
// Room the caller must give `out`: template size + block size + 2.
uint32_t RewrittenTemplateCapacity(uint32_t templateSize, const DialogFont& font);
// Writes the rewritten copy into out (at least RewrittenTemplateCapacity
// bytes, 4-byte aligned). Returns the bytes used, or 0 when the template's
// header runs past its end.
uint32_t RewriteDialogTemplate(const uint8_t* source, uint32_t size, const DialogFont& font, uint8_t* out);
