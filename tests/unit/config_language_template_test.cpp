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

// Every product source file, concatenated.
std::string ProductSources() {
    std::string all;
    for (const char* folder : kSourceFolders) {
        std::string dir = std::string(OVRIX_SOURCE_DIR) + "/" + folder;
        DIR* d = opendir(dir.c_str());
        if (!d) continue;
        while (dirent* entry = readdir(d)) {
            std::string name = entry->d_name;
            if (IsSourceFile(name)) all += ReadFile(dir + "/" + name) + "\n";
        }
        closedir(d);
    }
    return all;
}

std::string QuotedLiteral(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
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

    std::string sources = ProductSources();
    std::set<std::string> used;
    CollectTranslatedLiterals(sources, &used);
    EXPECT_TRUE(used.count("language file : %s")) << "the scan found no Translate calls";
    for (const std::string& key : used) EXPECT_TRUE(offered.count(key)) << "missing from the template: " << key;
    // Texts translated through tables are not found by the scan above; at
    // least each offered key must still be a text the program holds.
    for (const std::string& key : keys)
        EXPECT_NE(sources.find(QuotedLiteral(key)), std::string::npos) << "the program no longer has: " << key;
}
