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

TEST(MainLayout, InvariantsOverManySizes) {
    for (int32_t w : {0, 1, 100, 149, 150, 152, 400, 1920})
        for (int32_t h : {0, 1, 30, 60, 401, 1080}) {
            LayoutInput in = Input(w, h);
            LayoutResult r = LayoutMainDialog(in);
            SCOPED_TRACE(testing::Message() << w << "x" << h);
            EXPECT_EQ(r.treeWidth, w);
            EXPECT_EQ(r.logWidth, w);
            EXPECT_TRUE(r.treeHeight <= 2 * h / 3 + 1 && 3 * r.treeHeight + 3 > 2 * h) << r.treeHeight;
            EXPECT_EQ(r.logTop - r.treeHeight, in.gap);                 // the gap is kept
            EXPECT_GE(r.logHeight, 1);
            EXPECT_EQ(r.buttonTop - (r.logTop + r.logHeight), in.gap);
            EXPECT_GE(r.actionLeft, 0);                                   // space is never negative
            EXPECT_EQ(r.closeLeft, in.action.width + 2 * r.actionLeft);  // Close follows Action by one space
            if (r.logHeight > 1) {   // unclamped: the button row ends one gap above the bottom
                EXPECT_EQ(r.buttonTop + in.close.height + in.gap, h);
            }
        }
}

TEST(MainLayout, OneKnownGoodLayout) {
    LayoutResult r = LayoutMainDialog(Input(400, 401));
    EXPECT_EQ(r.treeHeight, 267);
    EXPECT_EQ(r.logTop, 273);
    EXPECT_EQ(r.logHeight, 100);
    EXPECT_EQ(r.buttonTop, 379);
    EXPECT_EQ(r.actionLeft, 83);
    EXPECT_EQ(r.closeLeft, 241);
}
