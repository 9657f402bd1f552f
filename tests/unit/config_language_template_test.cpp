// The shipped language-file template must offer every text the program
// passes to Translate, so translators never miss one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

static std::string ReadFile(const std::filesystem::path& path) {
    std::stringstream all;
    all << std::ifstream(path, std::ios::binary).rdbuf();
    return all.str();
}

TEST(LanguageTemplate, OffersEveryTranslatedTextOnceAndWellFormed) {
    // Lines ";key = key"; ";;" lines are notes. A key the line reader could
    // never match is malformed too.
    std::set<std::string> offered;
    std::istringstream lines(ReadFile(OVRIX_SOURCE_DIR "/resources/ship/ovrix_language_template.cfg"));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.compare(0, 2, ";;") == 0) continue;
        size_t eq = line.find(" = ");
        std::string key = eq == std::string::npos ? "" : line.substr(1, eq - 1);
        bool readable = !key.empty() && key.find_first_of(";\t") == std::string::npos && key[0] != ' ' && key.back() != ' ';
        EXPECT_TRUE(line[0] == ';' && readable && line.substr(eq + 3) == key) << "malformed: " << line;
        EXPECT_TRUE(offered.insert(key).second) << "offered twice: " << key;
    }

    std::string sources;
    for (const char* folder : {"app", "config", "input", "security", "actions", "exec", "base"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(OVRIX_SOURCE_DIR) + "/" + folder)) {
            if (entry.path().extension() == ".cpp" || entry.path().extension() == ".h") sources += ReadFile(entry.path());
        }
    }
    // Keys hold no quote or backslash, so a literal reads as its text.
    const std::regex call("Translate\\(\\s*u\"([^\"]*)\"");
    std::set<std::string> used;
    for (std::sregex_iterator m(sources.begin(), sources.end(), call), end; m != end; ++m) used.insert((*m)[1]);
    EXPECT_TRUE(used.count("language file : %s")) << "the scan found no Translate calls";
    for (const std::string& key : used) EXPECT_TRUE(offered.count(key)) << "missing from the template: " << key;
    // Texts translated through tables escape the scan; each offered key must
    // at least still be a text the program holds.
    for (const std::string& key : offered)
        EXPECT_NE(sources.find("\"" + key + "\""), std::string::npos) << "the program no longer has: " << key;
}
