// The committed glyph strip and icon are what the generator draws now, and
// the glyphs are distinct, recognisable pictures. (Windows' own decoding of
// the strip is checked by the Windows resource test.)
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "resources/tools/artwork.h"

namespace {

std::vector<uint8_t> ReadSourceFile(const char* relative) {
    std::ifstream file(std::string(OVRIX_SOURCE_DIR) + "/" + relative, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// The pixels of one glyph, or of its columns left to right - 1.
std::vector<uint8_t> Glyph(const PixelImage& strip, int glyph, int left = 0, int right = kGlyphSize) {
    std::vector<uint8_t> pixels;
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = left; x < right; ++x) pixels.push_back(PixelAt(strip, glyph * kGlyphSize + x, y));
    return pixels;
}

int CountColour(const PixelImage& strip, int glyph, int left, int right, uint8_t index) {
    std::vector<uint8_t> pixels = Glyph(strip, glyph, left, right);
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), index));
}

}  // namespace

TEST(ResourcesArtwork, CommittedFilesMatchTheGenerator) {
    std::vector<uint8_t> bmp = ReadSourceFile("resources/glyphs.bmp");
    ASSERT_FALSE(bmp.empty());
    EXPECT_TRUE(bmp == GlyphStripBmpFile()) << "run make_artwork and commit resources/glyphs.bmp";
    EXPECT_TRUE(ReadSourceFile("resources/ovrix.ico") == IconFile())
        << "run make_artwork and commit resources/ovrix.ico";
}

TEST(ResourcesArtwork, GlyphsShowDistinctPicturesInTheirColours) {
    PixelImage strip = DrawGlyphStrip();
    // Glyph 0 and the 13 columns after the last glyph are see-through.
    EXPECT_EQ(Glyph(strip, 0), std::vector<uint8_t>(kGlyphSize * kGlyphSize, kTransparentIndex));
    EXPECT_EQ(Glyph(strip, kGlyphCount, 0, 13), std::vector<uint8_t>(kGlyphSize * 13, kTransparentIndex));
    for (int a = 0; a < kGlyphCount; ++a)
        for (int b = a + 1; b < kGlyphCount; ++b) EXPECT_NE(Glyph(strip, a), Glyph(strip, b)) << a << " and " << b;
    // Glyph 18: green up arrow on the left, dark red down arrow on the right.
    EXPECT_GT(std::min(CountColour(strip, 18, 0, 8, 2), CountColour(strip, 18, 8, 16, 1)), 20);
    EXPECT_EQ(CountColour(strip, 18, 0, 8, 1) + CountColour(strip, 18, 8, 16, 2), 0);
    // Allow pictures are green, deny pictures dark red.
    for (int glyph : {21, 30, 34, 38, 42, 46}) EXPECT_GT(CountColour(strip, glyph, 0, 16, 2), 10) << glyph;
    for (int glyph : {24, 32, 36, 40, 44, 48}) EXPECT_GT(CountColour(strip, glyph, 0, 16, 1), 10) << glyph;
}
