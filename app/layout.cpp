#include "app/layout.h"

#include "resources/resource_ids.h"

LayoutResult LayoutMainDialog(const LayoutInput& in) {
    LayoutResult r;
    const int32_t W = in.clientWidth, H = in.clientHeight, gap = in.gap;
    r.treeWidth = W;
    r.treeHeight = (2 * H) / 3;
    r.logTop = r.treeHeight + gap;
    r.logWidth = W;
    r.logHeight = H - r.treeHeight - 3 * gap - in.close.height;
    if (r.logHeight <= 0) r.logHeight = 1;
    r.buttonTop = r.logTop + r.logHeight + gap;
    int32_t space = (W - in.action.width - in.close.width) / 3;
    if (space < 0) space = 0;
    r.actionLeft = space;
    r.closeLeft = in.action.width + 2 * space;
    return r;
}

int32_t GlyphSizeForDpi(uint32_t dpi) {
    if (dpi >= 192) return 32;
    if (dpi >= 144) return 24;
    if (dpi >= 120) return 20;
    return 16;
}

int GlyphStripResource(int32_t glyphSize) {
    switch (glyphSize) {
    case 20: return IDB_GLYPHS_20;
    case 24: return IDB_GLYPHS_24;
    case 32: return IDB_GLYPHS_32;
    default: return IDB_GLYPHS;
    }
}

int32_t ScaleForDpi(int32_t pixels, uint32_t fromDpi, uint32_t toDpi) {
    if (fromDpi == 0) return pixels;
    const int64_t scaled = (int64_t)pixels * toDpi;
    const int64_t half = fromDpi / 2;
    const int64_t result = (scaled >= 0 ? scaled + half : scaled - half) / (int64_t)fromDpi;
    if (result > INT32_MAX) return INT32_MAX;
    if (result < INT32_MIN) return INT32_MIN;
    return (int32_t)result;
}

LayoutInput ScaleLayoutInput(const LayoutInput& in, uint32_t fromDpi, uint32_t toDpi) {
    LayoutInput out = in;
    out.gap = ScaleForDpi(in.gap, fromDpi, toDpi);
    out.action = {ScaleForDpi(in.action.width, fromDpi, toDpi), ScaleForDpi(in.action.height, fromDpi, toDpi)};
    out.close = {ScaleForDpi(in.close.width, fromDpi, toDpi), ScaleForDpi(in.close.height, fromDpi, toDpi)};
    return out;
}
