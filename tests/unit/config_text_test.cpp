#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/format.h"
#include "base/heap.h"
#include "config/config_text.h"
#include "config/file_text.h"
#include "tests/unit/config_code_pages.h"

namespace {

struct Config {
    ConfigText config = {};
    explicit Config(const std::string& bytes) {
        FillConfigText(&config, u"C:\\x\\f.cfg", bytes.c_str(), fake_code_pages::Converter());
    }
    ~Config() { ReleaseConfigText(&config); }
    std::vector<std::u16string> Lines(uint32_t capacity = kListLineUnits) const {
        std::vector<std::u16string> lines;
        std::vector<char16_t> buf(capacity + 1, u'#');
        uint32_t offset = 0;
        while (NextConfigLine(&config, &offset, buf.data(), capacity)) lines.push_back(buf.data());
        return lines;
    }
    // A ListFile section as the menus read it: up to an empty line or a '['.
    std::vector<std::u16string> Section(const char16_t* header) const {
        std::vector<std::u16string> entries;
        uint32_t offset = FindConfigSection(&config, header);
        if (offset == kNoSection) return entries;
        char16_t line[kListLineUnits];
        while (NextConfigLine(&config, &offset, line, kListLineUnits) && line[0] && line[0] != u'[')
            entries.push_back(line);
        return entries;
    }
    std::u16string Key(const char16_t* key, uint32_t capacity = kTranslationUnits) const {
        std::vector<char16_t> buf(capacity);
        const char16_t* value = FindConfigKey(&config, key, buf.data(), capacity);
        return value ? std::u16string(u"=") + value : u"<none>";
    }
};

typedef std::vector<std::u16string> Lines;

// Installs a language file for one test and removes it afterwards.
struct LanguageFile {
    explicit LanguageFile(const std::string& bytes) {
        FillConfigText(&g_languageFile, u"lang.cfg", bytes.c_str(), fake_code_pages::Converter());
    }
    ~LanguageFile() { ReleaseConfigText(&g_languageFile); }
};

}  // namespace

TEST(ConfigLines, EveryKindOfLineEndAndRunsOfThemCountAsOne) {
    EXPECT_EQ(Config("a\r\nb\nc\rd\n\re").Lines(), (Lines{u"a", u"b", u"c", u"d", u"e"}));
    EXPECT_EQ(Config("a\r\n\r\n\n\r\r\rb\n\n").Lines(), (Lines{u"a", u"b"}));
    // Only a text that starts with a break yields one empty first line.
    EXPECT_EQ(Config("\r\n\r\na").Lines(), (Lines{u"", u"a"}));
    EXPECT_EQ(Config("\n").Lines(), (Lines{u""}));
    EXPECT_EQ(Config("").Lines(), Lines{});
}

TEST(ConfigLines, CleaningOfBlanksTabsAndComments) {
    EXPECT_EQ(Config("   ; note\n;x=y\na ; b\n").Lines(), (Lines{u"", u"", u"a ; b"}));
    EXPECT_EQ(Config("\tKey\t= value\n").Lines(), (Lines{u"Key= value"}));
    EXPECT_EQ(Config("  \t lead\ntrail   \nkept \t\n").Lines(), (Lines{u"lead", u"trail", u"kept "}));
    EXPECT_EQ(Config(" \t  \t\nx").Lines(), (Lines{u"", u"x"}));
    // A blank-only text before a CR LF pair.
    EXPECT_EQ(Config("  \r\n  x  \r\n").Lines(), (Lines{u"", u"x"}));
}

TEST(ConfigLines, LongLinesAreCutAndReadingGoesOnAtTheNextLine) {
    EXPECT_EQ(Config("abcdefg\nxy\n").Lines(4), (Lines{u"abc", u"xy"}));
    EXPECT_EQ(Config("abcdefg\nxy\n").Lines(1), (Lines{u"", u""}));
    // Tabs dropped before the cut do not count against it.
    EXPECT_EQ(Config("a\t\t\tbcdef").Lines(4), (Lines{u"abc"}));
}

TEST(ConfigLines, DecodingByteOrderMarkZeroByteAndUtf8) {
    EXPECT_EQ(Config("\xEF\xBB\xBFk=v\n").Lines(), Config("k=v\n").Lines());
    EXPECT_EQ(Config("\xEF\xBB\xBF").Lines(), Lines{});
    // Two bytes of the mark are not a mark: they are converted with the text.
    Lines partial = Config("\xEF\xBBk").Lines();
    ASSERT_EQ(partial.size(), 1u);
    EXPECT_NE(partial[0], u"k");
    EXPECT_EQ(partial[0].back(), u'k');
    EXPECT_EQ(Config(std::string("a\nb\0c\nd", 7)).Lines(), (Lines{u"a", u"b"}));
    EXPECT_EQ(Config("Gr\xC3\xBC\xC3\x9F\xE6\x97\xA5").Lines(), (Lines{u"Grüß日"}));

    Config c("ab");
    EXPECT_EQ(c.config.length, 3u);
    for (uint32_t i = 0; i < 128; i++) EXPECT_EQ(c.config.text[c.config.length + i], 0) << i;
}

