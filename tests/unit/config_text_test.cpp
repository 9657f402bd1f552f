#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/heap.h"
#include "config/config_text.h"
#include "tests/unit/config_code_pages.h"

namespace {

typedef std::vector<std::u16string> Lines;

// A text filled as a loaded file would be, into its own record or a global one.
struct Config {
    ConfigText own = {};
    ConfigText* c;
    explicit Config(const std::string& bytes, ConfigText* into = nullptr) : c(into ? into : &own) {
        FillConfigText(c, u"C:\\x\\f.cfg", bytes.c_str(), fake_code_pages::Converter());
    }
    ~Config() { ReleaseConfigText(c); }
    // The lines from offset on; a list (toListEnd) ends at an empty line or a '['.
    Lines Read(uint32_t offset, uint32_t capacity = kListLineUnits, bool toListEnd = false) const {
        Lines lines;
        std::vector<char16_t> buf(capacity + 1, u'#');
        while (NextConfigLine(c, &offset, buf.data(), capacity) &&
               !(toListEnd && (buf[0] == 0 || buf[0] == u'[')))
            lines.push_back(buf.data());
        return lines;
    }
    Lines Section(const char16_t* header) const { return Read(FindConfigSection(c, header), kListLineUnits, true); }
};

const HeapOps kFailingHeap = {[](size_t) -> void* { return nullptr; }, [](void*, size_t) -> void* { return nullptr; },
                              [](void*) { return true; }};

}  // namespace

TEST(ConfigLines, BreaksBlanksCommentsCutsAndDecoding) {
    const struct { std::string bytes; uint32_t capacity; Lines lines; } cases[] = {
        {"a\r\nb\nc\rd\n\re", 99, {u"a", u"b", u"c", u"d", u"e"}}, {"a\r\n\r\n\n\r\r\rb\n\n", 99, {u"a", u"b"}},
        {"\r\n\r\na", 99, {u"", u"a"}}, {"", 99, {}}, {"  \r\n  x  \r\n", 99, {u"", u"x"}},   // only a leading break
        {"   ; note\n;x=y\na ; b\n", 99, {u"", u"", u"a ; b"}}, {"abcdefg\nxy\n", 4, {u"abc", u"xy"}},
        {"\tKey\t= value\n  \t lead\ntrail   \nkept \t\n", 99, {u"Key= value", u"lead", u"trail", u"kept "}},
        {"abcdefg\nxy\n", 1, {u"", u""}}, {"a\t\t\tbcdef", 4, {u"abc"}},   // dropped tabs do not count against the cut
        {"\xEF\xBB\xBFk=v\n", 99, {u"k=v"}}, {"\xEF\xBB\xBF", 99, {}}, {"\xEF\xBBk", 99, {u"\u00EF\u00BBk"}},
        {std::string("a\nb\0c\nd", 7), 99, {u"a", u"b"}}, {"Gr\xC3\xBC\xC3\x9F\xE6\x97\xA5", 99, {u"Grüß日"}},
    };
    for (const auto& c : cases) EXPECT_EQ(Config(c.bytes).Read(0, c.capacity), c.lines) << c.bytes;
}

TEST(ConfigLines, NoTextAndFailedAllocationsGiveNoLines) {
    ConfigText config = {};
    char16_t line[16];
    uint32_t offset = 0;
    SetUnopenedConfigText(&config, u"C:\\none.cfg");
    EXPECT_EQ(FindConfigKey(&config, u"a", line, 16), nullptr);

    ReleaseConfigText(&config);   // while the heap still frees
    const HeapOps* old = SetHeapOps(&kFailingHeap);
    FillConfigText(&config, u"p", "k=v", fake_code_pages::Converter());
    SetHeapOps(old);
    EXPECT_EQ(std::u16string(config.path), u"p");
    EXPECT_FALSE(NextConfigLine(&config, &offset, line, 16));
    ReleaseConfigText(&config);
}

TEST(ConfigKeys, ExactCaseSensitiveFirstLineWins) {
    Config c("Closed=no\nclose=no\nClose=Schliessen\nClose=second\n"
             "Allow inheritable = erbbar\nAllow = erlauben\nEq = a=b  \nEmpty =\n\tTab\t = t\n");
    const struct { const char16_t* key; const char16_t* value; } cases[] = {
        {u"Close", u"=Schliessen"}, {u"Closed", u"=no"}, {u"Allow", u"=erlauben"}, {u"Allow inheritable", u"=erbbar"},
        {u"Eq", u"=a=b"}, {u"Empty", u"="}, {u"Tab", u"=t"}, {u"\tTab", u"<none>"}, {u" Allow", u"<none>"},
        {u"Missing", u"<none>"},
    };
    char16_t out[kTranslationUnits];
    for (const auto& k : cases) {
        const char16_t* value = FindConfigKey(c.c, k.key, out, kTranslationUnits);
        EXPECT_EQ(value ? u"=" + std::u16string(value) : u"<none>", k.value) << k.value;
    }
    // The line is cut to the buffer before it is compared.
    Config cut("Close=abcdef\n");
    EXPECT_TRUE(FindConfigKey(cut.c, u"Close", out, 6) == nullptr && FindConfigKey(cut.c, u"Close", out, 8) == out + 6);
    EXPECT_EQ(std::u16string(out), u"Close=a");
}

