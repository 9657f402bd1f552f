// The glyph strips for high DPI: the same 50 pictures at 20, 24 and 32
// pixels (bitmaps 1115 to 1117, resources/glyphs20.bmp ...). Each is drawn
// at its own size from shapes laid out on a 16-unit grid: the shapes are
// rasterised at the target size and their outlines are one pixel wide at
// every size, so nothing is a blown-up copy of the 16-pixel strip (which
// keeps its hand-drawn character maps).
#pragma once
#include <math.h>

#include <string>

#include "resources/tools/artwork.h"

constexpr int kGlyphSizes[4] = {16, 20, 24, 32};

// Where a picture goes: glyph `glyph` of a strip of `size`-pixel glyphs; the
// picture's 16-unit grid is placed at (left, top) of the glyph's grid and
// shrunk by `scale` (small pictures in a corner of a larger one).
struct Pen {
    PixelImage* strip;
    int glyph;
    int size;
    float left = 0, top = 0, scale = 1;
};

inline Pen Within(Pen pen, float left, float top, float scale) {
    pen.left += left * pen.scale;
    pen.top += top * pen.scale;
    pen.scale *= scale;
    return pen;
}

struct UnitPoint {
    float x, y;
};

// Pixel coordinates (edges at whole numbers) of a point of the pen's grid.
inline float PixelX(const Pen& pen, float x) { return (pen.left + x * pen.scale) * pen.size / kGlyphSize; }
inline float PixelY(const Pen& pen, float y) { return (pen.top + y * pen.scale) * pen.size / kGlyphSize; }

// The pixels of one glyph that a shape covers.
struct Mask {
    int size;
    std::vector<uint8_t> on;
};

inline Mask EmptyMask(const Pen& pen) { return Mask{pen.size, std::vector<uint8_t>(pen.size * pen.size, 0)}; }

inline bool MaskAt(const Mask& mask, int x, int y) {
    return x >= 0 && y >= 0 && x < mask.size && y < mask.size && mask.on[y * mask.size + x];
}

// Adds every pixel whose centre passes the test.
template <typename Test>
void AddPixels(Mask& mask, Test inside) {
    for (int y = 0; y < mask.size; ++y)
        for (int x = 0; x < mask.size; ++x)
            if (inside(x + 0.5f, y + 0.5f)) mask.on[y * mask.size + x] = 1;
}

// A rectangle snaps to whole pixels and is never less than one pixel wide.
inline void AddRect(Mask& mask, const Pen& pen, float x0, float y0, float x1, float y1) {
    int left = (int)lroundf(PixelX(pen, x0)), top = (int)lroundf(PixelY(pen, y0));
    int right = (int)lroundf(PixelX(pen, x1)), bottom = (int)lroundf(PixelY(pen, y1));
    if (right <= left) right = left + 1;
    if (bottom <= top) bottom = top + 1;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (x >= 0 && y >= 0 && x < mask.size && y < mask.size) mask.on[y * mask.size + x] = 1;
}

inline void AddEllipse(Mask& mask, const Pen& pen, float cx, float cy, float rx, float ry) {
    float px = PixelX(pen, cx), py = PixelY(pen, cy);
    float prx = rx * pen.scale * pen.size / kGlyphSize, pry = ry * pen.scale * pen.size / kGlyphSize;
    AddPixels(mask, [&](float x, float y) {
        float dx = (x - px) / prx, dy = (y - py) / pry;
        return dx * dx + dy * dy <= 1.0f;
    });
}

// A polygon, filled by the even-odd rule.
inline void AddPolygon(Mask& mask, const Pen& pen, std::initializer_list<UnitPoint> points) {
    std::vector<UnitPoint> p;
    for (UnitPoint u : points) p.push_back({PixelX(pen, u.x), PixelY(pen, u.y)});
    AddPixels(mask, [&](float x, float y) {
        bool inside = false;
        for (size_t i = 0, j = p.size() - 1; i < p.size(); j = i++)
            if ((p[i].y > y) != (p[j].y > y) && x < (p[j].x - p[i].x) * (y - p[i].y) / (p[j].y - p[i].y) + p[i].x)
                inside = !inside;
        return inside;
    });
}

