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
// `glyph`, each character as a scale x scale square; pixels outside the
// glyph's 16x16 cell are dropped. A row that starts with a count n ("8..KW")
// stands for n equal rows.
inline void PaintMap(PixelImage& image, int glyph, int left, int top, CharMap map, uint8_t ink = 0, int scale = 1) {
    int y = top;
    for (int row = 0; row < map.rowCount; ++row) {
        const char* line = map.rows[row];
        int repeat = 0;
        for (; *line >= '0' && *line <= '9'; ++line) repeat = repeat * 10 + (*line - '0');
        for (int copy = 0; copy < (repeat > 0 ? repeat : 1); ++copy, y += scale)
            for (int col = 0; line[col] != 0; ++col) {
                int index = PaletteIndexOfChar(line[col], ink);
                for (int cell = 0; index >= 0 && cell < scale * scale; ++cell) {
                    int x = left + col * scale + cell % scale;
                    int cellY = y + cell / scale;
                    if (x < 0 || cellY < 0 || x >= kGlyphSize || cellY >= kGlyphSize) continue;
                    SetPixel(image, glyph * kGlyphSize + x, cellY, static_cast<uint8_t>(index));
                }
            }
    }
}

inline void CopyGlyph(PixelImage& image, int from, int to, int size = kGlyphSize) {
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) SetPixel(image, to * size + x, y, PixelAt(image, from * size + x, y));
}

// The "dithered" look of inherited entries: every other pixel, in a
// checkerboard, becomes transparent.
inline void DitherGlyph(PixelImage& image, int glyph, int size = kGlyphSize) {
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if ((x + y) % 2 == 1) SetPixel(image, glyph * size + x, y, kTransparentIndex);
}

// --- Character maps ---------------------------------------------------------

inline const char* const kSmallSquareMap[] = {
    "5................",
    "6.....KKKKKK.....",
};

inline const char* const kPageMap[] = {
    "................",
    "..KKKKKKKK......",
    "..KWWWWWWKK.....",
    "..KWWWWWWKWK....",
    "..KWWWWWWKWWK...",
    "..KWWWWWWKKKKK..",
    "8..KWWWWWWWWWWK..",
    "..KKKKKKKKKKKK..",
};

inline const char* const kFolderMap[] = {
    "2................",
    ".ooooo..........",
    "oYYYYYo.........",
    "oYYYYYYoooooooo.",
    "oYWWWWWWWWWWWYo.",
    "7oYYYYYYYYYYYYYo.",
    "ooooooooooooooo.",
};

inline const char* const kSmallFolderMap[] = {
    ".oooo.......",
    "oYYYYo......",
    "oYYYYYooooo.",
    "oYWWWWWWWWYo",
    "4oYYYYYYYYYYo",
    "oooooooooooo",
};

inline const char* const kTinyFolderMap[] = {
    ".ooo....",
    "oYYYoooo",
    "3oYYYYYYo",
    "oooooooo",
};

// An upper folder linked by a tree line to a folder below it.
inline const char* const kFolderLinkMap[] = {
    "6................",
    "5..d.............",
    "..ddd...........",
};

inline const char* const kRingMap[] = {
    "2................",
    ".....dddddd.....",
    "...ddWWWWWWdd...",
    "...dWWWWWWWWd...",
    "6..dWWWWWWWWWWd..",
    "...dWWWWWWWWd...",
    "...ddWWWWWWdd...",
    ".....dddddd.....",
};

inline const char* const kDotMap[] = {
    "4KKKK",
};

inline const char* const kPlusBoxMap[] = {
    "2................",
    "..ddddddddddd...",
    "..dWWWWWWWWWd...",
    "3..dWWWWKWWWWd...",
    "..dWKKKKKKKWd...",
    "3..dWWWWKWWWWd...",
    "..dWWWWWWWWWd...",
    "..ddddddddddd...",
};

inline const char* const kMinusBoxMap[] = {
    "2................",
    "..ddddddddddd...",
    "4..dWWWWWWWWWd...",
    "..dWKKKKKKKWd...",
    "4..dWWWWWWWWWd...",
    "..ddddddddddd...",
};

inline const char* const kRaisedSquareMap[] = {
    "2................",
    "..WWWWWWWWWWWK..",
    "9..WsssssssssdK..",
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
    "2................",
    "..KKKKKKKKKKKK..",
    "10..KWWWWWWWWWWK..",
    "..KKKKKKKKKKKK..",
};

inline const char* const kTickMap[] = {
    "4................",
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
    "2...BBB....BBB...",
    "..........BBB...",
    ".........BBB....",
    "........BBB.....",
    ".......BBB......",
    "2......BBB.......",
    "................",
    "2......BBB.......",
};

inline const char* const kPeopleMap[] = {
    "................",
    ".........KKK....",
    "2........KYYYK...",
    "....KKK.KYYYK...",
    "...KYYYK.KKK....",
    "...KYYYKKBBBK...",
    "...KYYYKBBBBBK..",
    "....KKKKBBBBBBK.",
    "...KgggggKBBBBK.",
    "..KgggggggKBBBK.",
    ".KgggggggggKKKK.",
    "2.KgggggggggK....",
    ".KKKKKKKKKKK....",
};

inline const char* const kArrowsMap[] = {
    "................",
    "...g............",
    "..ggg.....rrr...",
    ".ggggg....rrr...",
    "ggggggg...rrr...",
    "6..ggg.....rrr...",
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
    "2..gGGGGggggggg..",
    ".gggGGGgggggggg.",
    "3.gggggggggggggg.",
    "2..gggggggggggg..",
    "...gggggggggg...",
    "....gggggggg....",
    "......gggg......",
};

