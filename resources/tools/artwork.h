// The program's artwork: the strip of 16x16 tree glyphs (bitmap 1114, kept
// as resources/glyphs.bmp, BI_RLE4) and the program icon (resources/ovrix.ico,
// 32x32 and 16x16, 16 colours). The pictures are drawn here from small
// character maps in the 16-colour standard palette; make_artwork writes the
// files and a unit test checks the committed files against this code.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <vector>

constexpr int kGlyphSize = 16;
constexpr int kGlyphCount = 50;
constexpr int kGlyphStripWidth = 813;  // 50 glyphs and 13 unused columns
constexpr uint8_t kTransparentIndex = 13;  // magenta, the image list's mask colour

struct PaletteColour {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

// The standard 16-colour palette, in the order Windows uses for 4-bpp DIBs.
inline const PaletteColour kStandardPalette[16] = {
    {0x00, 0x00, 0x00}, {0x80, 0x00, 0x00}, {0x00, 0x80, 0x00}, {0x80, 0x80, 0x00},
    {0x00, 0x00, 0x80}, {0x80, 0x00, 0x80}, {0x00, 0x80, 0x80}, {0xC0, 0xC0, 0xC0},
    {0x80, 0x80, 0x80}, {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0xFF, 0xFF, 0x00},
    {0x00, 0x00, 0xFF}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF}, {0xFF, 0xFF, 0xFF},
};

// Palette indexes, row 0 at the top.
struct PixelImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;
};

inline PixelImage MakeImage(int width, int height, uint8_t fill) {
    PixelImage image;
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * height, fill);
    return image;
}

inline uint8_t PixelAt(const PixelImage& image, int x, int y) {
    return image.pixels[static_cast<size_t>(y) * image.width + x];
}

inline void SetPixel(PixelImage& image, int x, int y, uint8_t index) {
    if (x < 0 || y < 0 || x >= image.width || y >= image.height) return;
    image.pixels[static_cast<size_t>(y) * image.width + x] = index;
}

// Character maps: '.' leaves the pixel as it is; 'X' takes the ink passed to
// PaintMap (for letters drawn in two colours); the others name palette entries.
inline int PaletteIndexOfChar(char c, uint8_t ink) {
    switch (c) {
    case 'K': return 0;   // black
    case 'r': return 1;   // dark red
    case 'g': return 2;   // green
    case 'o': return 3;   // olive
    case 'n': return 4;   // navy
    case 'p': return 5;   // purple
    case 't': return 6;   // teal
    case 's': return 7;   // silver
    case 'd': return 8;   // grey
    case 'R': return 9;   // red
    case 'G': return 10;  // lime
    case 'Y': return 11;  // yellow
    case 'B': return 12;  // blue
    case 'M': return 13;  // magenta: punches a transparent hole
    case 'C': return 14;  // cyan
    case 'W': return 15;  // white
    case 'X': return ink;
    default: return -1;
    }
}

struct CharMap {
    const char* const* rows;
    int rowCount;
};

template <size_t N>
constexpr CharMap Map(const char* const (&rows)[N]) {
    return CharMap{rows, static_cast<int>(N)};
}

// Paints a character map with its top left corner at (left, top) of glyph
// `glyph`; pixels outside the glyph's 16x16 cell are dropped.
inline void PaintMap(PixelImage& image, int glyph, int left, int top, CharMap map, uint8_t ink = 0) {
    for (int row = 0; row < map.rowCount; ++row) {
        const char* line = map.rows[row];
        for (int col = 0; line[col] != 0; ++col) {
            int index = PaletteIndexOfChar(line[col], ink);
            int x = left + col;
            int y = top + row;
            if (index < 0 || x < 0 || y < 0 || x >= kGlyphSize || y >= kGlyphSize) continue;
            SetPixel(image, glyph * kGlyphSize + x, y, static_cast<uint8_t>(index));
        }
    }
}

inline void CopyGlyph(PixelImage& image, int from, int to) {
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = 0; x < kGlyphSize; ++x)
            SetPixel(image, to * kGlyphSize + x, y, PixelAt(image, from * kGlyphSize + x, y));
}

// The "dithered" look of inherited entries: every other pixel, in a
// checkerboard, becomes transparent.
inline void DitherGlyph(PixelImage& image, int glyph) {
    for (int y = 0; y < kGlyphSize; ++y)
        for (int x = 0; x < kGlyphSize; ++x)
            if ((x + y) % 2 == 1) SetPixel(image, glyph * kGlyphSize + x, y, kTransparentIndex);
}

