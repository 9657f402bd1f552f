#include "tests/unit/actions_fake_platform.h"

#include <cstdio>
#include <functional>

namespace {

FakeActions* Fake(void* owner) { return static_cast<FakeActions*>(owner); }
FakeActions* g_current = nullptr;

std::string Str(const char16_t* s) { return Narrow(std::u16string(s)); }

uint32_t FileAttributes(const char16_t* path) {
    FakeActions* f = g_current;
    std::string p = f->Resolve(Str(path));
    if (f->folders.count(p)) return f->attributes.count(p) ? f->attributes[p] : 0x10;
    auto it = f->attributes.find(p);
    return it == f->attributes.end() ? 0xFFFFFFFF : it->second;
}

bool RunCommand(void* owner, char16_t* line) {
    FakeActions* f = Fake(owner);
    size_t k = f->commands.size();
    f->commands.push_back(Str(line));
    if (f->results.empty()) return true;
    return f->results[k < f->results.size() ? k : f->results.size() - 1];
}

void AppendLog(void* owner, const char16_t* text) { Fake(owner)->log.push_back(Str(text)); }

int SpecialDialog(void* owner, uint32_t* value) {
    FakeActions* f = Fake(owner);
    f->dialogsShown++;
    f->specialIn = *value;
    if (f->specialResult == 1) *value = f->specialMask;
    return f->specialResult;
}

int AccountDialog(void* owner, char16_t* text) {
    FakeActions* f = Fake(owner);
    f->dialogsShown++;
    if (f->accountResult == 1) {
        size_t n = std::min<size_t>(f->typedAccount.size(), 99);
        for (size_t i = 0; i < n; i++) text[i] = f->typedAccount[i];
        text[n] = 0;
    }
    return f->accountResult;
}

struct Listing {
    std::vector<std::pair<std::string, uint32_t>> entries;
    size_t next;
};

void FillEntry(const std::pair<std::string, uint32_t>& e, FolderEntry* out) {
    std::u16string name = Wide(e.first);
    size_t n = std::min<size_t>(name.size(), 259);
    for (size_t i = 0; i < n; i++) out->name[i] = name[i];
    out->name[n] = 0;
    out->attributes = e.second;
}

void* OpenFolder(const char16_t* pattern, FolderEntry* first) {
    FakeActions* f = g_current;
    std::string p = Str(pattern);
    if (p.size() < 2 || p.substr(p.size() - 2) != "\\*") return nullptr;
    std::string folder = f->Resolve(p.substr(0, p.size() - 2));
    f->listings.push_back(p.substr(0, p.size() - 2));
    auto it = f->folders.find(folder);
    if (it == f->folders.end()) return nullptr;
    Listing* l = new Listing{{{".", 0x10}, {"..", 0x10}}, 1};
    for (auto& e : it->second.entries) l->entries.push_back(e);
    FillEntry(l->entries[0], first);
    f->openListings++;
    return l;
}

bool NextEntry(void* listing, FolderEntry* next) {
    Listing* l = static_cast<Listing*>(listing);
    if (l->next >= l->entries.size()) return false;
    FillEntry(l->entries[l->next++], next);
    return true;
}

void CloseFolder(void* listing) {
    g_current->openListings--;
    delete static_cast<Listing*>(listing);
}

bool Identity(const char16_t* path, FolderIdentity* out) {
    FakeActions* f = g_current;
    std::string p = f->Resolve(Str(path));
    if (!f->folders.count(p)) return false;
    out->volumeSerial = 0x1234;
    out->fileIndex = std::hash<std::string>()(p);
    return true;
}

uint32_t EnumerateUsers(void* sink, bool (*onName)(void*, const char16_t*)) {
    FakeActions* f = g_current;
    f->privilegeCalls.push_back("enumerate");
    if (f->usersResult == kUsersAccessDenied || f->usersResult == kUsersInvalidComputer ||
        f->usersResult == kUsersMoreData)
        return f->usersResult;
    for (const std::u16string& name : f->users)
        if (!onName(sink, name.c_str())) break;
    return f->usersResult;
}

bool ReadDomain(char16_t* out, uint32_t capacity) {
    FakeActions* f = g_current;
    if (f->domain.empty()) return false;
    size_t n = std::min<size_t>(f->domain.size(), capacity - 1);
    for (size_t i = 0; i < n; i++) out[i] = f->domain[i];
    out[n] = 0;
    return true;
}

bool SetPrivilege(const char16_t* name, bool enable) {
    FakeActions* f = g_current;
    f->privilegeCalls.push_back(Str(name) + (enable ? " on" : " off"));
    return f->privilegeWorks;
}

uint16_t UiLanguage() { return g_current->language; }

const MenuItem* FindText(const MenuModel* menu, const std::u16string& text) {
    for (uint32_t i = 0; i < menu->count; i++) {
        const MenuItem* item = &menu->items[i];
        if (item->submenu) {
            if (const MenuItem* found = FindText(item->submenu, text)) return found;
        } else if (item->text && text == item->text) {
            return item;
        }
    }
    return nullptr;
}

void TrackMenu(void* owner, const MenuModel* menu, MenuPick* pick) {
    FakeActions* f = Fake(owner);
    f->menusShown++;
    f->lastMenu = DumpMenu(menu);
    const MenuItem* item = f->pickText.empty() ? MenuFindCommand(menu, f->pickId) : FindText(menu, f->pickText);
    if (!item) return;
    pick->id = item->id;
    size_t i = 0;
    for (; item->text[i] && i < 255; i++) pick->text[i] = item->text[i];
    pick->text[i] = 0;
    pick->dataRead = (item->flags & kMenuHasData) && f->pickDataReadable;
    if (pick->dataRead) pick->data = item->data;
}

}  // namespace