// A line through the points, `width` units thick and at least one pixel;
// width 0 is a hairline through pixel centres, one pixel wide when upright.
inline void AddStroke(Mask& mask, const Pen& pen, float width, std::initializer_list<UnitPoint> points) {
    std::vector<UnitPoint> p;
    for (UnitPoint u : points) {
        UnitPoint at = {PixelX(pen, u.x), PixelY(pen, u.y)};
        if (width == 0) at = {floorf(at.x) + 0.5f, floorf(at.y) + 0.5f};
        p.push_back(at);
    }
    float half = width * pen.scale * pen.size / kGlyphSize / 2;
    if (width == 0) half = 0.49f;
    else if (half < 0.71f) half = 0.71f;
    AddPixels(mask, [&](float x, float y) {
        for (size_t i = 0; i + 1 < p.size(); ++i) {
            float dx = p[i + 1].x - p[i].x, dy = p[i + 1].y - p[i].y, length = dx * dx + dy * dy;
            float t = length > 0 ? ((x - p[i].x) * dx + (y - p[i].y) * dy) / length : 0;
            t = t < 0 ? 0 : t > 1 ? 1 : t;
            float ex = p[i].x + t * dx - x, ey = p[i].y + t * dy - y;
            if (ex * ex + ey * ey <= half * half) return true;
        }
        return false;
    });
}

inline void Paint(const Pen& pen, const Mask& mask, uint8_t colour) {
    for (int y = 0; y < mask.size; ++y)
        for (int x = 0; x < mask.size; ++x)
            if (MaskAt(mask, x, y)) SetPixel(*pen.strip, pen.glyph * pen.size + x, y, colour);
}

// Fills the shape and draws its edge, the pixels beside the outside, in
// `edge`: a one-pixel outline at every size.
inline void PaintOutlined(const Pen& pen, const Mask& mask, uint8_t fill, uint8_t edge) {
    for (int y = 0; y < mask.size; ++y)
        for (int x = 0; x < mask.size; ++x) {
            if (!MaskAt(mask, x, y)) continue;
            bool border = !MaskAt(mask, x - 1, y) || !MaskAt(mask, x + 1, y) || !MaskAt(mask, x, y - 1) ||
                          !MaskAt(mask, x, y + 1);
            SetPixel(*pen.strip, pen.glyph * pen.size + x, y, border ? edge : fill);
        }
}

// Palette indexes by name, as in the character maps.
enum : uint8_t {
    kBlack = 0, kDarkRed = 1, kGreen = 2, kOlive = 3, kNavy = 4, kSilver = 7, kGrey = 8, kLime = 10,
    kYellow = 11, kBlue = 12, kWhite = 15
};

// --- Pictures ------------------------------------------------------------------

inline void DrawRectShape(const Pen& pen, float x0, float y0, float x1, float y1, uint8_t fill, uint8_t edge) {
    Mask mask = EmptyMask(pen);
    AddRect(mask, pen, x0, y0, x1, y1);
    PaintOutlined(pen, mask, fill, edge);
}

inline void DrawFilledRect(const Pen& pen, float x0, float y0, float x1, float y1, uint8_t colour) {
    DrawRectShape(pen, x0, y0, x1, y1, colour, colour);
}

inline void DrawPage(const Pen& pen) {
    Mask page = EmptyMask(pen), fold = EmptyMask(pen);
    AddPolygon(page, pen, {{2, 1}, {10, 1}, {14, 5}, {14, 15}, {2, 15}});
    PaintOutlined(pen, page, kWhite, kBlack);
    AddStroke(fold, pen, 0, {{9.5f, 1}, {9.5f, 5.5f}, {14, 5.5f}});
    Paint(pen, fold, kBlack);
}