// --- Character maps ---------------------------------------------------------

inline const char* const kSmallSquareMap[] = {
    "................",
    "................",
    "................",
    "................",
    "................",
    ".....KKKKKK.....",
    ".....KKKKKK.....",
    ".....KKKKKK.....",
    ".....KKKKKK.....",
    ".....KKKKKK.....",
    ".....KKKKKK.....",
};

inline const char* const kPageMap[] = {
    "................",
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKWK....",
    "..KWWWWWWKWWK...",
    "..KWWWWWWKKKKK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KKKKKKKKKKKK..",
};

inline const char* const kFolderMap[] = {
    "................",
    "................",
    ".ooooo..........",
    "oYYYYYo.........",
    "oYYYYYYoooooooo.",
    "oYWWWWWWWWWWWYo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "oYYYYYYYYYYYYYo.",
    "ooooooooooooooo.",
};

inline const char* const kSmallFolderMap[] = {
    ".oooo.......",
    "oYYYYo......",
    "oYYYYYooooo.",
    "oYWWWWWWWWYo",
    "oYYYYYYYYYYo",
    "oYYYYYYYYYYo",
    "oYYYYYYYYYYo",
    "oYYYYYYYYYYo",
    "oooooooooooo",
};

inline const char* const kTinyFolderMap[] = {
    ".ooo....",
    "oYYYoooo",
    "oYYYYYYo",
    "oYYYYYYo",
    "oYYYYYYo",
    "oooooooo",
};

// An upper folder linked by a tree line to a folder below it.
inline const char* const kFolderLinkMap[] = {
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
    "..d.............",
    "..d.............",
    "..d.............",
    "..d.............",
    "..d.............",
    "..ddd...........",
};

inline const char* const kRingMap[] = {
    "................",
    "................",
    ".....dddddd.....",
    "...ddWWWWWWdd...",
    "...dWWWWWWWWd...",
    "..dWWWWWWWWWWd..",
    "..dWWWWWWWWWWd..",
    "..dWWWWWWWWWWd..",
    "..dWWWWWWWWWWd..",
    "..dWWWWWWWWWWd..",
    "..dWWWWWWWWWWd..",
    "...dWWWWWWWWd...",
    "...ddWWWWWWdd...",
    ".....dddddd.....",
};

inline const char* const kDotMap[] = {
    "KKKK",
    "KKKK",
    "KKKK",
    "KKKK",
};

inline const char* const kPlusBoxMap[] = {
    "................",
    "................",
    "..ddddddddddd...",
    "..dWWWWWWWWWd...",
    "..dWWWWKWWWWd...",
    "..dWWWWKWWWWd...",
    "..dWWWWKWWWWd...",
    "..dWKKKKKKKWd...",
    "..dWWWWKWWWWd...",
    "..dWWWWKWWWWd...",
    "..dWWWWKWWWWd...",
    "..dWWWWWWWWWd...",
    "..ddddddddddd...",
};

inline const char* const kMinusBoxMap[] = {
    "................",
    "................",
    "..ddddddddddd...",
    "..dWWWWWWWWWd...",
    "..dWWWWWWWWWd...",
    "..dWWWWWWWWWd...",
    "..dWWWWWWWWWd...",
    "..dWKKKKKKKWd...",
    "..dWWWWWWWWWd...",
    "..dWWWWWWWWWd...",
    "..dWWWWWWWWWd...",
    "..dWWWWWWWWWd...",
    "..ddddddddddd...",
};

inline const char* const kRaisedSquareMap[] = {
    "................",
    "................",
    "..WWWWWWWWWWWK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WsssssssssdK..",
    "..WddddddddddK..",
    "..KKKKKKKKKKKK..",
};

// A small pencil, point at the lower left; drawn twice as large for the
// pencil glyph and in the lower right corner of the "pencil-marked" glyphs.
inline const char* const kPencilMap[] = {
    "......KK",
    ".....KRK",
    "....KGGK",
    "...KGGK.",
    "..KGGK..",
    ".KYGK...",
    ".KYK....",
    ".K......",
};

inline const char* const kCheckBoxMap[] = {
    "................",
    "................",
    "..KKKKKKKKKKKK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KWWWWWWWWWWK..",
    "..KKKKKKKKKKKK..",
};

