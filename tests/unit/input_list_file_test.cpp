#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/heap.h"
#include "input/list_file.h"
#include "tests/unit/config_code_pages.h"

namespace {

typedef std::vector<std::u16string> Paths;

void Collect(void* context, const char16_t* path) { static_cast<Paths*>(context)->push_back(path); }

// Reads bytes as a list file would be read; "<failed>" when refused.
Paths Read(const std::string& bytes, bool utf8) {
    Paths paths;
    std::string withZeros = bytes + std::string(kListFileZeroBytes, '\0');
    PathReceiver receiver = {Collect, &paths};
    if (!AddPathsFromListBytes(withZeros.data(), utf8, fake_code_pages::Converter(), &receiver))
        paths.push_back(u"<failed>");
    return paths;
}

}  // namespace

TEST(ListFileName, UnicodeFormOnlyWithEightAndAt) {
    bool utf8 = true;
    EXPECT_EQ(std::u16string(ListFileNameOf(u"@list.txt", &utf8)), u"list.txt");
    EXPECT_FALSE(utf8);
    EXPECT_EQ(std::u16string(ListFileNameOf(u"@8@list.txt", &utf8)), u"list.txt");
    EXPECT_TRUE(utf8);
    EXPECT_EQ(std::u16string(ListFileNameOf(u"@8list.txt", &utf8)), u"8list.txt");
    EXPECT_FALSE(utf8);
    EXPECT_EQ(std::u16string(ListFileNameOf(u"@8", &utf8)), u"8");
    EXPECT_FALSE(utf8);
    EXPECT_EQ(std::u16string(ListFileNameOf(u"@", &utf8)), u"");
    EXPECT_EQ(std::u16string(ListFileNameOf(u"@\"q\"", &utf8)), u"\"q\"");
}

TEST(ListFileBytes, EncodingChosenByFormAndByteOrderMark) {
    const std::string ansi = "C:\\d\xE9j\xE0";        // two bytes above 0x7F
    const std::u16string asAnsi = u"C:\\d\x0469j\x0460";
    EXPECT_EQ(Read(ansi, false), (Paths{asAnsi}));
    EXPECT_EQ(Read("C:\\d\xC3\xA9j\xC3\xA0", true), (Paths{u"C:\\déjà"}));
    // The mark switches an ANSI list to UTF-8 and never becomes part of a path.
    EXPECT_EQ(Read("\xEF\xBB\xBF" "C:\\d\xC3\xA9j\xC3\xA0", false), (Paths{u"C:\\déjà"}));
    EXPECT_EQ(Read("\xEF\xBB\xBF" "a", true), (Paths{u"a"}));
    // Two bytes of a mark are just ANSI text.
    EXPECT_EQ(Read("\xEF\xBB" "a", false), (Paths{u"\x046f\x043b" "a"}));
}

TEST(ListFileBytes, TokensLinesQuotesAndTheFirstZeroByte) {
    EXPECT_EQ(Read("a b\r\n\"c d\"\n@e\n\n", false), (Paths{u"a", u"b", u"c d", u"@e"}));
    EXPECT_EQ(Read("", false), Paths{});
    EXPECT_EQ(Read("\xEF\xBB\xBF", false), Paths{});
    EXPECT_EQ(Read(" \r\n\t", true), Paths{});
    // Saved as UTF-16: read up to the first zero byte, one useless token at most.
    EXPECT_EQ(Read(std::string("\xFF\xFE" "C\0:\0\\\0", 8), false), (Paths{u"\x047f\x047e" "C"}));
    EXPECT_EQ(Read(std::string("C\0:\0\\\0", 6), false), (Paths{u"C"}));
    EXPECT_EQ(Read(std::string("a\0b", 3), true), (Paths{u"a"}));
}

TEST(ListFileBytes, AllocationFailureReportsNotRead) {
    static const HeapOps failing = {[](size_t) -> void* { return nullptr; }, [](void*, size_t) -> void* { return nullptr; },
                                    [](void*) { return true; }};
    const HeapOps* old = SetHeapOps(&failing);
    Paths paths = Read("a b", false);
    SetHeapOps(old);
    EXPECT_EQ(paths, (Paths{u"<failed>"}));
}
