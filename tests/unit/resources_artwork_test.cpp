// The committed glyph strip and icon are what the generator draws now, and
// the strip is a well-formed BI_RLE4 bitmap that decodes to those pixels.
#include <gtest/gtest.h>
#include <stdio.h>

#include <random>
#include <string>
#include <vector>

#include "resources/tools/artwork.h"

namespace {

std::vector<uint8_t> ReadSourceFile(const char* relative) {
    std::string path = std::string(OVRIX_SOURCE_DIR) + "/" + relative;
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file) return bytes;
    uint8_t chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(file);
    return bytes;
}

uint32_t U16(const std::vector<uint8_t>& b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t U32(const std::vector<uint8_t>& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

constexpr uint8_t kUnset = 0xFF;

// A strict BI_RLE4 reader: runs may not cross a row, absolute runs hold at
// least three pixels and are padded to 16 bits, every row but the last ends
// with end-of-line and the data ends with end-of-bitmap and nothing after it.
// Pixels come out top row first.
bool DecodeRle4(const uint8_t* data, size_t size, int width, int height, std::vector<uint8_t>* pixels,
                std::string* why) {
    pixels->assign(static_cast<size_t>(width) * height, kUnset);
    size_t at = 0;
    int x = 0;
    int line = 0;  // from the bottom
    auto put = [&](uint8_t index) {
        if (x >= width || line >= height) return false;
        (*pixels)[static_cast<size_t>(height - 1 - line) * width + x++] = index;
        return true;
    };
    while (at + 2 <= size) {
        uint8_t first = data[at];
        uint8_t second = data[at + 1];
        at += 2;
        if (first > 0) {
            for (int i = 0; i < first; ++i)
                if (!put(i % 2 == 0 ? second >> 4 : second & 15)) return *why = "encoded run past the row", false;
            continue;
        }
        if (second == 0) {
            if (x != width) return *why = "end of line before the row is full", false;
            x = 0;
            ++line;
            continue;
        }
        if (second == 1) {
            if (x != width || line != height - 1) return *why = "end of bitmap before the last pixel", false;
            if (at != size) return *why = "bytes after end of bitmap", false;
            return true;
        }
        if (second == 2) return *why = "delta escape (not written by the encoder)", false;
        size_t bytes = (second + 1) / 2;
        size_t padded = bytes + bytes % 2;
        if (at + padded > size) return *why = "absolute run past the data", false;
        for (int i = 0; i < second; ++i) {
            uint8_t packed = data[at + i / 2];
            if (!put(i % 2 == 0 ? packed >> 4 : packed & 15)) return *why = "absolute run past the row", false;
        }
        at += padded;
    }
    return *why = "no end of bitmap", false;
}

bool RoundTrips(const PixelImage& image, std::string* why) {
    std::vector<uint8_t> data = EncodeRle4(image);
    std::vector<uint8_t> decoded;
    if (!DecodeRle4(data.data(), data.size(), image.width, image.height, &decoded, why)) return false;
    if (decoded != image.pixels) return *why = "decoded pixels differ", false;
    return true;
}

bool GlyphIsBlank(const PixelImage& strip, int glyph) {
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = 0; x < kGlyphSize; ++x)
            if (PixelAt(strip, glyph * kGlyphSize + x, y) != kTransparentIndex) return false;
    return true;
}

bool GlyphsEqual(const PixelImage& strip, int a, int b) {
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = 0; x < kGlyphSize; ++x)
            if (PixelAt(strip, a * kGlyphSize + x, y) != PixelAt(strip, b * kGlyphSize + x, y)) return false;
    return true;
}

int CountColour(const PixelImage& strip, int glyph, int left, int right, uint8_t index) {
    int count = 0;
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = left; x < right; ++x) count += PixelAt(strip, glyph * kGlyphSize + x, y) == index;
    return count;
}

}  // namespace

TEST(ResourcesArtwork, CommittedFilesMatchTheGenerator) {
    std::vector<uint8_t> bmp = ReadSourceFile("resources/glyphs.bmp");
    std::vector<uint8_t> ico = ReadSourceFile("resources/ovrix.ico");
    ASSERT_FALSE(bmp.empty());
    ASSERT_FALSE(ico.empty());
    EXPECT_TRUE(bmp == GlyphStripBmpFile()) << "run make_artwork and commit resources/glyphs.bmp";
    EXPECT_TRUE(ico == IconFile()) << "run make_artwork and commit resources/ovrix.ico";
}