TEST(ConfigSections, HeadersAndWhereAListEnds) {
    Config c("[ACCESS_TYPES]\nFull = F\n\n\nModify = M\n; note\nlost = L\n"
             "   [PC_USER_LIST] local accounts\nAdministrators\n  \t \nlost\n"
             "[DOMAIN_USER_LIST]\nDomain Users\n[PC_USER_LIST]\nsecond copy\n");
    EXPECT_EQ(c.Section(u"[ACCESS_TYPES]"), (Lines{u"Full = F", u"Modify = M"}));
    EXPECT_EQ(c.Section(u"[PC_USER_LIST]"), (Lines{u"Administrators"}));
    EXPECT_EQ(c.Section(u"[DOMAIN_USER_LIST]"), (Lines{u"Domain Users"}));
    EXPECT_EQ(FindConfigSection(c.c, u"[MISSING]"), kNoSection);
    // A header on the last line gives the end offset: an empty list.
    Config last("x\n[A]");
    EXPECT_EQ(FindConfigSection(last.c, u"[A]"), last.own.length - 1);
    EXPECT_EQ(last.Section(u"[A]"), Lines{});

    std::stringstream shipped;
    shipped << std::ifstream(OVRIX_SOURCE_DIR "/resources/ship/ovrix_list.cfg", std::ios::binary).rdbuf();
    Config list(shipped.str());
    // The shipped file's explanations must not end a list before its entries.
    EXPECT_EQ(list.Section(u"[ACCESS_TYPES]"),
              (Lines{u"Full Control = F", u"Modify = M", u"Read & Execute = RX", u"Read = R", u"Write = W"}));
    for (const char16_t* header : {u"[PC_USER_LIST]", u"[DOMAIN_USER_LIST]"}) EXPECT_FALSE(list.Section(header).empty());
}

TEST(Translate, LanguageFileOrEnglishAndCutSafely) {
    {
        Config lang("Close=Schliessen\nAction =\n", &g_languageFile);
        EXPECT_EQ(std::u16string(Translate(u"Close")), u"Schliessen");
        EXPECT_EQ(std::u16string(Translate(u"Action")), u"");
        EXPECT_EQ(std::u16string(Translate(u"Cancel")), u"Cancel");
        // An earlier result passed back in is a key like any other.
        EXPECT_EQ(std::u16string(Translate(Translate(u"Close"))), u"Schliessen") << "aliasing";
    }
    EXPECT_EQ(std::u16string(Translate(u"Close")), u"Close");
    std::u16string longText(5000, u'x');
    EXPECT_EQ(std::u16string(Translate(longText.c_str())), longText.substr(0, kTranslationUnits - 1));
}

TEST(ConfigFiles, NamesBesideTheExecutableAndSizesThatFit) {
    char16_t path[kConfigPathUnits];
    EXPECT_TRUE(PathBesideExecutable(u"C:\\a b\\ovrix.exe", u"ovrix_list.cfg", path, kConfigPathUnits));
    EXPECT_EQ(std::u16string(path), u"C:\\a b\\ovrix_list.cfg");
    std::u16string folder = u"C:\\" + std::u16string(245, u'd') + u"\\";
    EXPECT_TRUE(PathBesideExecutable((folder + u"x.exe").c_str(), u"ovrix_list", path, kConfigPathUnits));  // 259
    EXPECT_FALSE(PathBesideExecutable((folder + u"x.exe").c_str(), u"ovrix_list.cfg", path, kConfigPathUnits));
    EXPECT_EQ(std::u16string(path), (folder + u"ovrix_list.cfg").substr(0, kConfigPathUnits - 1));
    LanguageFileName(0x10C0A, path, 32);
    EXPECT_EQ(std::u16string(path), u"ovrix0c0a.cfg");

    // A file whose size, or size plus its zeros, does not fit in 32 bits is refused.
    uint32_t total = 0;
    EXPECT_TRUE(WholeFileBufferSize(0xFFFFFFF7u, 8, &total) && total == 0xFFFFFFFFu);
    EXPECT_FALSE(WholeFileBufferSize(0xFFFFFFF8u, 8, &total) || WholeFileBufferSize(0x100000000ull, 0, &total));
}
