// Where the four controls of the main window go for a client size.
#pragma once
#include <stdint.h>

struct Size32 {
    int32_t width, height;
};

struct LayoutInput {
    int32_t clientWidth, clientHeight;
    int32_t gap;                 // top of the log minus bottom of the tree, as placed now
    Size32 action, close;        // current button sizes
};

struct LayoutResult {
    int32_t treeWidth, treeHeight;      // the tree stays where it is
    int32_t logTop, logWidth, logHeight;
    int32_t buttonTop;
    int32_t actionLeft, closeLeft;
};

LayoutResult LayoutMainDialog(const LayoutInput& in);

// Glyphs are drawn for 16, 20, 24 and 32 pixels, for 100, 125, 150 and
// 200 %: a DPI takes the largest whose scale it reaches (96 → 16, 120 → 20,
// 144 → 24, 192 and above → 32).
int32_t GlyphSizeForDpi(uint32_t dpi);
// The bitmap resource of the glyph strip for one of those sizes.
int GlyphStripResource(int32_t glyphSize);

// Pixels measured at one DPI, as many at another (rounded to the nearest).
int32_t ScaleForDpi(int32_t pixels, uint32_t fromDpi, uint32_t toDpi);
// The margins and button sizes of a layout measured at fromDpi, at toDpi;
// the client size is the new window's own and is left alone.
LayoutInput ScaleLayoutInput(const LayoutInput& in, uint32_t fromDpi, uint32_t toDpi);