inline const char* const kTickMap[] = {
    "................",
    "................",
    "................",
    "................",
    "...........K....",
    "..........KK....",
    ".........KKK....",
    "....K...KKK.....",
    "....KK.KKK......",
    "....KKKKK.......",
    ".....KKK........",
    "......K.........",
};

inline const char* const kQuestionMap[] = {
    "................",
    ".....BBBBBB.....",
    "....BBBBBBBB....",
    "...BBB....BBB...",
    "...BBB....BBB...",
    "..........BBB...",
    ".........BBB....",
    "........BBB.....",
    ".......BBB......",
    "......BBB.......",
    "......BBB.......",
    "................",
    "......BBB.......",
    "......BBB.......",
};

inline const char* const kPeopleMap[] = {
    "................",
    ".........KKK....",
    "........KYYYK...",
    "........KYYYK...",
    "....KKK.KYYYK...",
    "...KYYYK.KKK....",
    "...KYYYKKBBBK...",
    "...KYYYKBBBBBK..",
    "....KKKKBBBBBBK.",
    "...KgggggKBBBBK.",
    "..KgggggggKBBBK.",
    ".KgggggggggKKKK.",
    ".KgggggggggK....",
    ".KgggggggggK....",
    ".KKKKKKKKKKK....",
};

inline const char* const kArrowsMap[] = {
    "................",
    "...g............",
    "..ggg.....rrr...",
    ".ggggg....rrr...",
    "ggggggg...rrr...",
    "..ggg.....rrr...",
    "..ggg.....rrr...",
    "..ggg.....rrr...",
    "..ggg.....rrr...",
    "..ggg.....rrr...",
    "..ggg.....rrr...",
    "..ggg...rrrrrrr.",
    "..ggg....rrrrr..",
    "..ggg.....rrr...",
    "...........r....",
};

inline const char* const kDiscMap[] = {
    "................",
    "......gggg......",
    "....gggggggg....",
    "...gGGggggggg...",
    "..gGGGGggggggg..",
    "..gGGGGggggggg..",
    ".gggGGGgggggggg.",
    ".gggggggggggggg.",
    ".gggggggggggggg.",
    ".gggggggggggggg.",
    "..gggggggggggg..",
    "..gggggggggggg..",
    "...gggggggggg...",
    "....gggggggg....",
    "......gggg......",
};

inline const char* const kSmallDiscMap[] = {
    "..ggg..",
    ".gGGGg.",
    "gGGGGGg",
    "gGGGGGg",
    "gGGGGGg",
    ".gGGGg.",
    "..ggg..",
};

inline const char* const kCrossMap[] = {
    "................",
    "................",
    "..rr........rr..",
    "..rrr......rrr..",
    "...rrr....rrr...",
    "....rrr..rrr....",
    ".....rrrrrr.....",
    "......rrrr......",
    "......rrrr......",
    ".....rrrrrr.....",
    "....rrr..rrr....",
    "...rrr....rrr...",
    "..rrr......rrr..",
    "..rr........rr..",
};

inline const char* const kSmallCrossMap[] = {
    "rr...rr",
    "rrr.rrr",
    ".rrrrr.",
    "..rrr..",
    ".rrrrr.",
    "rrr.rrr",
    "rr...rr",
};

inline const char* const kEyeMap[] = {
    "................",
    "................",
    "................",
    "................",
    "......KKKK......",
    "...KKKWWWWKKK...",
    "..KWWWBBBBWWWK..",
    ".KWWWBBKKBBWWWK.",
    "KWWWWBKKKKBWWWWK",
    ".KWWWBBKKBBWWWK.",
    "..KWWWBBBBWWWK..",
    "...KKKWWWWKKK...",
    "......KKKK......",
};

inline const char* const kLetterFMap[] = {
    "................",
    "................",
    "...XXXXXXXXXX...",
    "...XXXXXXXXXX...",
    "...XXX..........",
    "...XXX..........",
    "...XXX..........",
    "...XXXXXXXX.....",
    "...XXXXXXXX.....",
    "...XXX..........",
    "...XXX..........",
    "...XXX..........",
    "...XXX..........",
    "...XXX..........",
};

