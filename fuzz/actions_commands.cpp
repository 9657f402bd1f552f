// Menus and their compositions on arbitrary list files, node texts and
// account names: every line run fits 4095 units and holds the path right
// after the verb, and quoted texts read back as themselves under the Windows
// argument rules.
#include <stdint.h>
#include <stdlib.h>

#include <string>

#include "actions/commands.h"
#include "actions/node_menus.h"
#include "base/text.h"
#include "config/config_text.h"
#include "tests/unit/config_code_pages.h"
#include "tests/unit/fake_tree.h"

namespace {

const char16_t kPath[] = u"C:\\fuzz dir\\";
const std::u16string kQuotedPath = u"\"C:\\fuzz dir\\\\\"";
uint32_t g_mask;

// The argument at the start of s as the C runtime splits it; aborts unless
// it is all of s and equals expected.
void ExpectOneArgument(const char16_t* s, const std::u16string& expected) {
    std::u16string out;
    bool quoted = false;
    size_t i = 0, slashes = 0;
    for (; s[i] && (quoted || (s[i] != u' ' && s[i] != u'\t')); i++) {
        if (s[i] == u'\\') {
            slashes++;
            continue;
        }
        out.append(s[i] == u'"' ? slashes / 2 : slashes, u'\\');
        if (s[i] == u'"' && slashes % 2 == 0) quoted = !quoted;
        else out += s[i];
        slashes = 0;
    }
    out.append(slashes, u'\\');
    if (s[i] || out != expected) abort();
}

void CheckQuoting(const std::u16string& text) {
    char16_t buffer[kQuoteUnits];
    const char16_t* quoted = QuoteIfSpaced(text.c_str(), buffer, kQuoteUnits);
    if (quoted && !text.empty()) ExpectOneArgument(quoted, text);
}

bool Run(void*, char16_t* line) {
    const std::u16string s(line);
    const size_t verb = s.rfind(u"icacls ", 0) == 0 ? 7 : s.rfind(u"takeown /f ", 0) == 0 ? 11 : 0;
    if (s.size() > 4095 || !verb || s.compare(verb, kQuotedPath.size(), kQuotedPath) != 0) abort();
    return true;
}

const ActionPlatform kPlatform = {
    nullptr, [](const char16_t*) -> uint32_t { return kAttributeFolder; }, Run,
    [](void*, const char16_t* text) { if (TextLength(text) >= kCommandUnits) abort(); },
    [](void*, uint32_t* value) { return *value = g_mask, 1; },
    [](void*, char16_t* text) { return CopyText(text, 100, u"typed \"name\\"), 1; },
    [](const char16_t*, FolderEntry*) -> void* { return nullptr; }, [](void*, FolderEntry*) { return false; },
    [](void*) {}, [](const char16_t*, FolderIdentity*) { return false; },
    [](void*, bool (*)(void*, const char16_t*)) -> uint32_t { return 0; },
    [](char16_t* out, uint32_t) { return CopyText(out, 8, u"CORP"), true; },
    [](const char16_t*, bool) { return true; }, []() -> uint16_t { return 0x0407; }, nullptr};

std::u16string Units(const uint8_t* data, size_t size) {
    std::u16string s;
    for (size_t i = 0; i + 1 < size; i += 2)
        if (char16_t c = (char16_t)(data[i] | data[i + 1] << 8)) s += c;
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Header: node kind, dialog mask, scope bits and switch, two split points;
    // then the list file, the node text and the account.
    if (size < 8) return 0;
    const uint32_t kinds[] = {0x0a, 0x0b, 0x0c, 0x08, 0x10};
    const uint32_t kind = kinds[data[0] % 5];
    g_mask = data[1] | data[2] << 8 | data[3] << 16;
    const size_t split1 = 8 + data[4] % (size - 7);
    const size_t split2 = split1 + data[5] % (size - split1 + 1);
    const std::string listBytes(reinterpret_cast<const char*>(data) + 8, split1 - 8);
    const std::u16string nodeText = Units(data + split1, split2 - split1), account = Units(data + split2, size - split2);
    CheckQuoting(nodeText);
    CheckQuoting(account);

    ConfigText saved = g_listFile;
    g_listFile = ConfigText();
    FillConfigText(&g_listFile, u"fuzz.cfg", listBytes.c_str(), fake_code_pages::Converter());
    FakeTree tree;
    const std::u16string paths = std::u16string(kPath) + u'\0' + u'\0';
    MenuChoice* choice = new MenuChoice();
    choice->group = GroupSnapshot{0, 1, tree.sink.insert(&tree, kTreeRoot, kPath, 3, MakeItemParam(0, 1)), paths.c_str()};
    choice->node = tree.sink.insert(&tree, choice->group.root, nodeText.c_str(), 21, MakeItemParam(0, kind));
    CopyText(choice->nodeText, kNodeTextRoom, nodeText.c_str());
    choice->kind = kind;
    choice->param = MakeItemParam(0, kind) | (uint32_t)(data[6] & 0xE0) << 24;
    choice->attributes = kAttributeFolder;
    if (data[7] & 1) FlipTraverseSubfolders();
    MenuModel menu;
    MenuInit(&menu);
    BuildNodeMenu(&kPlatform, &menu, kind, choice->attributes, &choice->recurseSuffix);
    // Every item the menu offers, chosen in turn; listed accounts are the fuzzed name.
    for (uint32_t i = 0; i < menu.count; i++) {
        const MenuModel* submenu = menu.items[i].submenu;
        for (uint32_t k = 0; k < (submenu ? submenu->count : 1); k++) {
            const MenuItem& pick = submenu ? submenu->items[k] : menu.items[i];
            if ((pick.flags & kMenuSeparator) || pick.id == kCmdTraverse || pick.id == kCmdInheritanceTree) continue;
            const bool listed = submenu && pick.id % kAccountRangeSize >= kAccountFirstListed;
            CopyText(choice->text, kChoiceTextUnits, listed ? account.c_str() : pick.text);
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
