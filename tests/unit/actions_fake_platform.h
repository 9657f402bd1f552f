// The platform the actions use, in memory: scripted command results and
// dialogs, folders with links, local accounts and a list file from a string.
#pragma once
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "actions/node_menus.h"
#include "base/text.h"
#include "config/config_text.h"
#include "tests/unit/fake_tree.h"

const uint32_t kFile = 0x20;
const uint32_t kFolder = 0x10;

using FakeEntries = std::vector<std::pair<std::string, uint32_t>>;   // name, attributes

// One at a time: the platform's path calls carry no owner.
struct FakeActions {
    std::vector<std::string> commands, log, privilegeCalls;
    std::vector<bool> results;   // command k takes results[k], the last repeats; empty: all succeed
    int dialogResult = 1;        // of both dialogs: OK answers Read Attributes or typedName
    std::u16string typedName = u"new user";
    uint32_t specialIn = 0, usersResult = 0;
    std::map<std::string, uint32_t> attributes;
    std::map<std::string, FakeEntries> folders;   // "." and ".." are added
    std::map<std::string, std::string> links;     // a folder path and where it leads
    int listings = 0, openListings = 0;
    std::vector<std::u16string> users;
    std::u16string domain;
    bool privilegeWorks = true;
    uint16_t language = 0x0409;
    ActionPlatform platform{this,          FileAttributes, Run,       Log,         SpecialDialog,
                            AccountDialog, OpenFolder,     NextEntry, CloseFolder, Identity,
                            Users,         Domain,         Privilege, Language,    nullptr,
                            Copy,          nullptr,        WriteTemp, DeleteTemp};
    inline static FakeActions* current = nullptr;

    FakeActions() { current = this; ResetTraverseSubfolders(); }
    ~FakeActions() { current = nullptr; ResetTraverseSubfolders(); }

    std::string Resolve(const std::string& p) const {
        for (const auto& l : links)
            if (p == l.first || p.rfind(l.first + "\\", 0) == 0) return Resolve(l.second + p.substr(l.first.size()));
        return p;
    }
    static uint32_t FileAttributes(const char16_t* path) {
        auto it = current->attributes.find(Narrow(path));
        return it == current->attributes.end() ? 0xFFFFFFFF : it->second;
    }
    static bool Run(void*, char16_t* line) {
        const std::vector<bool>& r = current->results;
        current->commands.push_back(Narrow(line));
        return r.empty() || r[std::min(current->commands.size(), r.size()) - 1];
    }
    static void Log(void*, const char16_t* text) { current->log.push_back(Narrow(text)); }
    static int SpecialDialog(void*, uint32_t* value) {
        current->specialIn = *value;
        if (current->dialogResult == 1) *value = 0x80;
        return current->dialogResult;
    }
    static int AccountDialog(void*, char16_t* text) {
        if (current->dialogResult == 1) CopyText(text, kAccountTextUnits, current->typedName.c_str());
        return current->dialogResult;
    }
    struct Listing { FakeEntries entries; size_t next; };
    // Readers list folders ahead from their threads: the counts are kept
    // under this.
    static inline std::mutex listingCounts;
    static void* OpenFolder(const char16_t* pattern, FolderEntry* first) {
        std::lock_guard<std::mutex> hold(listingCounts);
        std::string p = Narrow(pattern);   // "<folder>\*"
        current->listings++;
        auto it = current->folders.find(current->Resolve(p.substr(0, p.size() - 2)));
        if (it == current->folders.end()) return nullptr;
        Listing* l = new Listing{{{".", kFolderAttribute}, {"..", kFolderAttribute}}, 0};
        l->entries.insert(l->entries.end(), it->second.begin(), it->second.end());
        NextEntry(l, first);
        current->openListings++;
        return l;
    }
    static bool NextEntry(void* listing, FolderEntry* out) {
        Listing* l = static_cast<Listing*>(listing);
        if (l->next >= l->entries.size()) return false;
        CopyText(out->name, 260, Wide(l->entries[l->next].first).c_str());
        out->attributes = l->entries[l->next++].second;
        return true;
    }
    static void CloseFolder(void* listing) {
        std::lock_guard<std::mutex> hold(listingCounts);
        current->openListings--;
        delete static_cast<Listing*>(listing);
    }
    static bool Identity(const char16_t* path, FolderIdentity* out) {
        auto it = current->folders.find(current->Resolve(Narrow(path)));
        *out = FolderIdentity{0x1234, (uint64_t)std::distance(current->folders.begin(), it)};
        return it != current->folders.end();
    }
    static uint32_t Users(void* sink, bool (*onName)(void*, const char16_t*)) {
        current->privilegeCalls.push_back("enumerate");
        for (const std::u16string& name : current->users)
            if (!onName(sink, name.c_str())) break;
        return current->usersResult;
    }
    static bool Domain(char16_t* out, uint32_t capacity) {
        CopyText(out, capacity, current->domain.c_str());
        return !current->domain.empty();
    }
    static bool Privilege(const char16_t* name, bool enable) {
        current->privilegeCalls.push_back(Narrow(name) + (enable ? " on" : " off"));
        return current->privilegeWorks;
    }
    static uint16_t Language() { return current->language; }
    std::vector<std::u16string> copied;
    static bool Copy(void*, const char16_t* text) { return current->copied.push_back(text), true; }
    // Temporary files by name, in the order written; deleted ones are gone from files.
    std::map<std::string, std::string> files;
    std::vector<std::string> written;
    bool tempWorks = true;
    static bool WriteTemp(const uint8_t* bytes, uint32_t size, char16_t* path) {
        const std::string name = "T:\\tmp " + std::to_string(current->written.size()) + ".acl";
        CopyText(path, kTempPathUnits, Wide(name).c_str());
        current->written.push_back(std::string((const char*)bytes, size));
        if (current->tempWorks) current->files[name] = current->written.back();
        return current->tempWorks;
    }
    static bool DeleteTemp(const char16_t* path) { return current->files.erase(Narrow(path)) == 1; }
};

// One item a line, submenus indented: "---", "text [x] #id @data".
inline std::string DumpMenu(const MenuModel* menu, int depth = 0) {
    std::string out;
    for (uint32_t i = 0; i < menu->count; i++) {
        const MenuItem& item = menu->items[i];
        char tail[48] = "";
        if (!item.submenu) snprintf(tail, sizeof tail, " #%x", item.id);
        if (item.flags & kMenuHasData) snprintf(tail + strlen(tail), 24, " @%u", item.data);
        out += std::string(depth * 2, ' ');
        if (item.flags & kMenuSeparator) out += "---\n";
        else out += Narrow(item.text) + (item.flags & kMenuChecked ? " [x]" : "") + tail + "\n";
        if (item.submenu) out += DumpMenu(item.submenu, depth + 1);
    }
    return out;
}

// Points a config text (the list file unless told) at a string for one scope.
struct ScopedConfigText {
    ConfigText* config;
    ConfigText saved;
    std::u16string buffer;
    ScopedConfigText(const std::u16string& text, ConfigText* which = &g_listFile)
        : config(which), saved(*which), buffer(text + std::u16string(200, u'\0')) {
        config->text = &buffer[0];
        config->length = (uint32_t)text.size() + 1;
    }
    ~ScopedConfigText() { *config = saved; }
};