inline const char* const kLetterMMap[] = {
    "................",
    "................",
    ".XXX.......XXX..",
    ".XXXX.....XXXX..",
    ".XXXXX...XXXXX..",
    ".XXX.XX.XX.XXX..",
    ".XXX..XXX..XXX..",
    ".XXX...X...XXX..",
    ".XXX.......XXX..",
    ".XXX.......XXX..",
    ".XXX.......XXX..",
    ".XXX.......XXX..",
    ".XXX.......XXX..",
    ".XXX.......XXX..",
};

inline const char* const kLetterRMap[] = {
    "................",
    "................",
    "...XXXXXXXX.....",
    "...XXXXXXXXX....",
    "...XXX....XXX...",
    "...XXX....XXX...",
    "...XXX....XXX...",
    "...XXXXXXXXX....",
    "...XXXXXXXX.....",
    "...XXX..XXX.....",
    "...XXX...XXX....",
    "...XXX....XXX...",
    "...XXX....XXX...",
    "...XXX.....XXX..",
};

inline const char* const kPadlockMap[] = {
    "..KKK..",
    ".K...K.",
    ".K...K.",
    "KKKKKKK",
    "KsssssK",
    "KssKssK",
    "KssKssK",
    "KsssssK",
    "KKKKKKK",
};

// --- Glyphs -----------------------------------------------------------------

constexpr uint8_t kGreenInk = 2;
constexpr uint8_t kDarkRedInk = 1;

inline void PaintPencilMark(PixelImage& strip, int glyph) {
    PaintMap(strip, glyph, 8, 8, Map(kPencilMap));
}

// The large pencil is the small one at twice the size.
inline void PaintLargePencil(PixelImage& strip, int glyph) {
    CharMap map = Map(kPencilMap);
    for (int row = 0; row < map.rowCount; ++row)
        for (int col = 0; map.rows[row][col] != 0; ++col) {
            int index = PaletteIndexOfChar(map.rows[row][col], 0);
            if (index < 0) continue;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx)
                    SetPixel(strip, glyph * kGlyphSize + 2 * col + dx, 2 * row + dy, static_cast<uint8_t>(index));
        }
}

// A plain picture, its dithered twin right after it.
inline void PaintWithDitheredTwin(PixelImage& strip, int glyph, CharMap map, uint8_t ink = 0) {
    PaintMap(strip, glyph, 0, 0, map, ink);
    CopyGlyph(strip, glyph, glyph + 1);
    DitherGlyph(strip, glyph + 1);
}

// The folder pictures of the scope glyphs: `mark` is the green disc (allow)
// or the dark red cross (deny).
inline void PaintThisFolderGlyph(PixelImage& strip, int glyph, CharMap mark) {
    PaintMap(strip, glyph, 0, 1, Map(kSmallFolderMap));
    PaintMap(strip, glyph, 9, 9, mark);
    CopyGlyph(strip, glyph, glyph + 1);
    DitherGlyph(strip, glyph + 1);
}

inline void PaintContentsGlyph(PixelImage& strip, int glyph, CharMap mark) {
    PaintMap(strip, glyph, 0, 0, Map(kFolderLinkMap));
    PaintMap(strip, glyph, 0, 0, Map(kTinyFolderMap));
    PaintMap(strip, glyph, 6, 9, Map(kTinyFolderMap));
    PaintMap(strip, glyph, 9, 0, mark);
    CopyGlyph(strip, glyph, glyph + 1);
    DitherGlyph(strip, glyph + 1);
}

