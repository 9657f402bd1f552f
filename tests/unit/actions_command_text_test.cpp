// The texts of command lines: quoting, rights, inheritance flags, accounts and
// the yes letter.
#include <gtest/gtest.h>

#include "actions/command_text.h"
#include "tests/unit/fake_tree.h"

namespace {

TEST(ActionsCommandText, QuotingFollowsTheWindowsArgumentRules) {
    // Backslashes are doubled ahead of the closing quote only; inner quotes are escaped, their backslashes doubled.
    const std::pair<const char16_t*, const char*> rows[] = {
        {u"C:\\dir\\", "C:\\dir\\"}, {u"tab\there", "\"tab\there\""}, {u"in\\side x", "\"in\\side x\""},
        {u"C:\\My Dir\\", "\"C:\\My Dir\\\\\""}, {u"a \"b\"", "\"a \\\"b\\\"\""},
        {u"a\\\"b c", "\"a\\\\\\\"b c\""}, {u"x\"y", "x\\\"y"}};
    char16_t buffer[kQuoteUnits];
    for (const auto& row : rows) EXPECT_EQ(Narrow(QuoteIfSpaced(row.first, buffer, kQuoteUnits)), row.second);
    EXPECT_EQ(QuoteIfSpaced(u"a b c", buffer, 7), nullptr) << "never cut";
    EXPECT_EQ(Narrow(QuoteIfSpaced(u"a bc", buffer, 7)), "\"a bc\"");
}

TEST(ActionsCommandText, RightsFlagsAccountAndYesLetterTexts) {
    char16_t out[128];
    auto text = [&](uint32_t (*write)(uint32_t, char16_t*, uint32_t), uint32_t value) {
        write(value, out, 128);
        return Narrow(out);
    };
    const std::pair<uint32_t, const char*> rights[] = {
        {0, "N"},        {0x1F01BF, "F"}, {0x0F01BF, "F"}, {0x1301BF, "M"}, {0x0200A9, "RX"},
        {0x120089, "R"}, {0x010000, "D"}, {0x80, "RA,S"},  {0x200, "S"},
        {0xF01FF, "X,RD,RA,REA,WD,AD,WA,WEA,DC,DE,RC,WDAC,WO,S"}};
    for (const auto& r : rights) EXPECT_EQ(text(RightsText, r.first), r.second) << r.first;
    const std::pair<uint32_t, const char*> flags[] = {{0xE000, "(OI)(CI)"},     {0x8000, ""},     {0, "(IO)"},
                                                      {0x6000, "(OI)(CI)(IO)"}, {0xA000, "(OI)"}, {0x400b, "(CI)(IO)"}};
    for (const auto& f : flags) EXPECT_EQ(text(InheritanceFlagsText, f.first), f.second) << f.first;
    const std::u16string longSid = u"S-1-" + std::u16string(123, u'5');   // fits only without its '*'
    const std::pair<const char16_t*, const char*> accounts[] = {
        {u"BUILTIN\\Administrators", "BUILTIN\\Administrators"}, {u"S-1-5-32-545", "*S-1-5-32-545"},
        {u"Team : S-1-x", "Team : S-1-x"}, {longSid.c_str(), "-"}};   // "-": does not fit
    for (const auto& a : accounts) EXPECT_EQ(AccountArgumentText(a.first, out, 128) ? Narrow(out) : "-", a.second);
    const std::pair<uint16_t, char16_t> letters[] = {{0x0409, u'Y'}, {0x0407, u'J'}, {0x0c07, u'J'},
                                                     {0x0c0a, u'S'}, {0x0416, u'S'}, {0x040c, u'O'}, {0x0411, u'Y'}};
    for (const auto& l : letters) EXPECT_EQ(TakeownYesLetter(l.first), l.second) << l.first;
}

}  // namespace
