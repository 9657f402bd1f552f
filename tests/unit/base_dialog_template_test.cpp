#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/dialog_template.h"

namespace {

typedef std::vector<uint8_t> Bytes;

void PutU16(Bytes* b, uint16_t v) {
    b->push_back((uint8_t)v);
    b->push_back((uint8_t)(v >> 8));
}
void PutU32(Bytes* b, uint32_t v) {
    PutU16(b, (uint16_t)v);
    PutU16(b, (uint16_t)(v >> 16));
}
void PutText(Bytes* b, const std::u16string& s) {
    for (char16_t c : s) PutU16(b, c);
    PutU16(b, 0);
}
void Align4(Bytes* b) {
    while (b->size() % 4) b->push_back(0);
}

// A classic template: header, menu/class/title (empty strings stand for a
// zero word), an optional font block, then `items` button records.
Bytes MakeTemplate(uint32_t style, const std::u16string& cls, const std::u16string& title, int items,
                   const std::u16string* oldFace = nullptr) {
    Bytes b;
    PutU32(&b, style | (oldFace ? 0x40 : 0));
    PutU32(&b, 0x11);
    PutU16(&b, (uint16_t)items);
    for (int i = 0; i < 4; i++) PutU16(&b, (uint16_t)(10 * i));
    PutU16(&b, 0);   // menu
    if (cls.empty()) PutU16(&b, 0); else PutText(&b, cls);
    if (title.empty()) PutU16(&b, 0); else PutText(&b, title);
    if (oldFace) {
        PutU16(&b, 9);
        PutText(&b, *oldFace);
    }
    for (int i = 0; i < items; i++) {
        Align4(&b);
        PutU32(&b, 0x50010300);
        PutU32(&b, 0);
        for (int k = 0; k < 4; k++) PutU16(&b, (uint16_t)(i + k));
        PutU16(&b, (uint16_t)(200 + i));
        PutU16(&b, 0xFFFF);
        PutU16(&b, 0x80);
        PutText(&b, i % 2 ? u"Cancel" : u"OK");
        PutU16(&b, 0);
    }
    return b;
}

size_t ItemsStart(const Bytes& t) {   // first item of a template without font block
    size_t at = 18;
    for (int f = 0; f < 3; f++) {
        if (t[at] == 0 && t[at + 1] == 0) { at += 2; continue; }
        while (t[at] || t[at + 1]) at += 2;
        at += 2;
    }
    return (at + 3) & ~(size_t)3;
}

struct Rewritten {
    Bytes bytes;
    uint32_t used;
};

Rewritten Rewrite(const Bytes& source, const std::u16string& face, uint16_t points) {
    DialogFont font{points, face.c_str()};
    Rewritten r;
    r.bytes.assign(RewrittenTemplateCapacity((uint32_t)source.size(), font), 0xCC);
    r.used = RewriteDialogTemplate(source.data(), (uint32_t)source.size(), font, r.bytes.data());
    return r;
}

std::u16string TextAt(const Bytes& b, size_t at) {
    std::u16string s;
    while (b[at] | b[at + 1]) {
        s += (char16_t)(b[at] | b[at + 1] << 8);
        at += 2;
    }
    return s;
}

}  // namespace

TEST(DialogTemplateRewrite, InsertsTheFontAfterTheTitleAndKeepsItemsAligned) {
    // Title lengths that put the insertion point at both 4-byte phases, and
    // faces of odd and even length, so that the alignment word is needed in
    // some combinations and not in others.
    for (const std::u16string& title : {std::u16string(u"ovrix"), std::u16string(u"Detail Permissions"),
                                        std::u16string()}) {
        for (const std::u16string& face : {std::u16string(u"Tahoma"), std::u16string(u"Segoe UI"),
                                           std::u16string(u"MS Shell Dlg 2")}) {
            Bytes source = MakeTemplate(0x90CF0884, u"ovrix", title, 3);
            Rewritten r = Rewrite(source, face, 12);
            ASSERT_NE(r.used, 0u);
            uint32_t style = r.bytes[0] | r.bytes[1] << 8 | r.bytes[2] << 16 | (uint32_t)r.bytes[3] << 24;
            EXPECT_EQ(style, 0x90CF0884u | 0x40);
            EXPECT_TRUE(std::equal(source.begin() + 4, source.begin() + 18, r.bytes.begin() + 4));

            size_t insert = 18 + 2 + 12 + (title.empty() ? 2 : 2 * (title.size() + 1));
            EXPECT_EQ(r.bytes[insert] | r.bytes[insert + 1] << 8, 12);
            EXPECT_EQ(TextAt(r.bytes, insert + 2), face);
            size_t blockEnd = insert + 2 + 2 * (face.size() + 1);
            size_t items = (blockEnd + 3) & ~(size_t)3;
            EXPECT_EQ(items - blockEnd, blockEnd % 4 ? 2u : 0u) << "alignment word only when needed";
            size_t oldItems = ItemsStart(source);
            ASSERT_EQ(r.used, items + (source.size() - oldItems));
            EXPECT_TRUE(std::equal(source.begin() + oldItems, source.end(), r.bytes.begin() + items))
                << "items moved byte for byte";
            EXPECT_LE(r.used, r.bytes.size());
        }
    }
}

TEST(DialogTemplateRewrite, ReplacesAnExistingFontBlock) {
    std::u16string oldFace = u"Courier New";
    Bytes withFont = MakeTemplate(0x90C80884, u"", u"Detail Permissions", 2, &oldFace);
    Bytes without = MakeTemplate(0x90C80884, u"", u"Detail Permissions", 2);
    Rewritten a = Rewrite(withFont, u"Tahoma", 8);
    Rewritten b = Rewrite(without, u"Tahoma", 8);
    ASSERT_EQ(a.used, b.used);
    EXPECT_TRUE(std::equal(a.bytes.begin(), a.bytes.begin() + a.used, b.bytes.begin()));
}

TEST(DialogTemplateRewrite, PointSizeIsTheMagnitudeOfTheHeightAt96Dpi) {
    EXPECT_EQ(DialogPointSize(-12, 96), 12);
    EXPECT_EQ(DialogPointSize(12, 96), 12);
    EXPECT_EQ(DialogPointSize(0, 96), 0);
    // The system's height at a higher DPI is scaled back, not doubled again.
    EXPECT_EQ(DialogPointSize(-24, 192), 12);
    EXPECT_EQ(DialogPointSize(-15, 120), 12);
    EXPECT_EQ(DialogPointSize(-1, 480), 1);
    EXPECT_EQ(DialogPointSize(-0x7FFFFFFF, 0), 0xFFFF);
}

TEST(DialogTemplateRewrite, RefusesATemplateThatEndsInsideItsHeader) {
    Bytes full = MakeTemplate(0x90C8008C, u"", u"Title", 1);
    std::u16string face = u"Tahoma";
    for (size_t cut : {0u, 10u, 17u, 18u, 21u, 25u}) {
        Bytes part(full.begin(), full.begin() + cut);
        DialogFont font{9, face.c_str()};
        Bytes out(RewrittenTemplateCapacity((uint32_t)part.size(), font) + 16);
        EXPECT_EQ(RewriteDialogTemplate(part.data(), (uint32_t)part.size(), font, out.data()), 0u) << cut;
    }
}