TEST(ConfigLines, UnreadableFilesAndBadOffsetsGiveNoLines) {
    ConfigText config = {};
    char16_t line[16];
    uint32_t offset = 0;
    EXPECT_FALSE(NextConfigLine(&config, &offset, line, 16));   // never loaded
    std::u16string longPath(300, u'p');
    SetUnopenedConfigText(&config, longPath.c_str());
    EXPECT_EQ(config.length, 0u);
    EXPECT_EQ(std::u16string(config.path), longPath.substr(0, kConfigPathUnits - 1));
    EXPECT_FALSE(NextConfigLine(&config, &offset, line, 16));
    EXPECT_EQ(FindConfigSection(&config, u"[A]"), kNoSection);
    EXPECT_EQ(FindConfigKey(&config, u"a", line, 16), nullptr);
    ReleaseConfigText(&config);

    Config c("a\nb\n");
    offset = c.config.length + 5;
    EXPECT_FALSE(NextConfigLine(&c.config, &offset, line, 16));
    offset = c.config.length - 1;
    EXPECT_FALSE(NextConfigLine(&c.config, &offset, line, 16));
}

TEST(ConfigLines, AllocationFailureLeavesAnEmptyTextNotACrash) {
    static const HeapOps failing = {[](size_t) -> void* { return nullptr; }, [](void*, size_t) -> void* { return nullptr; },
                                    [](void*) { return true; }};
    const HeapOps* old = SetHeapOps(&failing);
    ConfigText config = {};
    FillConfigText(&config, u"p", "k=v", fake_code_pages::Converter());
    SetHeapOps(old);
    EXPECT_EQ(config.length, 0u);
    EXPECT_EQ(std::u16string(config.path), u"p");
    char16_t line[16];
    uint32_t offset = 0;
    EXPECT_FALSE(NextConfigLine(&config, &offset, line, 16));
    ReleaseConfigText(&config);
}

TEST(ConfigKeys, ExactCaseSensitiveFirstLineWins) {
    Config c("Closed=no\nclose=no\nClose=Schliessen\nClose=second\n"
             "Allow inheritable = erbbar\nAllow = erlauben\nEq = a=b  \nEmpty =\n\tTab\t = t\n");
    EXPECT_EQ(c.Key(u"Close"), u"=Schliessen");
    EXPECT_EQ(c.Key(u"Closed"), u"=no");
    EXPECT_EQ(c.Key(u"Allow"), u"=erlauben");
    EXPECT_EQ(c.Key(u"Allow inheritable"), u"=erbbar");
    EXPECT_EQ(c.Key(u"Eq"), u"=a=b");
    EXPECT_EQ(c.Key(u"Empty"), u"=");
    EXPECT_EQ(c.Key(u"Tab"), u"=t");
    EXPECT_EQ(c.Key(u"\tTab"), u"<none>");
    EXPECT_EQ(c.Key(u" Allow"), u"<none>");
    EXPECT_EQ(c.Key(u"Missing"), u"<none>");
    EXPECT_EQ(Config("Closed=x\n").Key(u"Close"), u"<none>");
    EXPECT_EQ(Config("Close =\n").Key(u"Close"), u"=");
    // The line is cut to the buffer before it is compared.
    EXPECT_EQ(Config("Close=abcdef\n").Key(u"Close", 8), u"=a");
    EXPECT_EQ(Config("Close=abcdef\n").Key(u"Close", 6), u"<none>");
}

TEST(ConfigSections, HeadersAndWhereAListEnds) {
    Config c("[ACCESS_TYPES]\nFull = F\n\n\nModify = M\n; note\nlost = L\n"
             "   [PC_USER_LIST] local accounts\nAdministrators\n  \t \nlost\n"
             "[DOMAIN_USER_LIST]\nDomain Users\n[PC_USER_LIST]\nsecond copy\n");
    EXPECT_EQ(c.Section(u"[ACCESS_TYPES]"), (Lines{u"Full = F", u"Modify = M"}));
    EXPECT_EQ(c.Section(u"[PC_USER_LIST]"), (Lines{u"Administrators"}));
    EXPECT_EQ(c.Section(u"[DOMAIN_USER_LIST]"), (Lines{u"Domain Users"}));
    EXPECT_EQ(c.Section(u"[MISSING]"), Lines{});
    EXPECT_EQ(FindConfigSection(&c.config, u"[MISSING]"), kNoSection);
    // A header on the last line gives the end offset: an empty list.
    Config last("x\n[A]");
    EXPECT_EQ(FindConfigSection(&last.config, u"[A]"), last.config.length - 1);
    EXPECT_EQ(last.Section(u"[A]"), Lines{});
}