inline const char* const kSmallDiscMap[] = {
    "..ggg..",
    ".gGGGg.",
    "3gGGGGGg",
    ".gGGGg.",
    "..ggg..",
};

inline const char* const kCrossMap[] = {
    "2................",
    "..rr........rr..",
    "..rrr......rrr..",
    "...rrr....rrr...",
    "....rrr..rrr....",
    ".....rrrrrr.....",
    "2......rrrr......",
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
    "4................",
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
    "2................",
    "2...XXXXXXXXXX...",
    "3...XXX..........",
    "2...XXXXXXXX.....",
    "5...XXX..........",
};

inline const char* const kLetterMMap[] = {
    "2................",
    ".XXX.......XXX..",
    ".XXXX.....XXXX..",
    ".XXXXX...XXXXX..",
    ".XXX.XX.XX.XXX..",
    ".XXX..XXX..XXX..",
    ".XXX...X...XXX..",
    "6.XXX.......XXX..",
};

inline const char* const kLetterRMap[] = {
    "2................",
    "...XXXXXXXX.....",
    "...XXXXXXXXX....",
    "3...XXX....XXX...",
    "...XXXXXXXXX....",
    "...XXXXXXXX.....",
    "...XXX..XXX.....",
    "...XXX...XXX....",
    "2...XXX....XXX...",
    "...XXX.....XXX..",
};

inline const char* const kPadlockMap[] = {
    "..KKK..",
    "2.K...K.",
    "KKKKKKK",
    "KsssssK",
    "2KssKssK",
    "KsssssK",
    "KKKKKKK",
};

// --- Glyphs -----------------------------------------------------------------

constexpr uint8_t kGreenInk = 2;
constexpr uint8_t kDarkRedInk = 1;

inline void PaintPencilMark(PixelImage& strip, int glyph) {
    PaintMap(strip, glyph, 8, 8, Map(kPencilMap));
}

inline void AddDitheredTwin(PixelImage& strip, int glyph, int size = kGlyphSize) {
    CopyGlyph(strip, glyph, glyph + 1, size);
    DitherGlyph(strip, glyph + 1, size);
}

// Glyph k covers columns 16k to 16k+15; glyph 0 and the last 13 columns stay
// transparent.
inline PixelImage DrawGlyphStrip() {
    PixelImage strip = MakeImage(kGlyphStripWidth, kGlyphSize, kTransparentIndex);
    // Single pictures, some in layers: {glyph, map, left, top}.
    const struct {
        int glyph;
        CharMap map;
        int left, top;
    } layers[] = {
        {1, Map(kSmallSquareMap), 0, 0}, {2, Map(kPageMap), 0, 0},      {3, Map(kFolderMap), 0, 0},
        {4, Map(kRingMap), 0, 0},        {5, Map(kRingMap), 0, 0},      {5, Map(kDotMap), 6, 6},
        {6, Map(kPlusBoxMap), 0, 0},     {7, Map(kMinusBoxMap), 0, 0},  {8, Map(kRaisedSquareMap), 0, 0},
        {10, Map(kCheckBoxMap), 0, 0},   {12, Map(kCheckBoxMap), 0, 0}, {12, Map(kTickMap), 0, 0},
        {14, Map(kQuestionMap), 0, 0},
    };
    for (const auto& layer : layers) PaintMap(strip, layer.glyph, layer.left, layer.top, layer.map);
    // The large pencil is the small one at twice the size.
    PaintMap(strip, 9, 0, 0, Map(kPencilMap), 0, 2);
    // The check boxes, then the entry pictures (their dithered twin after
    // them), each followed by its pencil-marked variant.
    for (int glyph : {10, 12}) {
        CopyGlyph(strip, glyph, glyph + 1);
        PaintPencilMark(strip, glyph + 1);
    }
    const CharMap entries[] = {Map(kPeopleMap), Map(kArrowsMap), Map(kDiscMap), Map(kCrossMap), Map(kEyeMap)};
    for (int i = 0; i < 5; ++i) {
        int glyph = 15 + 3 * i;
        PaintMap(strip, glyph, 0, 0, entries[i]);
        AddDitheredTwin(strip, glyph);
        CopyGlyph(strip, glyph, glyph + 2);
        PaintPencilMark(strip, glyph + 2);
    }
    // Letters: green (allow) and dark red (deny).
    const CharMap letters[3] = {Map(kLetterFMap), Map(kLetterMMap), Map(kLetterRMap)};
    for (int i = 0; i < 6; ++i) {
        PaintMap(strip, 30 + 2 * i, 0, 0, letters[i / 2], i % 2 ? kDarkRedInk : kGreenInk);
        AddDitheredTwin(strip, 30 + 2 * i);
    }
    // Scope glyphs: the folder pictures with the green disc (allow) or the
    // dark red cross (deny).
    const CharMap marks[2] = {Map(kSmallDiscMap), Map(kSmallCrossMap)};
    for (int i = 0; i < 2; ++i) {
        PaintMap(strip, 42 + 2 * i, 0, 1, Map(kSmallFolderMap));
        PaintMap(strip, 42 + 2 * i, 9, 9, marks[i]);
        int contents = 46 + 2 * i;
        PaintMap(strip, contents, 0, 0, Map(kFolderLinkMap));
        PaintMap(strip, contents, 0, 0, Map(kTinyFolderMap));
        PaintMap(strip, contents, 6, 9, Map(kTinyFolderMap));
        PaintMap(strip, contents, 9, 0, marks[i]);
    }
    for (int glyph = 42; glyph < 50; glyph += 2) AddDitheredTwin(strip, glyph);
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

inline std::vector<uint8_t> Rle4BmpFile(const PixelImage& strip) {
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