// Glyph k covers columns 16k to 16k+15; glyph 0 and the last 13 columns stay
// transparent.
inline PixelImage DrawGlyphStrip() {
    PixelImage strip = MakeImage(kGlyphStripWidth, kGlyphSize, kTransparentIndex);
    PaintMap(strip, 1, 0, 0, Map(kSmallSquareMap));
    PaintMap(strip, 2, 0, 0, Map(kPageMap));
    PaintMap(strip, 3, 0, 0, Map(kFolderMap));
    PaintMap(strip, 4, 0, 0, Map(kRingMap));
    PaintMap(strip, 5, 0, 0, Map(kRingMap));
    PaintMap(strip, 5, 6, 6, Map(kDotMap));
    PaintMap(strip, 6, 0, 0, Map(kPlusBoxMap));
    PaintMap(strip, 7, 0, 0, Map(kMinusBoxMap));
    PaintMap(strip, 8, 0, 0, Map(kRaisedSquareMap));
    PaintLargePencil(strip, 9);
    PaintMap(strip, 10, 0, 0, Map(kCheckBoxMap));
    CopyGlyph(strip, 10, 11);
    PaintPencilMark(strip, 11);
    PaintMap(strip, 12, 0, 0, Map(kCheckBoxMap));
    PaintMap(strip, 12, 0, 0, Map(kTickMap));
    CopyGlyph(strip, 12, 13);
    PaintPencilMark(strip, 13);
    PaintMap(strip, 14, 0, 0, Map(kQuestionMap));
    PaintWithDitheredTwin(strip, 15, Map(kPeopleMap));
    PaintMap(strip, 17, 0, 0, Map(kPeopleMap));
    PaintPencilMark(strip, 17);
    PaintWithDitheredTwin(strip, 18, Map(kArrowsMap));
    PaintMap(strip, 20, 0, 0, Map(kArrowsMap));
    PaintPencilMark(strip, 20);
    PaintWithDitheredTwin(strip, 21, Map(kDiscMap));
    PaintMap(strip, 23, 0, 0, Map(kDiscMap));
    PaintPencilMark(strip, 23);
    PaintWithDitheredTwin(strip, 24, Map(kCrossMap));
    PaintMap(strip, 26, 0, 0, Map(kCrossMap));
    PaintPencilMark(strip, 26);
    PaintWithDitheredTwin(strip, 27, Map(kEyeMap));
    PaintMap(strip, 29, 0, 0, Map(kEyeMap));
    PaintPencilMark(strip, 29);
    const CharMap letters[3] = {Map(kLetterFMap), Map(kLetterMMap), Map(kLetterRMap)};
    for (int i = 0; i < 3; ++i) {
        PaintWithDitheredTwin(strip, 30 + 4 * i, letters[i], kGreenInk);
        PaintWithDitheredTwin(strip, 32 + 4 * i, letters[i], kDarkRedInk);
    }
    PaintThisFolderGlyph(strip, 42, Map(kSmallDiscMap));
    PaintThisFolderGlyph(strip, 44, Map(kSmallCrossMap));
    PaintContentsGlyph(strip, 46, Map(kSmallDiscMap));
    PaintContentsGlyph(strip, 48, Map(kSmallCrossMap));
    return strip;
}

// The program icon: a folder with a padlock, drawn at 16x16; the 32x32 image
// is the same picture at twice the size.
inline PixelImage DrawIconImage(int size) {
    PixelImage small = MakeImage(kGlyphSize, kGlyphSize, kTransparentIndex);
    PaintMap(small, 0, 0, 1, Map(kFolderMap));
    PaintMap(small, 0, 9, 7, Map(kPadlockMap));
    if (size == kGlyphSize) return small;
    int scale = size / kGlyphSize;
    PixelImage large = MakeImage(size, size, kTransparentIndex);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) SetPixel(large, x, y, PixelAt(small, x / scale, y / scale));
    return large;
}

// --- File encoding ----------------------------------------------------------

inline void PutU16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

inline void PutU32(std::vector<uint8_t>& out, uint32_t value) {
    PutU16(out, value & 0xFFFF);
    PutU16(out, value >> 16);
}

inline void PutPalette(std::vector<uint8_t>& out) {
    for (const PaletteColour& c : kStandardPalette) {
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
}

inline void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, uint32_t compression, uint32_t imageSize) {
    PutU32(out, 40);
    PutU32(out, static_cast<uint32_t>(width));
    PutU32(out, static_cast<uint32_t>(height));
    PutU16(out, 1);  // planes
    PutU16(out, 4);  // bits per pixel
    PutU32(out, compression);
    PutU32(out, imageSize);
    PutU32(out, 0);   // pixels per metre, x and y
    PutU32(out, 0);
    PutU32(out, 16);  // colours used
    PutU32(out, 0);
}

// Length of the run at `x` that encoded mode can express: two pixels that
// alternate (a, b, a, b, ...), one pixel repeated being the case a == b.
inline int AlternatingRunLength(const uint8_t* row, int x, int width) {
    int length = 1;
    while (x + length < width && length < 255 && (length < 2 || row[x + length] == row[x + length - 2])) ++length;
    return length;
}