TEST(ConfigLineChars, PeekStopsAtBreaksAndSkipBlanksAtTheirFirst) {
    const char16_t* text = u"a\r\nb";
    const char16_t* p = text;
    EXPECT_EQ(PeekLineChar(&p), u'a');
    EXPECT_EQ(p, text);
    p = text + 1;
    EXPECT_EQ(PeekLineChar(&p), 0);
    EXPECT_EQ(p, text + 2);   // on the pair's second character
    const char16_t* lfcr = u"\n\r\r";
    p = lfcr;
    EXPECT_EQ(PeekLineChar(&p), 0);
    EXPECT_EQ(p, lfcr + 1);
    p = lfcr + 1;   // a CR followed by a CR is no pair
    EXPECT_EQ(PeekLineChar(&p), 0);
    EXPECT_EQ(p, lfcr + 1);
    const char16_t* blanks = u" \t x";
    p = blanks;
    EXPECT_EQ(SkipBlanks(&p), u'x');
    EXPECT_EQ(p, blanks + 3);
    const char16_t* end = u" \t";
    p = end;
    EXPECT_EQ(SkipBlanks(&p), 0);
    EXPECT_EQ(p, end + 2);
}

TEST(Translate, LanguageFileOrEnglishAndAlwaysInsideTheBuffer) {
    EXPECT_EQ(std::u16string(Translate(u"Close")), u"Close");
    {
        LanguageFile lang("Close=Schliessen\nAction =\n");
        EXPECT_EQ(std::u16string(Translate(u"Close")), u"Schliessen");
        EXPECT_EQ(std::u16string(Translate(u"Action")), u"");
        EXPECT_EQ(std::u16string(Translate(u"Cancel")), u"Cancel");
        // An earlier result passed back in is a key like any other.
        const char16_t* english = Translate(u"Close");
        EXPECT_EQ(std::u16string(Translate(english)), u"Schliessen") << "aliasing";
    }
    EXPECT_EQ(std::u16string(Translate(u"Close")), u"Close");

    std::u16string longText(5000, u'x');
    const char16_t* cut = Translate(longText.c_str());
    EXPECT_EQ(std::u16string(cut), longText.substr(0, kTranslationUnits - 1));
}

TEST(Translate, ALanguageFilePatternNeverReadsArgumentsThatWereNotGiven) {
    LanguageFile lang("language file : %s = %s %d %x %c: %s\n");
    char16_t line[64];
    FormatText(line, 64, Translate(u"language file : %s"), u"C:\\o.cfg");
    EXPECT_EQ(std::u16string(line), u"C:\\o.cfg   : ");
}

TEST(ConfigFileNames, BesideTheExecutableAndCutSafely) {
    char16_t path[kConfigPathUnits];
    EXPECT_TRUE(PathBesideExecutable(u"C:\\a b\\ovrix.exe", u"ovrix_list.cfg", path, kConfigPathUnits));
    EXPECT_EQ(std::u16string(path), u"C:\\a b\\ovrix_list.cfg");
    EXPECT_TRUE(PathBesideExecutable(u"ovrix.exe", u"n.cfg", path, kConfigPathUnits));
    EXPECT_EQ(std::u16string(path), u"n.cfg");

    std::u16string folder = u"C:\\" + std::u16string(245, u'd') + u"\\";
    std::u16string exe = folder + u"x.exe";
    EXPECT_TRUE(PathBesideExecutable(exe.c_str(), u"ovrix_list", path, kConfigPathUnits));  // 259 units
    EXPECT_FALSE(PathBesideExecutable(exe.c_str(), u"ovrix_list.cfg", path, kConfigPathUnits));
    EXPECT_EQ(std::u16string(path), (folder + u"ovrix_list.cfg").substr(0, kConfigPathUnits - 1));

    char16_t name[32];
    LanguageFileName(0x10411, name, 32);
    EXPECT_EQ(std::u16string(name), u"ovrix0411.cfg");
    LanguageFileName(0x7, name, 32);
    EXPECT_EQ(std::u16string(name), u"ovrix0007.cfg");
    LanguageFileName(0xFC0A, name, 32);
    EXPECT_EQ(std::u16string(name), u"ovrixfc0a.cfg");
}

TEST(WholeFileBufferSize, RefusesWhatDoesNotFitIn32Bits) {
    uint32_t total = 0;
    EXPECT_TRUE(WholeFileBufferSize(0, 8, &total));
    EXPECT_EQ(total, 8u);
    EXPECT_TRUE(WholeFileBufferSize(0xFFFFFFF7u, 8, &total));
    EXPECT_EQ(total, 0xFFFFFFFFu);
    EXPECT_FALSE(WholeFileBufferSize(0xFFFFFFF8u, 8, &total));
    EXPECT_FALSE(WholeFileBufferSize(0x100000000ull, 0, &total));
    EXPECT_FALSE(WholeFileBufferSize(UINT64_MAX, 8, &total));
}
