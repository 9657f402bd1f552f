#include "actions/node_menus.h"

#include "actions/command_text.h"
#include "base/format.h"
#include "base/item_param.h"
#include "base/text.h"
#include "config/config_text.h"

namespace {

bool g_traverseSubfolders = false;

const char16_t kRecurse[] = u" /T";
const char16_t kNoRecurse[] = u"";

void AppendTranslated(MenuModel* menu, const char16_t* english, uint32_t id, uint32_t flags = 0) {
    MenuAppendText(menu, Translate(english), id, flags);
}

void AppendTraverseItem(MenuModel* menu) {
    AppendTranslated(menu, u"Traverse all subfolders", kCmdTraverse, g_traverseSubfolders ? kMenuChecked : 0);
}

const char16_t* RecurseSuffixFor(uint32_t attributes) {
    return IsFolder(attributes) && g_traverseSubfolders ? kRecurse : kNoRecurse;
}

struct AccountSink {
    MenuModel* menu;
    uint32_t next;
    uint32_t last;
};

bool TakeAccountName(void* context, const char16_t* name) {
    AccountSink* sink = static_cast<AccountSink*>(context);
    if (sink->next > sink->last) return false;
    MenuAppendText(sink->menu, name, sink->next++, 0);
    return sink->next <= sink->last;
}

// A value that is not rights alone would put more than the menu shows into
// the command line; such lines were reported at start-up and are left out.
void AppendAccessTypes(MenuModel* menu) {
    uint32_t offset = FindConfigSection(&g_listFile, u"[ACCESS_TYPES]");
    if (offset == kNoSection) return;
    char16_t line[kListLineUnits];
    AccessType type;
    uint32_t id = kCmdAccessTypes;
    while (id <= kCmdLastAccessType && NextAccessType(&offset, line, &type)) {
        if (!type.valid) continue;
        line[type.nameLength] = 0;
        MenuAppendText(menu, Translate(line), id++, kMenuHasData, type.offset);
    }
}

}  // namespace

bool TraverseSubfolders() { return g_traverseSubfolders; }
void FlipTraverseSubfolders() { g_traverseSubfolders = !g_traverseSubfolders; }
void ResetTraverseSubfolders() { g_traverseSubfolders = false; }

bool NextAccessType(uint32_t* offset, char16_t* line, AccessType* type) {
    type->offset = *offset;
    if (!NextConfigLine(&g_listFile, offset, line, kListLineUnits)) return false;
    if (line[0] == 0 || line[0] == u'[') return false;
    uint32_t equals = 0;
    while (line[equals] && line[equals] != u'=') equals++;
    if (line[equals] != u'=') return false;
    uint32_t nameEnd = equals;
    while (nameEnd > 0 && line[nameEnd - 1] == u' ') nameEnd--;
    type->nameLength = nameEnd;
    const char16_t* rights = line + equals + 1;
    SkipBlanks(&rights);
    char16_t* end = line + TextLength(line);
    while (end > rights && end[-1] == u' ') end--;
    *end = 0;
    type->rights = rights;
    type->valid = IsIcaclsRights(rights);
    return true;
}

void ReportBadAccessTypes(const ActionPlatform* platform) {
    uint32_t offset = FindConfigSection(&g_listFile, u"[ACCESS_TYPES]");
    if (offset == kNoSection) return;
    char16_t line[kListLineUnits];
    char16_t report[kListLineUnits + kTranslationUnits];
    AccessType type;
    while (NextAccessType(&offset, line, &type)) {
        if (type.valid) continue;
        FormatText(report, kListLineUnits + kTranslationUnits, Translate(u"bad access type: %s"), line);
        platform->appendLog(platform->owner, report);
    }
}

uint32_t AppendSectionItems(MenuModel* menu, const char16_t* header, uint32_t firstId, uint32_t lastId) {
    uint32_t offset = FindConfigSection(&g_listFile, header);
    if (offset == kNoSection) return firstId;
    char16_t line[kListLineUnits];
    uint32_t id = firstId;
    while (id <= lastId && NextConfigLine(&g_listFile, &offset, line, kListLineUnits)) {
        if (line[0] == 0 || line[0] == u'[') break;
        MenuAppendText(menu, line, id++, 0);
    }
    return id;
}