// BI_RLE4: rows bottom-up, each ended by an end-of-line escape (0, 0) except
// the last, which the end-of-bitmap escape (0, 1) ends. Runs of alternating
// pixels use encoded mode (count, two nibbles); stretches without such runs
// use absolute mode (0, count >= 3, packed nibbles padded to a 16-bit
// boundary).
inline std::vector<uint8_t> EncodeRle4(const PixelImage& image) {
    constexpr int kMinEncodedRun = 4;
    std::vector<uint8_t> out;
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t* row = &image.pixels[static_cast<size_t>(y) * image.width];
        int x = 0;
        while (x < image.width) {
            int run = AlternatingRunLength(row, x, image.width);
            if (run >= kMinEncodedRun || x + run == image.width) {
                uint8_t second = run > 1 ? row[x + 1] : row[x];
                out.push_back(static_cast<uint8_t>(run));
                out.push_back(static_cast<uint8_t>(row[x] << 4 | second));
                x += run;
                continue;
            }
            int end = x;
            while (end < image.width && end - x < 255 && AlternatingRunLength(row, end, image.width) < kMinEncodedRun)
                ++end;
            int count = end - x;
            if (count < 3) {
                // Absolute mode needs at least three pixels; two fit one encoded pair.
                uint8_t second = count > 1 ? row[x + 1] : row[x];
                out.push_back(static_cast<uint8_t>(count));
                out.push_back(static_cast<uint8_t>(row[x] << 4 | second));
                x += count;
                continue;
            }
            out.push_back(0);
            out.push_back(static_cast<uint8_t>(count));
            int bytes = (count + 1) / 2;
            for (int i = 0; i < bytes; ++i) {
                uint8_t high = row[x + 2 * i];
                uint8_t low = 2 * i + 1 < count ? row[x + 2 * i + 1] : 0;
                out.push_back(static_cast<uint8_t>(high << 4 | low));
            }
            if (bytes % 2 == 1) out.push_back(0);
            x = end;
        }
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0);
    }
    return out;
}

inline std::vector<uint8_t> GlyphStripBmpFile() {
    PixelImage strip = DrawGlyphStrip();
    std::vector<uint8_t> data = EncodeRle4(strip);
    constexpr uint32_t kPixelOffset = 14 + 40 + 16 * 4;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    PutU32(out, kPixelOffset + static_cast<uint32_t>(data.size()));
    PutU32(out, 0);
    PutU32(out, kPixelOffset);
    PutInfoHeader(out, strip.width, strip.height, 2 /* BI_RLE4 */, static_cast<uint32_t>(data.size()));
    PutPalette(out);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// One icon image: header (height doubled for the mask), palette, 4-bpp
// colour bits and the 1-bpp AND mask, both bottom-up with rows padded to 32
// bits. Transparent pixels are black in the colour bits and set in the mask.
inline std::vector<uint8_t> IconImageData(const PixelImage& image) {
    int colourStride = (image.width * 4 + 31) / 32 * 4;
    int maskStride = (image.width + 31) / 32 * 4;
    std::vector<uint8_t> out;
    PutInfoHeader(out, image.width, image.height * 2, 0 /* BI_RGB */,
                  static_cast<uint32_t>((colourStride + maskStride) * image.height));
    PutPalette(out);
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<uint8_t> line(colourStride, 0);
        for (int x = 0; x < image.width; ++x) {
            uint8_t index = PixelAt(image, x, y);
            if (index == kTransparentIndex) index = 0;
            line[x / 2] |= static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
        out.insert(out.end(), line.begin(), line.end());
    }
    for (int y = image.height - 1; y >= 0; --y) {
        std::vector<uint8_t> line(maskStride, 0);
        for (int x = 0; x < image.width; ++x)
            if (PixelAt(image, x, y) == kTransparentIndex) line[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
        out.insert(out.end(), line.begin(), line.end());
    }
    return out;
}

inline std::vector<uint8_t> IconFile() {
    const int sizes[2] = {32, 16};
    std::vector<uint8_t> images[2] = {IconImageData(DrawIconImage(sizes[0])), IconImageData(DrawIconImage(sizes[1]))};
    std::vector<uint8_t> out;
    PutU16(out, 0);  // reserved
    PutU16(out, 1);  // icon
    PutU16(out, 2);  // image count
    uint32_t offset = 6 + 2 * 16;
    for (int i = 0; i < 2; ++i) {
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(16);  // colours
        out.push_back(0);
        PutU16(out, 1);  // planes
        PutU16(out, 4);  // bits per pixel
        PutU32(out, static_cast<uint32_t>(images[i].size()));
        PutU32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const std::vector<uint8_t>& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}
