#include <gtest/gtest.h>

#include "base/format.h"
#include "base/text.h"
#include "tests/unit/fake_tree.h"

TEST(FormatText, SubstitutesOnlyGivenArgumentsByTheirOwnType) {
    char16_t out[64];
    FormatText(out, 64, u"%s : %s", u"a");
    EXPECT_EQ(std::u16string(out), u"a : ");
    FormatText(out, 64, u"%d %s", u"x", 5);
    EXPECT_EQ(std::u16string(out), u"x 5");
    FormatText(out, 64, u"(%04x)%c%%", 0x1f03ffu, u'Q');
    EXPECT_EQ(std::u16string(out), u"(1f03ff)Q%");
    FormatText(out, 64, u"(%04x)", 1u);
    EXPECT_EQ(std::u16string(out), u"(0001)");
    FormatText(out, 64, u"%d", -12);
    EXPECT_EQ(std::u16string(out), u"-12");
    FormatText(out, 64, u"100%", 1);
    EXPECT_EQ(std::u16string(out), u"100%");
}

TEST(FormatText, CutsAtCapacity) {
    char16_t out[5];
    EXPECT_EQ(FormatText(out, 5, u"%s!", u"abcdef"), 4u);
    EXPECT_EQ(std::u16string(out), u"abcd");
}
