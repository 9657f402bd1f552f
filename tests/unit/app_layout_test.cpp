#include <gtest/gtest.h>

#include "app/layout.h"

namespace {
LayoutInput Input(int32_t w, int32_t h) {
    LayoutInput in;
    in.clientWidth = w;
    in.clientHeight = h;
    in.gap = 6;
    in.action = {75, 16};
    in.close = {75, 16};
    return in;
}
}  // namespace

TEST(MainLayout, TreeTakesTwoThirdsThenLogThenButtonRow) {
    LayoutResult r = LayoutMainDialog(Input(400, 401));
    EXPECT_EQ(r.treeWidth, 400);
    EXPECT_EQ(r.treeHeight, 267);            // 802 / 3, truncated
    EXPECT_EQ(r.logTop, 273);
    EXPECT_EQ(r.logHeight, 401 - 267 - 18 - 16);
    EXPECT_EQ(r.buttonTop, r.logTop + r.logHeight + 6);
    EXPECT_EQ(r.buttonTop + 16 + 6, 401);    // a gap below the buttons
    EXPECT_EQ(r.actionLeft, 83);             // (400 - 150) / 3
    EXPECT_EQ(r.closeLeft, 75 + 2 * 83);
}

TEST(MainLayout, ClampsTheLogAndTheSpacing) {
    LayoutResult small = LayoutMainDialog(Input(100, 30));
    EXPECT_EQ(small.treeHeight, 20);
    EXPECT_EQ(small.logHeight, 1);
    EXPECT_EQ(small.buttonTop, 20 + 6 + 1 + 6);   // below the window's bottom edge
    EXPECT_EQ(small.actionLeft, 0);
    EXPECT_EQ(small.closeLeft, 75);               // right after the hidden Action button

    LayoutResult exact = LayoutMainDialog(Input(152, 60));   // (152 - 150) / 3 truncates to 0
    EXPECT_EQ(exact.closeLeft, 75);
    LayoutResult zero = LayoutMainDialog(Input(0, 0));
    EXPECT_EQ(zero.treeHeight, 0);
    EXPECT_EQ(zero.logHeight, 1);
}