FakeActions::FakeActions() {
    g_current = this;
    platform = ActionPlatform{this,         FileAttributes, RunCommand,     AppendLog,  SpecialDialog,
                              AccountDialog, OpenFolder,     NextEntry,      CloseFolder, Identity,
                              EnumerateUsers, ReadDomain,    SetPrivilege,   UiLanguage, TrackMenu};
    ResetTraverseSubfolders();
}

FakeActions::~FakeActions() {
    g_current = nullptr;
    ResetTraverseSubfolders();
}

std::string FakeActions::Resolve(const std::string& path) const {
    std::string p = path;
    for (int guard = 0; guard < 1000; guard++) {
        bool changed = false;
        for (auto& link : links) {
            const std::string& from = link.first;
            if (p.compare(0, from.size(), from) == 0 && (p.size() == from.size() || p[from.size()] == '\\')) {
                p = link.second + p.substr(from.size());
                changed = true;
                break;
            }
        }
        if (!changed) break;
    }
    return p;
}

void FakeActions::AddFolder(const std::string& path, std::vector<std::pair<std::string, uint32_t>> entries) {
    folders[path].entries = std::move(entries);
}

std::string DumpMenu(const MenuModel* menu, int depth) {
    std::string out;
    for (uint32_t i = 0; i < menu->count; i++) {
        const MenuItem& item = menu->items[i];
        out += std::string(depth * 2, ' ');
        if (item.flags & kMenuSeparator) {
            out += "---\n";
            continue;
        }
        out += Narrow(item.text);
        if (item.flags & kMenuChecked) out += " [x]";
        char id[32];
        if (!item.submenu) {
            snprintf(id, sizeof id, " #%x", item.id);
            out += id;
        }
        if (item.flags & kMenuHasData) {
            snprintf(id, sizeof id, " @%u", item.data);
            out += id;
        }
        out += "\n";
        if (item.submenu) out += DumpMenu(item.submenu, depth + 1);
    }
    return out;
}

ScopedConfigText::ScopedConfigText(ConfigText* config, const std::u16string& text) : config_(config) {
    saved_ = *config;
    buffer_ = text;
    buffer_.append(200, u'\0');
    config->text = &buffer_[0];
    config->length = (uint32_t)text.size() + 1;
}

ScopedConfigText::~ScopedConfigText() { *config_ = saved_; }
