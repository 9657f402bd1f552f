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