inline void DrawFolder(const Pen& pen, bool stripe = true) {
    Mask folder = EmptyMask(pen);
    AddRect(folder, pen, 0, 2, 7, 5);
    AddRect(folder, pen, 0, 4, 15, 15);
    PaintOutlined(pen, folder, kYellow, kOlive);
    if (stripe) DrawFilledRect(pen, 2, 6, 13, 7, kWhite);
}

inline void DrawRing(const Pen& pen) {
    Mask ring = EmptyMask(pen);
    AddEllipse(ring, pen, 8, 8.5f, 6.5f, 6.5f);
    PaintOutlined(pen, ring, kWhite, kGrey);
}

inline void DrawDot(const Pen& pen) {
    Mask dot = EmptyMask(pen);
    AddEllipse(dot, pen, 8, 8.5f, 2.2f, 2.2f);
    Paint(pen, dot, kBlack);
}

inline void DrawSignBox(const Pen& pen, bool plus) {
    DrawRectShape(pen, 2, 2, 13, 13, kWhite, kGrey);
    DrawFilledRect(pen, 4, 7, 11, 8, kBlack);
    if (plus) DrawFilledRect(pen, 7, 4, 8, 11, kBlack);
}

// A raised button face: light edges top and left, dark ones bottom and right,
// each one pixel wide.
inline void DrawRaisedSquare(const Pen& pen) {
    int left = (int)lroundf(PixelX(pen, 2)), top = (int)lroundf(PixelY(pen, 2));
    int right = (int)lroundf(PixelX(pen, 14)) - 1, bottom = (int)lroundf(PixelY(pen, 14)) - 1;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            uint8_t colour = x == right || y == bottom          ? kBlack
                             : x == left || y == top            ? kWhite
                             : x == right - 1 || y == bottom - 1 ? kGrey
                                                                 : kSilver;
            SetPixel(*pen.strip, pen.glyph * pen.size + x, y, colour);
        }
}

// A pencil lying from the lower left (its point) to the upper right.
inline void DrawPencil(const Pen& pen) {
    const float h = 2.3f;  // half its thickness, across the diagonal
    auto at = [](float t, float side) { return UnitPoint{1 + t + side, 15 - t + side}; };
    Mask body = EmptyMask(pen), wood = EmptyMask(pen), eraser = EmptyMask(pen), lead = EmptyMask(pen);
    AddPolygon(body, pen, {at(0, 0), at(3.5f, -h), at(13.5f, -h), at(13.5f, h), at(3.5f, h)});
    PaintOutlined(pen, body, kLime, kBlack);
    AddPolygon(wood, pen, {at(0, 0), at(3.5f, -h), at(3.5f, h)});
    PaintOutlined(pen, wood, kYellow, kBlack);
    AddPolygon(eraser, pen, {at(11, -h), at(13.5f, -h), at(13.5f, h), at(11, h)});
    PaintOutlined(pen, eraser, kDarkRed, kBlack);
    AddPolygon(lead, pen, {at(-0.5f, 0), at(1.3f, -0.9f), at(1.3f, 0.9f)});
    Paint(pen, lead, kBlack);
}

inline void DrawPencilMark(const Pen& pen) { DrawPencil(Within(pen, 8, 8, 0.5f)); }

inline void DrawCheckBox(const Pen& pen) { DrawRectShape(pen, 2, 2, 14, 14, kWhite, kBlack); }

inline void DrawTick(const Pen& pen) {
    Mask tick = EmptyMask(pen);
    AddStroke(tick, pen, 2, {{4.5f, 8}, {6.8f, 10.5f}, {11.5f, 5}});
    Paint(pen, tick, kBlack);
}

inline void DrawQuestion(const Pen& pen) {
    Mask mark = EmptyMask(pen);
    AddStroke(mark, pen, 2.6f,
              {{4.8f, 5}, {5.6f, 3}, {8, 2.1f}, {10.4f, 3}, {11.2f, 5}, {10.6f, 6.6f}, {8.2f, 8.6f}, {8.2f, 10.5f}});
    AddEllipse(mark, pen, 8.2f, 13.6f, 1.5f, 1.5f);
    Paint(pen, mark, kBlue);
}

