#include "app/layout.h"

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
