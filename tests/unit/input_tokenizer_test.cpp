#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "input/tokenizer.h"

namespace {

struct Token {
    char16_t first;
    std::u16string text;
    bool operator==(const Token& o) const { return first == o.first && text == o.text; }
};

std::ostream& operator<<(std::ostream& os, const Token& t) {
    os << "{" << (unsigned)t.first << ", ";
    for (char16_t c : t.text.substr(0, 40)) os << (c < 0x80 ? (char)c : '?');
    return os << (t.text.size() > 40 ? "...(" + std::to_string(t.text.size()) + ")" : "") << "}";
}

std::vector<Token> Tokens(const std::u16string& text) {
    std::vector<Token> tokens;
    std::vector<char16_t> buf(kTokenBufferUnits + 1, u'#');
    buf[kTokenBufferUnits] = 0x5A5A;   // guard behind the buffer
    const char16_t* cursor = text.c_str();
    for (int guard = 0; guard < 100000; guard++) {
        char16_t first = NextToken(&cursor, buf.data());
        EXPECT_EQ(buf[kTokenBufferUnits], 0x5A5A) << "wrote past the token buffer";
        if (!first) {
            EXPECT_EQ(buf[0], 0);
            EXPECT_EQ(*cursor, 0);
            // At the end it keeps reporting the end.
            EXPECT_EQ(NextToken(&cursor, buf.data()), 0);
            return tokens;
        }
        tokens.push_back({first, buf.data()});
    }
    ADD_FAILURE() << "no end of tokens";
    return tokens;
}

typedef std::vector<Token> Toks;
const char16_t Q = u'"';

}  // namespace

TEST(Tokens, BlanksAndPlainTokens) {
    EXPECT_EQ(Tokens(u" \t\r\n \n"), Toks{});
    EXPECT_EQ(Tokens(u""), Toks{});
    EXPECT_EQ(Tokens(u"a b"), (Toks{{u'a', u"a"}, {u'b', u"b"}}));
    EXPECT_EQ(Tokens(u"  @list.txt\t@8@x "), (Toks{{u'@', u"@list.txt"}, {u'@', u"@8@x"}}));
    // Every kind of line break separates tokens, even without a blank.
    EXPECT_EQ(Tokens(u"a\r\nb\n\rc\rd\ne"),
              (Toks{{u'a', u"a"}, {u'b', u"b"}, {u'c', u"c"}, {u'd', u"d"}, {u'e', u"e"}}));
}

TEST(Tokens, QuotedTokens) {
    EXPECT_EQ(Tokens(u"\"C:\\Program Files\\x\""), (Toks{{Q, u"C:\\Program Files\\x"}}));
    EXPECT_EQ(Tokens(u"\"\""), (Toks{{Q, u""}}));
    EXPECT_EQ(Tokens(u"\"a\"\"b\""), (Toks{{Q, u"a\"b"}}));
    EXPECT_EQ(Tokens(u"\"\"\"\"\"\""), (Toks{{Q, u"\"\""}}));
    EXPECT_EQ(Tokens(u"\"abc\"def"), (Toks{{Q, u"abc"}, {u'd', u"def"}}));
    // An open quote runs to the end of the line only.
    EXPECT_EQ(Tokens(u"\"ab\ncd\""), (Toks{{Q, u"ab"}, {u'c', u"cd\""}}));
    EXPECT_EQ(Tokens(u"\"a b"), (Toks{{Q, u"a b"}}));
    EXPECT_EQ(Tokens(u"\"@list.txt\""), (Toks{{Q, u"@list.txt"}}));
}

TEST(Tokens, EmbeddedQuotedSectionsKeepTheirQuotes) {
    EXPECT_EQ(Tokens(u"C:\\\"My Dir\"\\f"), (Toks{{u'C', u"C:\\\"My Dir\"\\f"}}));
    EXPECT_EQ(Tokens(u"a\"b\"\"c d\""), (Toks{{u'a', u"a\"b\"\"c"}, {u'd', u"d\""}}));
    EXPECT_EQ(Tokens(u"a\"b c\r\nd"), (Toks{{u'a', u"a\"b c"}, {u'd', u"d"}}));
    EXPECT_EQ(Tokens(u"a\"\"b c"), (Toks{{u'a', u"a\"\"b"}, {u'c', u"c"}}));
}

TEST(Tokens, ControlCharactersEndTokensAndMayStandAlone) {
    EXPECT_EQ(Tokens(u"\x0b"), (Toks{{0x0b, u""}}));
    EXPECT_EQ(Tokens(u"ab\x01" u"cd"), (Toks{{u'a', u"ab"}, {u'c', u"cd"}}));
    EXPECT_EQ(Tokens(u"\x1f\x1f" u"x"), (Toks{{0x1f, u""}, {0x1f, u""}, {u'x', u"x"}}));
    // Characters above U+0020 are path characters, whatever they are.
    EXPECT_EQ(Tokens(u"\x7f\xfeff\xd800"), (Toks{{0x7f, u"\x7f\xfeff\xd800"}}));
}

TEST(Tokens, UnquotedTokensAreCutAtTheLimit) {
    std::u16string x(12290, u'x');
    EXPECT_EQ(Tokens(x), (Toks{{u'x', std::u16string(12287, u'x')}, {u'x', u"xxx"}}));
    EXPECT_EQ(Tokens(std::u16string(12287, u'x') + u" y"),
              (Toks{{u'x', std::u16string(12287, u'x')}, {u'y', u"y"}}));
    // The limit holds inside an embedded section too.
    std::u16string embedded = std::u16string(12285, u'x') + u"\"ab cd\"";
    EXPECT_EQ(Tokens(embedded),
              (Toks{{u'x', std::u16string(12285, u'x') + u"\"a"}, {u'b', u"b"}, {u'c', u"cd\""}}));
}

TEST(Tokens, QuotedTokensThatDoNotFitBecomeFlow) {
    std::u16string body(12287, u'y');
    EXPECT_EQ(Tokens(u"\"" + body + u"\" z"), (Toks{{Q, body}, {u'z', u"z"}}));
    EXPECT_EQ(Tokens(u"\"" + body + u"y\" z"), (Toks{{Q, u"<flow!!>"}, {u'z', u"z"}}));
    EXPECT_EQ(Tokens(u"\"" + body + u"y"), (Toks{{Q, u"<flow!!>"}}));
    // A doubled quote that no longer fits ends the body in front of it.
    std::u16string y86(12286, u'y');
    EXPECT_EQ(Tokens(u"\"" + y86 + u"\"\"w\""), (Toks{{Q, y86}, {Q, u""}, {u'w', u"w\""}}));
    std::u16string y85(12285, u'y');
    EXPECT_EQ(Tokens(u"\"" + y85 + u"\"\"w\""), (Toks{{Q, y85 + u"\"w"}}));
    // Many doubled quotes, more than fit.
    std::u16string pairs;
    for (int i = 0; i < 13000; i++) pairs += u"\"\"";
    std::vector<Token> t = Tokens(u"\"" + pairs + u"\"");
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t[0].text.size(), 12286u);
    EXPECT_TRUE(t[0].text == std::u16string(12286, Q));
    // A run longer than the limit in front of a pair.
    std::u16string longRun(13000, u'r');
    t = Tokens(u"\"" + longRun + u"\"\"x\"");
    ASSERT_EQ(t.size(), 3u);
    EXPECT_EQ(t[0], (Token{Q, u"<flow!!>"}));
}