// The server name is always empty: accounts come from the local machine.
void BuildAccountSubmenu(const ActionPlatform* platform, MenuModel* menu, const char16_t* /*server*/, uint32_t base) {
    // Ids past the range would be read as another submenu's or as an access
    // type, so the lists stop when the range is full.
    const uint32_t last = base + kAccountRangeSize - 1;
    uint32_t next = AppendSectionItems(menu, u"[PC_USER_LIST]", base + kAccountFirstListed, last);
    MenuAppendSeparator(menu);
    if (!platform->setPrivilege(u"SeRestorePrivilege", true)) return;
    AccountSink sink = {menu, next, last};
    uint32_t result = platform->enumerateUsers(&sink, TakeAccountName);
    // The privilege is dropped whatever the enumeration reported.
    platform->setPrivilege(u"SeRestorePrivilege", false);
    if (result == kUsersAccessDenied || result == kUsersInvalidComputer || result == kUsersMoreData) return;
    next = sink.next;
    MenuAppendSeparator(menu);
    char16_t domain[kDomainUnits];
    domain[0] = 0;
    if (!platform->readDomainName(domain, kDomainUnits)) domain[0] = 0;
    domain[kDomainUnits - 1] = 0;
    if (domain[0]) {
        AppendSectionItems(menu, u"[DOMAIN_USER_LIST]", next, last);
        MenuAppendSeparator(menu);
        MenuAppendText(menu, domain, base + kAccountDomain, 0);
    }
    AppendTranslated(menu, u"Enter account name", base + kAccountEnterName);
}

void BuildPermissionsMenu(const ActionPlatform* platform, MenuModel* menu, uint32_t attributes,
                          const char16_t** recurseSuffix) {
    const bool folder = IsFolder(attributes);
    AppendTranslated(menu, u"Allow inheritable", kCmdInheritanceOn);
    AppendTranslated(menu, u"Copy permissions & clear inheritable", kCmdInheritanceCopy);
    AppendTranslated(menu, u"Clear inheritable", kCmdInheritanceRemove);
    MenuAppendSeparator(menu);
    struct Row {
        const char16_t* text;
        uint32_t base;
        bool folderOnly;
    };
    const Row rows[] = {
        {u"Add allow permission", kCmdAddAllowAll, false},
        {u"Add this folder allow permission", kCmdAddAllowFolder, true},
        {u"Add subfolder,files allow permission", kCmdAddAllowContents, true},
        {u"Add deny permission", kCmdAddDeny, false},
    };
    for (const Row& row : rows) {
        if (row.folderOnly && !folder) continue;
        MenuModel* submenu = MenuAppendPopup(menu, Translate(row.text));
        if (submenu) BuildAccountSubmenu(platform, submenu, u"", row.base);
    }
    MenuAppendSeparator(menu);
    AppendTranslated(menu, u"Effective access", kCmdEffectiveAccess);
    *recurseSuffix = RecurseSuffixFor(attributes);
    if (!folder) return;
    MenuAppendSeparator(menu);
    AppendTranslated(menu, u"Allow inheritable subfolers,files", kCmdInheritanceTree);
    AppendTraverseItem(menu);
}

void BuildAceMenu(MenuModel* menu, uint32_t attributes, const char16_t** recurseSuffix) {
    AppendAccessTypes(menu);
    MenuAppendSeparator(menu);
    AppendTranslated(menu, u"Special Permissions", kCmdSpecialPermissions);
    MenuAppendSeparator(menu);
    AppendTranslated(menu, u"Remove this account permissions", kCmdRemoveAccount);
    *recurseSuffix = RecurseSuffixFor(attributes);
    if (!IsFolder(attributes)) return;
    MenuAppendSeparator(menu);
    AppendTraverseItem(menu);
}

void BuildIntegrityMenu(MenuModel* menu, uint32_t base) {
    AppendTranslated(menu, u"High", base + kCmdIntegrityHigh);
    AppendTranslated(menu, u"Medium", base + kCmdIntegrityMedium);
    AppendTranslated(menu, u"Low", base + kCmdIntegrityLow);
}

void AppendFindAccountItem(MenuModel* menu) {
    if (menu->count) MenuAppendSeparator(menu);
    AppendTranslated(menu, u"Find this account", kCmdFindAccount);
}

bool BuildNodeMenu(const ActionPlatform* platform, MenuModel* menu, uint32_t kind, uint32_t attributes,
                   const char16_t** recurseSuffix, bool undoOffered) {
    *recurseSuffix = kNoRecurse;
    switch (kind) {
    case kKindPathRoot:
        AppendTranslated(menu, u"list files", kCmdListFiles);
        if (IsFolder(attributes)) AppendTranslated(menu, u"Add everything below", kCmdScanBelow);
        if (undoOffered) AppendTranslated(menu, u"Undo last change", kCmdUndoLastChange);
        AppendTranslated(menu, u"Copy report", kCmdCopyReport);
        return true;
    case kKindOwner:
        AppendTranslated(menu, u"Change owner", kCmdTakeOwnership);
        return true;
    case kKindPermissions:
        BuildPermissionsMenu(platform, menu, attributes, recurseSuffix);
        return true;
    case kKindAllowAce:
    case kKindDenyAce:
        BuildAceMenu(menu, attributes, recurseSuffix);
        return true;
    case kKindIntegrity:
        BuildIntegrityMenu(menu, 0);
        return true;
    default:
        return false;
    }
}
