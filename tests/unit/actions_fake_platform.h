// An in-memory stand-in for the platform the actions use: scripted command
// results and dialogs, a fake folder tree with links, a fake account list,
// and a list file filled from a string.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "actions/action_platform.h"
#include "actions/menu_model.h"
#include "actions/node_menus.h"
#include "config/config_text.h"
#include "tests/unit/fake_tree.h"

struct FakeFolder {
    std::vector<std::pair<std::string, uint32_t>> entries;   // name, attributes ("." and ".." added)
};

struct FakeActions {
    // Commands and log.
    std::vector<std::string> commands;
    std::vector<std::string> log;
    std::vector<bool> results;   // command k takes results[k]; the last repeats; default success
    // Dialogs: results and what OK writes.
    int specialResult = 1;
    uint32_t specialMask = 0;
    uint32_t specialIn = 0xFFFFFFFF;
    int accountResult = 1;
    std::u16string typedAccount = u"typed";
    int dialogsShown = 0;
    // Files and folders (resolved paths). Links map a folder path to another.
    std::map<std::string, uint32_t> attributes;
    std::map<std::string, FakeFolder> folders;
    std::map<std::string, std::string> links;
    std::vector<std::string> listings;   // every folder listing opened
    int openListings = 0;
    // Accounts and registry.
    std::vector<std::u16string> users;
    uint32_t usersResult = 0;
    std::u16string domain;
    bool privilegeWorks = true;
    std::vector<std::string> privilegeCalls;
    uint16_t language = 0x0409;
    // The popup: the id to pick (0 dismisses), or a text to pick by.
    uint32_t pickId = 0;
    std::u16string pickText;
    bool pickDataReadable = true;
    std::string lastMenu;
    int menusShown = 0;

    ActionPlatform platform;
    FakeActions();
    ~FakeActions();

    std::string Resolve(const std::string& path) const;
    void AddFolder(const std::string& path, std::vector<std::pair<std::string, uint32_t>> entries);
};

// Readable dump of a menu model: one item per line, submenus indented;
// "---" for separators, "[x]" for a check mark, "#id" in hex, "@data".
std::string DumpMenu(const MenuModel* menu, int depth = 0);

// Points g_listFile (or g_languageFile) at the given text for one test.
class ScopedConfigText {
public:
    ScopedConfigText(ConfigText* config, const std::u16string& text);
    ~ScopedConfigText();

private:
    ConfigText* config_;
    ConfigText saved_;
    std::u16string buffer_;
};
