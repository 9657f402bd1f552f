// The shipped language-file template must offer every text the program
// passes to Translate, so translators never miss one.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kSourceFolders[] = {"app", "config", "input", "security", "actions", "exec", "base"};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
}

bool IsSourceFile(const std::string& name) {
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    std::string ext = name.substr(dot);
    return ext == ".cpp" || ext == ".h";
}

// Every literal in a call of the form Translate(u"..."), escapes resolved.
void CollectTranslatedLiterals(const std::string& source, std::set<std::string>* keys) {
    const std::string call = "Translate(";
    for (size_t at = source.find(call); at != std::string::npos; at = source.find(call, at + 1)) {
        size_t p = at + call.size();
        while (p < source.size() && isspace((unsigned char)source[p])) p++;
        if (source.compare(p, 2, "u\"") != 0) continue;
        p += 2;
        std::string key;
        while (p < source.size() && source[p] != '"') {
            if (source[p] == '\\' && p + 1 < source.size()) p++;
            key += source[p++];
        }
        keys->insert(key);
    }
}

std::set<std::string> TranslatedLiteralsInSources() {
    std::set<std::string> keys;
    for (const char* folder : kSourceFolders) {
        std::string dir = std::string(OVRIX_SOURCE_DIR) + "/" + folder;
        DIR* d = opendir(dir.c_str());
        if (!d) continue;
        while (dirent* entry = readdir(d)) {
            std::string name = entry->d_name;
            if (IsSourceFile(name)) CollectTranslatedLiterals(ReadFile(dir + "/" + name), &keys);
        }
        closedir(d);
    }
    return keys;
}

// Template lines ";key = key"; ";;" lines are notes.
std::vector<std::string> TemplateKeys(std::vector<std::string>* malformed) {
    std::vector<std::string> keys;
    std::istringstream lines(ReadFile(std::string(OVRIX_SOURCE_DIR) + "/resources/ship/ovrix_language_template.cfg"));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line.compare(0, 2, ";;") == 0) continue;
        size_t eq = line.find(" = ");
        if (line[0] != ';' || eq == std::string::npos || line.substr(1, eq - 1) != line.substr(eq + 3)) {
            malformed->push_back(line);
            continue;
        }
        keys.push_back(line.substr(1, eq - 1));
    }
    return keys;
}

}  // namespace

TEST(LanguageTemplate, OffersEveryTranslatedTextOnceAndWellFormed) {
    std::vector<std::string> malformed;
    std::vector<std::string> keys = TemplateKeys(&malformed);
    EXPECT_TRUE(malformed.empty()) << "first malformed line: " << (malformed.empty() ? "" : malformed[0]);
    ASSERT_GT(keys.size(), 80u);
    std::set<std::string> offered(keys.begin(), keys.end());
    EXPECT_EQ(offered.size(), keys.size()) << "a key is offered twice";
    // Keys the line reader could never match.
    for (const std::string& key : keys) {
        EXPECT_FALSE(key.empty() || key[0] == ' ' || key[0] == ';' || key.back() == ' ' ||
                     key.find('\t') != std::string::npos)
            << key;
    }

    std::set<std::string> used = TranslatedLiteralsInSources();
    EXPECT_TRUE(used.count("language file : %s")) << "the scan found no Translate calls";
    for (const std::string& key : used) EXPECT_TRUE(offered.count(key)) << "missing from the template: " << key;
}
