// The committed glyph strip and icon are what the generator draws now, and
// the glyphs are distinct, recognisable pictures. (Windows' own decoding of
// the strip is checked by the Windows resource test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/tools/glyph_shapes.h"

namespace {

std::vector<uint8_t> ReadSourceFile(const char* relative) {
    std::ifstream file(std::string(OVRIX_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The pixels of one glyph, or of its columns left to right - 1 (on the
// 16-unit grid of every strip, whose glyphs are as high as the strip).
std::vector<uint8_t> Glyph(const PixelImage& strip, int glyph, int left = 0, int right = kGlyphSize) {
    const int size = strip.height;
    std::vector<uint8_t> pixels;
    for (int y = 0; y < size; ++y)
        for (int x = left * size / kGlyphSize; x < right * size / kGlyphSize; ++x)
            pixels.push_back(PixelAt(strip, glyph * size + x, y));
    return pixels;
}

// How many pixels of the colour, counted in 16-pixel glyphs' worth.
int CountColour(const PixelImage& strip, int glyph, int left, int right, uint8_t index) {
    std::vector<uint8_t> pixels = Glyph(strip, glyph, left, right);
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), index)) * kGlyphSize * kGlyphSize /
           (strip.height * strip.height);
}

constexpr uint8_t kBlackIndex = 0;

}  // namespace

TEST(ResourcesArtwork, CommittedFilesMatchTheGenerator) {
    for (int size : kGlyphSizes) {
        const std::string name = "resources/" + GlyphStripFileName(size);
        std::vector<uint8_t> bmp = ReadSourceFile(name.c_str());
        ASSERT_FALSE(bmp.empty()) << name;
        EXPECT_TRUE(bmp == GlyphStripBmpFile(size)) << "run make_artwork and commit " << name;
    }
    EXPECT_TRUE(ReadSourceFile("resources/ovrix.ico") == IconFile())
        << "run make_artwork and commit resources/ovrix.ico";
}

TEST(ResourcesArtwork, GlyphsShowDistinctPicturesInTheirColoursAtEverySize) {
    for (int size : kGlyphSizes) {
        SCOPED_TRACE(size);
        PixelImage strip = DrawGlyphStripOfSize(size);
        ASSERT_EQ(strip.height, size);
        // Glyph 0 is see-through; so are the 13 columns after the last 16-pixel glyph.
        EXPECT_EQ(Glyph(strip, 0), std::vector<uint8_t>(size * size, kTransparentIndex));
        if (size == kGlyphSize)
            EXPECT_EQ(Glyph(strip, kGlyphCount, 0, 13), std::vector<uint8_t>(kGlyphSize * 13, kTransparentIndex));
        else
            EXPECT_EQ(strip.width, kGlyphCount * size);
        for (int a = 0; a < kGlyphCount; ++a)
            for (int b = a + 1; b < kGlyphCount; ++b) EXPECT_NE(Glyph(strip, a), Glyph(strip, b)) << a << " and " << b;
        // Glyph 18: green up arrow on the left, dark red down arrow on the right.
        EXPECT_GT(std::min(CountColour(strip, 18, 0, 8, 2), CountColour(strip, 18, 8, 16, 1)), 20);
        EXPECT_EQ(CountColour(strip, 18, 0, 8, 1) + CountColour(strip, 18, 8, 16, 2), 0);
        // Allow pictures are green, deny pictures dark red.
        for (int glyph : {21, 30, 34, 38, 42, 46}) EXPECT_GT(CountColour(strip, glyph, 0, 16, 2), 10) << glyph;
        for (int glyph : {24, 32, 36, 40, 44, 48}) EXPECT_GT(CountColour(strip, glyph, 0, 16, 1), 10) << glyph;
        // Drawn for the size, not blown up: the check box's edge is one pixel
        // wide, so its middle row holds two black pixels.
        std::vector<uint8_t> box = Glyph(strip, 10);
        EXPECT_EQ(std::count(box.begin() + size * size / 2, box.begin() + size * (size / 2 + 1), kBlackIndex), 2);
    }
}
