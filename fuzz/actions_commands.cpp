// Menus and command composition on arbitrary list files, node texts and
// account names: every command line that would run fits 4095 units, holds
// the path exactly where the template's hole was, and every quoted argument
// reads back as the original text under the Windows argument rules.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "actions/commands.h"
#include "actions/menu_model.h"
#include "actions/node_menus.h"
#include "base/text.h"
#include "config/config_text.h"
#include "tests/unit/config_code_pages.h"
#include "tests/unit/fake_tree.h"

namespace {

const char16_t kPath[] = u"C:\\fuzz dir\\";
std::u16string g_quotedPath;
uint32_t g_dialogMask;

// One argument read from the start of a command line, as the C runtime reads
// it; *used receives the units it took.
std::u16string ReadArgument(const char16_t* s, size_t* used) {
    std::u16string out;
    bool quoted = false;
    size_t i = 0;
    while (s[i]) {
        if (!quoted && (s[i] == u' ' || s[i] == u'\t')) break;
        if (s[i] == u'\\') {
            size_t backslashes = 0;
            while (s[i] == u'\\') backslashes++, i++;
            if (s[i] == u'"') {
                out.append(backslashes / 2, u'\\');
                if (backslashes % 2) out += u'"';
                else quoted = !quoted;
                i++;
            } else {
                out.append(backslashes, u'\\');
            }
            continue;
        }
        if (s[i] == u'"') {
            quoted = !quoted;
            i++;
            continue;
        }
        out += s[i++];
    }
    *used = i;
    return out;
}

void CheckQuoting(const std::u16string& text) {
    char16_t buffer[kQuoteUnits];
    const char16_t* q = QuoteIfSpaced(text.c_str(), buffer, kQuoteUnits);
    if (!q) return;
    if (text.empty()) return;
    size_t used = 0;
    if (ReadArgument(q, &used) != text || q[used] != 0) abort();
}

uint32_t Attributes(const char16_t*) { return 0x10; }

bool Run(void*, char16_t* line) {
    const uint32_t n = TextLength(line);
    if (n > 4095) abort();
    // The path stands where the hole was: right after the program's verb.
    const char16_t* after = TextStartsWith(line, u"icacls ") ? line + 7 : line + 11;
    if (!TextStartsWith(line, u"icacls ") && !TextStartsWith(line, u"takeown /f ")) abort();
    if (!TextStartsWith(after, g_quotedPath.c_str())) abort();
    return true;
}

void Log(void*, const char16_t* text) {
    if (TextLength(text) >= kCommandUnits) abort();
}
int Special(void*, uint32_t* value) {
    *value = g_dialogMask;
    return 1;
}
int Account(void*, char16_t* text) {
    CopyText(text, 100, u"typed \"name\\");
    return 1;
}
void* OpenFolder(const char16_t*, FolderEntry*) { return nullptr; }
bool NextEntry(void*, FolderEntry*) { return false; }
void CloseFolder(void*) {}
bool Identity(const char16_t*, FolderIdentity*) { return false; }
uint32_t Users(void*, bool (*)(void*, const char16_t*)) { return 5; }
bool Domain(char16_t* out, uint32_t) {
    CopyText(out, 8, u"CORP");
    return true;
}
bool Privilege(const char16_t*, bool) { return true; }
uint16_t Language() { return 0x0407; }
void Track(void*, const MenuModel*, MenuPick*) {}

const ActionPlatform kPlatform = {nullptr, Attributes, Run,      Log,     Special, Account,  OpenFolder, NextEntry,
                                  CloseFolder, Identity, Users, Domain, Privilege, Language, Track};

std::u16string Units(const uint8_t* data, size_t size) {
    std::u16string s;
    for (size_t i = 0; i + 1 < size; i += 2) {
        char16_t c = (char16_t)(data[i] | data[i + 1] << 8);
        if (c) s += c;
    }
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    // Header: kind selector, id selector, dialog mask, split points.
    const uint32_t kinds[] = {0x0a, 0x0b, 0x0c, 0x08, 0x10};
    const uint32_t kind = kinds[data[0] % 5];
    g_dialogMask = data[1] | data[2] << 8 | data[3] << 16;
    size_t split1 = 8 + data[4] % (size - 7);
    size_t split2 = split1 + (size > split1 ? data[5] % (size - split1 + 1) : 0);
    if (split2 > size) split2 = size;
    std::string listBytes(reinterpret_cast<const char*>(data) + 8, split1 - 8);
    std::u16string nodeText = Units(data + split1, split2 - split1);
    std::u16string account = Units(data + split2, size - split2);

    CheckQuoting(nodeText);
    CheckQuoting(account);
    char16_t buffer[kQuoteUnits];
    g_quotedPath = QuoteIfSpaced(kPath, buffer, kQuoteUnits);

    ConfigText saved = g_listFile;
    g_listFile = ConfigText();
    FillConfigText(&g_listFile, u"fuzz.cfg", listBytes.c_str(), fake_code_pages::Converter());

    FakeTree tree;
    std::u16string paths = std::u16string(kPath) + u'\0' + u'\0';
    MenuChoice* choice = new MenuChoice();
    choice->group = GroupSnapshot{0, 1, 0, paths.c_str(), nullptr, 0};
    choice->group.root = tree.sink.insert(&tree, kTreeRoot, kPath, 3, MakeItemParam(0, 1));
    choice->node = tree.sink.insert(&tree, choice->group.root, nodeText.c_str(), 21, MakeItemParam(0, kind));
    CopyText(choice->nodeText, kNodeTextRoom, nodeText.c_str());
    choice->kind = kind;
    choice->param = MakeItemParam(0, kind) | (uint32_t)(data[6] & 0xE0) << 24;
    choice->attributes = 0x10;
    if (data[7] & 1) FlipTraverseSubfolders();

    MenuModel menu;
    MenuInit(&menu);
    BuildNodeMenu(&kPlatform, &menu, kind, choice->attributes, &choice->recurseSuffix);
    // Every item the menu offers, chosen in turn.
    for (uint32_t i = 0; i < menu.count; i++) {
        const MenuItem& item = menu.items[i];
        const MenuModel* from = item.submenu ? item.submenu : &menu;
        uint32_t count = item.submenu ? item.submenu->count : 1;
        for (uint32_t k = 0; k < count; k++) {
            const MenuItem& pick = item.submenu ? from->items[k] : item;
            if ((pick.flags & kMenuSeparator) || pick.id == 0 || pick.id == kCmdTraverse || pick.id == kCmdInheritanceTree)
                continue;
            if (pick.id >= kCmdAddAllowAll && pick.id < kCmdAccessTypes && pick.id % kAccountRangeSize >= kAccountFirstListed) {
                CopyText(choice->text, kChoiceTextUnits, account.c_str());
            } else {
                CopyText(choice->text, kChoiceTextUnits, pick.text);
            }
            choice->id = pick.id;
            choice->data = pick.data;
            ComposeCommand(&kPlatform, &tree.sink, choice);
        }
    }
    MenuFree(&menu);
    delete choice;
    ResetTraverseSubfolders();
    ReleaseConfigText(&g_listFile);
    g_listFile = saved;
    return 0;
}
