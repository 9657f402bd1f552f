// Configuration texts, translation, and the shipped list file and
// language-file template.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "config/config_text.h"
#include "tests/unit/config_code_pages.h"

namespace {

typedef std::vector<std::u16string> Lines;

std::string ReadFile(const std::filesystem::path& path) {
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

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
        while (NextConfigLine(c, &offset, buf.data(), capacity) && !(toListEnd && (buf[0] == 0 || buf[0] == u'[')))
            lines.push_back(buf.data());
        return lines;
    }
    Lines Section(const char16_t* header) const { return Read(FindConfigSection(c, header), kListLineUnits, true); }
};

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
    // Even the empty text's own block fails: the record then holds no text at all.
    const HeapOps* old = SetHeapOps(&fake_code_pages::kFailingHeap);
    Config failed("k=v");
    SetHeapOps(old);
    EXPECT_EQ(failed.Read(0), Lines{});
}

TEST(ConfigKeys, ExactCaseSensitiveFirstLineWinsElseEnglish) {
    Config language("Closed=no\nclose=no\nClose=Schliessen\nClose=second\n"
                    "Allow inheritable = erbbar\nAllow = erlauben\nEq = a=b  \nEmpty =\n\tTab\t = t\n", &g_languageFile);
    const struct { const char16_t* text; const char16_t* shown; } cases[] = {
        {u"Close", u"Schliessen"}, {u"Closed", u"no"}, {u"Allow", u"erlauben"}, {u"Allow inheritable", u"erbbar"},
        {u"Eq", u"a=b"}, {u"Empty", u""}, {u"Tab", u"t"}, {u"\tTab", u"\tTab"}, {u" Allow", u" Allow"}, {u"Missing", u"Missing"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::u16string(Translate(c.text)), c.shown) << c.shown;
    // An earlier result passed back in is a key like any other; an English text is cut safely.
    EXPECT_EQ(std::u16string(Translate(Translate(u"Close"))), u"Schliessen") << "aliasing";
    std::u16string longText(5000, u'x');
    EXPECT_EQ(std::u16string(Translate(longText.c_str())), longText.substr(0, kTranslationUnits - 1));
}

// Translations come from an index of the keys built when the file is read;
// every key must get what a scan of the file gives.
TEST(ConfigKeys, IndexedLookupGivesWhatTheScanGives) {
    std::string cut(1030, 'c');   // a line cut by the buffer: its "=" is lost
    Config language("a=1\na  = 2\na    =3\n a = 4\na= b = 5\n=6\nx\t=7\n;y=8\ny =9\ny=10\n" + cut + "=11\n" +
                        cut.substr(0, 1020) + " =12\nz\r\n=13\n",
                    &g_languageFile);
    std::vector<std::u16string> keys = {u"a", u"a ", u"a  ", u"a   ", u"a    ", u"a     ", u"a\t", u"a=", u"a= b",
                                        u"a= b ", u"", u" ", u"x", u"x\t", u"y", u";y", u"z", u"=",
                                        std::u16string(1020, u'c'), std::u16string(1020, u'c') + u" "};
    for (const std::u16string& key : keys) {
        std::vector<char16_t> scan(kTranslationUnits);
        const char16_t* value = FindConfigKey(&g_languageFile, key.c_str(), scan.data(), kTranslationUnits);
        EXPECT_EQ(std::u16string(Translate(key.c_str())), value ? value : key) << key.size();
    }
}

TEST(ConfigSections, HeadersAndWhereAListEnds) {
    Config c("[ACCESS_TYPES]\nFull = F\n\n\nModify = M\n; note\nlost = L\n"
             "   [PC_USER_LIST] local accounts\nAdministrators\n  \t \nlost\n"
             "[DOMAIN_USER_LIST]\nDomain Users\n[PC_USER_LIST]\nsecond copy\n");
    EXPECT_EQ(c.Section(u"[ACCESS_TYPES]"), (Lines{u"Full = F", u"Modify = M"}));
    EXPECT_EQ(c.Section(u"[PC_USER_LIST]"), (Lines{u"Administrators"}));
    EXPECT_EQ(c.Section(u"[DOMAIN_USER_LIST]"), (Lines{u"Domain Users"}));
    EXPECT_EQ(FindConfigSection(c.c, u"[MISSING]"), kNoSection);
    EXPECT_EQ(Config("x\n[A]").Section(u"[A]"), Lines{});   // a header on the last line: an empty list

    Config list(ReadFile(OVRIX_SOURCE_DIR "/resources/ship/ovrix_list.cfg"));
    // The shipped file's explanations must not end a list before its entries.
    EXPECT_EQ(list.Section(u"[ACCESS_TYPES]"),
              (Lines{u"Full Control = F", u"Modify = M", u"Read & Execute = RX", u"Read = R", u"Write = W"}));
    for (const char16_t* header : {u"[PC_USER_LIST]", u"[DOMAIN_USER_LIST]"}) EXPECT_FALSE(list.Section(header).empty());
}

TEST(ConfigFiles, NamesBesideTheExecutableAndSizesThatFit) {
    char16_t path[kConfigPathUnits];
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

TEST(LanguageTemplate, OffersEveryTranslatedTextAsAReadableLine) {
    // A translator uncomments lines ";key = key" (";;" lines are notes); the reader must see each as written.
    std::string text = ReadFile(OVRIX_SOURCE_DIR "/resources/ship/ovrix_language_template.cfg"), uncommented;
    for (size_t i = 0; i < text.size(); i++)
        if (text[i] != ';' || (i && text[i - 1] != '\n') || text[i + 1] == ';') uncommented += text[i];
    std::set<std::u16string> offered;
    for (const std::u16string& line : Config(uncommented).Read(0)) {
        std::u16string key = line.substr(0, line.size() / 2 - 1);
        EXPECT_TRUE(line.empty() || line == key + u" = " + key) << "malformed: " << std::string(line.begin(), line.end());
        offered.insert(key);
    }
    std::string sources;
    for (const char* folder : {"app", "config", "input", "security", "report", "actions", "exec", "base"})
        for (const auto& entry : std::filesystem::directory_iterator(std::string(OVRIX_SOURCE_DIR) + "/" + folder))
            if (entry.path().extension() == ".cpp" || entry.path().extension() == ".h") sources += ReadFile(entry.path());
    // Keys hold no quote or backslash, so a literal reads as its text.
    const std::regex call("Translate\\(\\s*u\"([^\"]*)\"");
    std::set<std::string> used;
    for (std::sregex_iterator m(sources.begin(), sources.end(), call), end; m != end; ++m) used.insert((*m)[1]);
    EXPECT_TRUE(used.count("language file : %s")) << "the scan found no Translate calls";
    for (const std::string& key : used)
        EXPECT_TRUE(offered.count(std::u16string(key.begin(), key.end()))) << "missing from the template: " << key;
}