TEST(ResourcesArtwork, GlyphStripFileIsA16ColourRle4BitmapOfTheDrawnPixels) {
    std::vector<uint8_t> bmp = GlyphStripBmpFile();
    ASSERT_GE(bmp.size(), 118u);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(U32(bmp, 2), bmp.size());
    uint32_t pixelOffset = U32(bmp, 10);
    EXPECT_EQ(pixelOffset, 14u + 40 + 64);
    EXPECT_EQ(U32(bmp, 14), 40u);
    EXPECT_EQ(U32(bmp, 18), 813u);
    EXPECT_EQ(U32(bmp, 22), 16u);  // positive: bottom-up, as RLE requires
    EXPECT_EQ(U16(bmp, 26), 1u);
    EXPECT_EQ(U16(bmp, 28), 4u);
    EXPECT_EQ(U32(bmp, 30), 2u);  // BI_RLE4
    EXPECT_EQ(U32(bmp, 34), bmp.size() - pixelOffset);
    EXPECT_EQ(U32(bmp, 46), 16u);

    const uint32_t standard[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                                   0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    for (int i = 0; i < 16; ++i) {
        size_t at = 54 + 4 * i;
        uint32_t rgb = bmp[at + 2] << 16 | bmp[at + 1] << 8 | bmp[at];
        EXPECT_EQ(rgb, standard[i]) << "palette entry " << i;
    }
    EXPECT_EQ(standard[kTransparentIndex], 0xFF00FFu);

    std::vector<uint8_t> decoded;
    std::string why;
    ASSERT_TRUE(DecodeRle4(bmp.data() + pixelOffset, bmp.size() - pixelOffset, 813, 16, &decoded, &why)) << why;
    EXPECT_TRUE(decoded == DrawGlyphStrip().pixels);
}

TEST(ResourcesArtwork, EncoderRoundTripsAwkwardImages) {
    std::string why;
    std::mt19937 random(7);
    const int widths[] = {1, 2, 3, 4, 5, 7, 255, 256, 257, 300, 813};
    for (int width : widths) {
        PixelImage noise = MakeImage(width, 5, 0);
        PixelImage fewColours = MakeImage(width, 5, 0);
        PixelImage alternating = MakeImage(width, 5, 0);
        PixelImage flat = MakeImage(width, 5, 9);
        for (size_t i = 0; i < noise.pixels.size(); ++i) {
            noise.pixels[i] = static_cast<uint8_t>(random() % 16);
            fewColours.pixels[i] = static_cast<uint8_t>(random() % 3 == 0 ? 13 : random() % 2);
            alternating.pixels[i] = static_cast<uint8_t>(i % 2 == 0 ? 15 : 0);
        }
        EXPECT_TRUE(RoundTrips(noise, &why)) << "noise, width " << width << ": " << why;
        EXPECT_TRUE(RoundTrips(fewColours, &why)) << "few colours, width " << width << ": " << why;
        EXPECT_TRUE(RoundTrips(alternating, &why)) << "alternating, width " << width << ": " << why;
        EXPECT_TRUE(RoundTrips(flat, &why)) << "flat, width " << width << ": " << why;
    }
    // Short stretches between long runs: literal pieces of one, two and three pixels.
    PixelImage pieces = MakeImage(40, 1, 13);
    const uint8_t pattern[] = {1, 13, 13, 13, 13, 2, 3, 13, 13, 13, 13, 4, 5, 6, 13, 13, 13, 13, 13, 7};
    for (size_t i = 0; i < sizeof pattern; ++i) pieces.pixels[i] = pattern[i];
    EXPECT_TRUE(RoundTrips(pieces, &why)) << why;
}

TEST(ResourcesArtwork, GlyphsShowDistinctPicturesWithTheirVariants) {
    PixelImage strip = DrawGlyphStrip();
    EXPECT_TRUE(GlyphIsBlank(strip, 0));
    for (int x = kGlyphCount * kGlyphSize; x < kGlyphStripWidth; ++x)
        for (int y = 0; y < kGlyphSize; ++y) EXPECT_EQ(PixelAt(strip, x, y), kTransparentIndex) << x << "," << y;
    for (int a = 1; a < kGlyphCount; ++a) {
        EXPECT_FALSE(GlyphIsBlank(strip, a)) << "glyph " << a;
        for (int b = a + 1; b < kGlyphCount; ++b) EXPECT_FALSE(GlyphsEqual(strip, a, b)) << a << " and " << b;
    }

    // Dithered twins keep a checkerboard half of the plain picture.
    const int dithered[] = {16, 19, 22, 25, 28, 31, 33, 35, 37, 39, 41, 43, 45, 47, 49};
    for (int glyph : dithered) {
        int plain = glyph - 1;
        for (int y = 0; y < kGlyphSize; ++y)
            for (int x = 0; x < kGlyphSize; ++x) {
                uint8_t expected = (x + y) % 2 ? kTransparentIndex : PixelAt(strip, plain * kGlyphSize + x, y);
                ASSERT_EQ(PixelAt(strip, glyph * kGlyphSize + x, y), expected) << "glyph " << glyph;
            }
    }
    // Pencil-marked variants: the plain picture outside the pencil's corner.
    const int marked[][2] = {{11, 10}, {13, 12}, {17, 15}, {20, 18}, {23, 21}, {26, 24}, {29, 27}};
    for (const auto& pair : marked)
        for (int y = 0; y < kGlyphSize; ++y)
            for (int x = 0; x < 8; ++x)
                ASSERT_EQ(PixelAt(strip, pair[0] * kGlyphSize + x, y), PixelAt(strip, pair[1] * kGlyphSize + x, y))
                    << "glyph " << pair[0];

    // Glyph 18: green up arrow on the left, dark red down arrow on the right.
    EXPECT_GT(CountColour(strip, 18, 0, 8, 2), 20);
    EXPECT_EQ(CountColour(strip, 18, 0, 8, 1), 0);
    EXPECT_GT(CountColour(strip, 18, 8, 16, 1), 20);
    EXPECT_EQ(CountColour(strip, 18, 8, 16, 2), 0);
    // Allow pictures are green, deny pictures dark red.
    for (int glyph : {21, 30, 34, 38, 42, 46}) EXPECT_GT(CountColour(strip, glyph, 0, 16, 2), 10) << glyph;
    for (int glyph : {24, 32, 36, 40, 44, 48}) EXPECT_GT(CountColour(strip, glyph, 0, 16, 1), 10) << glyph;
}

TEST(ResourcesArtwork, IconHoldsA32And16Pixel16ColourImageWithMasks) {
    std::vector<uint8_t> ico = IconFile();
    ASSERT_GE(ico.size(), 38u);
    EXPECT_EQ(U16(ico, 0), 0u);
    EXPECT_EQ(U16(ico, 2), 1u);
    ASSERT_EQ(U16(ico, 4), 2u);
    const int sizes[2] = {32, 16};
    size_t expectedOffset = 38;
    for (int i = 0; i < 2; ++i) {
        size_t entry = 6 + 16 * i;
        int size = sizes[i];
        EXPECT_EQ(ico[entry], size);
        EXPECT_EQ(ico[entry + 1], size);
        EXPECT_EQ(ico[entry + 2], 16);
        EXPECT_EQ(U16(ico, entry + 6), 4u);
        uint32_t bytes = U32(ico, entry + 8);
        uint32_t offset = U32(ico, entry + 12);
        EXPECT_EQ(offset, expectedOffset);
        expectedOffset += bytes;
        ASSERT_LE(offset + bytes, ico.size());
        EXPECT_EQ(U32(ico, offset + 4), static_cast<uint32_t>(size));
        EXPECT_EQ(U32(ico, offset + 8), static_cast<uint32_t>(2 * size));
        EXPECT_EQ(U16(ico, offset + 14), 4u);
        size_t colourStride = (size * 4 + 31) / 32 * 4;
        size_t maskStride = (size + 31) / 32 * 4;
        EXPECT_EQ(bytes, 40 + 64 + (colourStride + maskStride) * size);

        // Mask bit set exactly where the picture is transparent (rows bottom-up).
        PixelImage image = DrawIconImage(size);
        size_t colour = offset + 40 + 64;
        size_t mask = colour + colourStride * size;
        int transparent = 0;
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x) {
                size_t row = static_cast<size_t>(size - 1 - y);
                bool masked = ico[mask + row * maskStride + x / 8] & (0x80 >> (x % 8));
                uint8_t nibble = ico[colour + row * colourStride + x / 2] >> (x % 2 ? 0 : 4) & 15;
                bool clear = PixelAt(image, x, y) == kTransparentIndex;
                transparent += clear;
                ASSERT_EQ(masked, clear) << size << ": " << x << "," << y;
                ASSERT_EQ(nibble, clear ? 0 : PixelAt(image, x, y)) << size << ": " << x << "," << y;
            }
        EXPECT_GT(transparent, 0);
        EXPECT_LT(transparent, size * size / 2);
    }
    EXPECT_EQ(expectedOffset, ico.size());
}