inline void DrawPeople(const Pen& pen) {
    Mask backBody = EmptyMask(pen), backHead = EmptyMask(pen), frontBody = EmptyMask(pen), frontHead = EmptyMask(pen);
    AddEllipse(backBody, pen, 11.5f, 10.5f, 3.8f, 4.5f);
    AddPolygon(backBody, pen, {{8, 10.5f}, {15.5f, 10.5f}, {15.5f, 11}, {8, 11}});
    PaintOutlined(pen, backBody, kBlue, kBlack);
    AddEllipse(backHead, pen, 11, 3.4f, 2.3f, 2.3f);
    PaintOutlined(pen, backHead, kYellow, kBlack);
    // The front body: the top of a disc, cut flat at the bottom.
    AddEllipse(frontBody, pen, 6, 15, 5.5f, 6);
    const int bottom = (int)lroundf(PixelY(pen, 15));
    for (int y = bottom; y < frontBody.size; ++y)
        for (int x = 0; x < frontBody.size; ++x) frontBody.on[y * frontBody.size + x] = 0;
    PaintOutlined(pen, frontBody, kGreen, kBlack);
    AddEllipse(frontHead, pen, 5.5f, 5.8f, 2.5f, 2.5f);
    PaintOutlined(pen, frontHead, kYellow, kBlack);
}

// A green arrow up on the left half, a dark red arrow down on the right.
inline void DrawArrows(const Pen& pen) {
    Mask up = EmptyMask(pen), down = EmptyMask(pen);
    AddPolygon(up, pen, {{3.5f, 0.8f}, {7, 4.8f}, {5, 4.8f}, {5, 13.5f}, {2, 13.5f}, {2, 4.8f}, {0, 4.8f}});
    AddPolygon(down, pen, {{10, 2}, {13, 2}, {13, 8}, {15.2f, 8}, {11.5f, 12.2f}, {8, 8}, {10, 8}});
    Paint(pen, up, kGreen);
    Paint(pen, down, kDarkRed);
}

inline void DrawDisc(const Pen& pen) {
    Mask disc = EmptyMask(pen), shine = EmptyMask(pen);
    AddEllipse(disc, pen, 8, 8, 7, 7);
    Paint(pen, disc, kGreen);
    AddEllipse(shine, pen, 5.6f, 5.6f, 2, 2);
    Paint(pen, shine, kLime);
}

inline void DrawCross(const Pen& pen) {
    Mask cross = EmptyMask(pen);
    AddStroke(cross, pen, 2.6f, {{3, 3}, {13, 13}});
    AddStroke(cross, pen, 2.6f, {{13, 3}, {3, 13}});
    Paint(pen, cross, kDarkRed);
}

inline void DrawEye(const Pen& pen) {
    Mask eye = EmptyMask(pen), iris = EmptyMask(pen), pupil = EmptyMask(pen);
    AddEllipse(eye, pen, 8, 8.5f, 7.8f, 4.6f);
    PaintOutlined(pen, eye, kWhite, kBlack);
    AddEllipse(iris, pen, 8, 8.5f, 3, 3);
    Paint(pen, iris, kBlue);
    AddEllipse(pupil, pen, 8, 8.5f, 1.4f, 1.4f);
    Paint(pen, pupil, kBlack);
}

inline void DrawLetter(const Pen& pen, char letter, uint8_t ink) {
    Mask mask = EmptyMask(pen);
    if (letter == 'F') {
        AddRect(mask, pen, 3, 2, 6, 15);
        AddRect(mask, pen, 3, 2, 13, 4);
        AddRect(mask, pen, 3, 7, 11, 9);
    } else if (letter == 'M') {
        AddRect(mask, pen, 1, 2, 4, 15);
        AddRect(mask, pen, 11, 2, 14, 15);
        AddStroke(mask, pen, 2.4f, {{2.5f, 3}, {7.5f, 9.5f}, {12.5f, 3}});
    } else {  // R
        AddRect(mask, pen, 3, 2, 6, 15);
        AddStroke(mask, pen, 2.2f, {{4.5f, 3.1f}, {10.4f, 3.1f}, {12, 4.6f}, {12, 6.2f}, {10.4f, 7.8f}, {4.5f, 7.8f}});
        AddStroke(mask, pen, 2.6f, {{7.8f, 8.5f}, {12.5f, 14}});
    }
    Paint(pen, mask, ink);
}

