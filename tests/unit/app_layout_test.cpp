#include <gtest/gtest.h>

#include "app/layout.h"
#include "resources/resource_ids.h"

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

TEST(DpiLayout, GlyphSizeIsTheLargestDrawnSizeTheDpiReaches) {
    const struct {
        uint32_t dpi;
        int32_t size;
    } cases[] = {{0, 16},    {96, 16},   {119, 16},  {120, 20},  {143, 20},  {144, 24},
                 {168, 24},  {191, 24},  {192, 32},  {288, 32},  {65535, 32}};
    for (const auto& c : cases) EXPECT_EQ(GlyphSizeForDpi(c.dpi), c.size) << c.dpi;
    std::vector<int> strips;
    for (int32_t size : {16, 20, 24, 32}) strips.push_back(GlyphStripResource(size));
    EXPECT_EQ(strips, (std::vector<int>{IDB_GLYPHS, IDB_GLYPHS_20, IDB_GLYPHS_24, IDB_GLYPHS_32}));
}

TEST(DpiLayout, MarginsAndButtonsScaleAndTheSplitFollowsTheWindow) {
    const LayoutInput at96 = Input(400, 401);
    // Same DPI: nothing moves.
    LayoutInput same = ScaleLayoutInput(at96, 96, 96);
    EXPECT_EQ(std::vector<int32_t>({same.gap, same.action.width, same.close.height}), std::vector<int32_t>({6, 75, 16}));
    // Twice the DPI and a window twice the size: every position doubles.
    LayoutInput at192 = ScaleLayoutInput(at96, 96, 192);
    at192.clientWidth = 800;
    at192.clientHeight = 802;
    LayoutResult small = LayoutMainDialog(at96), large = LayoutMainDialog(at192);
    EXPECT_EQ(std::vector<int32_t>({large.treeHeight, large.logTop, large.logHeight, large.buttonTop, large.actionLeft,
                                    large.closeLeft}),
              std::vector<int32_t>({2 * small.treeHeight, 2 * small.logTop, 2 * small.logHeight, 2 * small.buttonTop,
                                    2 * small.actionLeft, 2 * small.closeLeft}));
    // 150 % rounds to the nearest pixel, and back again gives the start.
    EXPECT_EQ(ScaleForDpi(7, 96, 144), 11);
    EXPECT_EQ(ScaleForDpi(-7, 96, 144), -11);
    LayoutInput back = ScaleLayoutInput(ScaleLayoutInput(at96, 96, 144), 144, 96);
    EXPECT_EQ(std::vector<int32_t>({back.gap, back.action.width, back.action.height, back.close.width}),
              std::vector<int32_t>({6, 75, 16, 75}));
    // Whatever a message claims, the arithmetic stays in range.
    EXPECT_EQ(ScaleForDpi(INT32_MAX, 1, 65535), INT32_MAX);
    EXPECT_EQ(ScaleForDpi(INT32_MIN, 1, 65535), INT32_MIN);
    EXPECT_EQ(ScaleForDpi(12, 0, 192), 12);
}