// A folder and the folder inside it, linked by a tree line.
inline void DrawFolderContents(const Pen& pen) {
    Mask link = EmptyMask(pen);
    AddStroke(link, pen, 0, {{2.5f, 6.5f}, {2.5f, 11.5f}, {5.5f, 11.5f}});
    Paint(pen, link, kGrey);
    DrawFolder(Within(pen, 0, -1, 0.5f), false);
    DrawFolder(Within(pen, 6, 8, 0.5f), false);
}

// The whole strip at `size` pixels a glyph, glyph for glyph as DrawGlyphStrip.
inline PixelImage DrawShapedGlyphStrip(int size) {
    PixelImage strip = MakeImage(kGlyphCount * size, size, kTransparentIndex);
    auto pen = [&](int glyph) { return Pen{&strip, glyph, size}; };
    DrawFilledRect(pen(1), 5, 5, 11, 11, kBlack);
    DrawPage(pen(2));
    DrawFolder(pen(3));
    DrawRing(pen(4));
    DrawRing(pen(5));
    DrawDot(pen(5));
    DrawSignBox(pen(6), true);
    DrawSignBox(pen(7), false);
    DrawRaisedSquare(pen(8));
    DrawPencil(pen(9));
    DrawCheckBox(pen(10));
    DrawCheckBox(pen(12));
    DrawTick(pen(12));
    for (int glyph : {10, 12}) {
        CopyGlyph(strip, glyph, glyph + 1, size);
        DrawPencilMark(pen(glyph + 1));
    }
    DrawQuestion(pen(14));
    void (*const entries[5])(const Pen&) = {DrawPeople, DrawArrows, DrawDisc, DrawCross, DrawEye};
    for (int i = 0; i < 5; ++i) {
        int glyph = 15 + 3 * i;
        entries[i](pen(glyph));
        AddDitheredTwin(strip, glyph, size);
        CopyGlyph(strip, glyph, glyph + 2, size);
        DrawPencilMark(pen(glyph + 2));
    }
    for (int i = 0; i < 6; ++i) {
        DrawLetter(pen(30 + 2 * i), "FMR"[i / 2], i % 2 ? kDarkRed : kGreen);
        AddDitheredTwin(strip, 30 + 2 * i, size);
    }
    // Scope glyphs: a folder, or a folder and its contents, with the green
    // disc (allow) or the dark red cross (deny) in a corner.
    void (*const marks[2])(const Pen&) = {DrawDisc, DrawCross};
    for (int i = 0; i < 2; ++i) {
        DrawFolder(Within(pen(42 + 2 * i), 0, 1, 0.75f));
        marks[i](Within(pen(42 + 2 * i), 8.5f, 8.5f, 0.47f));
        DrawFolderContents(pen(46 + 2 * i));
        marks[i](Within(pen(46 + 2 * i), 8.5f, 0, 0.47f));
    }
    for (int glyph = 42; glyph < 50; glyph += 2) AddDitheredTwin(strip, glyph, size);
    return strip;
}

inline PixelImage DrawGlyphStripOfSize(int size) {
    return size == kGlyphSize ? DrawGlyphStrip() : DrawShapedGlyphStrip(size);
}

inline std::vector<uint8_t> GlyphStripBmpFile(int size = kGlyphSize) {
    return Rle4BmpFile(DrawGlyphStripOfSize(size));
}

// resources/glyphs.bmp for 16 pixels, glyphs20.bmp and so on for the others.
inline std::string GlyphStripFileName(int size) {
    return size == kGlyphSize ? "glyphs.bmp" : "glyphs" + std::to_string(size) + ".bmp";
}
