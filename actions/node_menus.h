// The context menus of the security tree's nodes, built afresh at every
// opening from the node's kind, the first path's attributes and the list file.
#pragma once
#include <stdint.h>

#include "actions/action_platform.h"
#include "actions/menu_model.h"
#include "security/ace_text.h"
#include "security/tree_builder.h"

// Command ids; the account submenus and access types are ranges.
const uint32_t kCmdListFiles = 1;
const uint32_t kCmdTakeOwnership = 2;
const uint32_t kCmdTraverse = 3;
const uint32_t kCmdSpecialPermissions = 4;
const uint32_t kCmdRemoveAccount = 5;
const uint32_t kCmdInheritanceOn = 6;
const uint32_t kCmdInheritanceCopy = 7;
const uint32_t kCmdInheritanceRemove = 8;
const uint32_t kCmdInheritanceTree = 9;
const uint32_t kCmdIntegrityLow = 10;
const uint32_t kCmdIntegrityMedium = 11;
const uint32_t kCmdIntegrityHigh = 12;
const uint32_t kCmdCopyReport = 13;
const uint32_t kCmdScanBelow = 14;
// Apart from the small ids, the account and access-type ranges and the
// resource ids.
const uint32_t kCmdUndoLastChange = 0x0800;
const uint32_t kCmdFindAccount = 0x0F00;
const uint32_t kCmdEffectiveAccess = 0x0F01;
const uint32_t kCmdAddAllowAll = 0x1000;
const uint32_t kCmdAddAllowFolder = 0x2000;
const uint32_t kCmdAddAllowContents = 0x3000;
const uint32_t kCmdAddDeny = 0x4000;
const uint32_t kCmdAccessTypes = 0x5000;
// Menu ids travel as 16-bit command values.
const uint32_t kCmdLastAccessType = 0xFFFF;
// Within an account range: base + 0 typed name, + 1 domain, + 2... accounts.
const uint32_t kAccountRangeSize = 0x1000;
const uint32_t kAccountEnterName = 0;
const uint32_t kAccountDomain = 1;
const uint32_t kAccountFirstListed = 2;

const uint32_t kDomainUnits = 512;

// The process-wide switch of the "Traverse all subfolders" item; off at start.
bool TraverseSubfolders();
void FlipTraverseSubfolders();
void ResetTraverseSubfolders();

// One line of the list file's [ACCESS_TYPES] section: "menu text = rights".
struct AccessType {
    uint32_t offset;          // of the line, kept as the menu item's data
    uint32_t nameLength;      // the menu text, trailing spaces cut
    const char16_t* rights;   // inside the line, blanks around it skipped
    bool valid;               // icacls rights and nothing more
};
// Reads the line at *offset into line (kListLineUnits) and moves *offset on;
// false at the section's end: the end of the text, an empty line, a section
// header or a line without '='.
bool NextAccessType(uint32_t* offset, char16_t* line, AccessType* type);
// Logs each [ACCESS_TYPES] line the menus leave out.
void ReportBadAccessTypes(const ActionPlatform* platform);

// Appends the lines of one list-file section with ids from firstId; stops at
// the section's end or once lastId has been used. Returns the next free id.
uint32_t AppendSectionItems(MenuModel* menu, const char16_t* header, uint32_t firstId, uint32_t lastId);
// Fills an empty popup with account names for the range that starts at base.
void BuildAccountSubmenu(const ActionPlatform* platform, MenuModel* menu, const char16_t* server, uint32_t base);
// recurseSuffix becomes " /T" for a folder while the switch is on.
void BuildPermissionsMenu(const ActionPlatform* platform, MenuModel* menu, uint32_t attributes,
                          const char16_t** recurseSuffix);
void BuildAceMenu(MenuModel* menu, uint32_t attributes, const char16_t** recurseSuffix);
void BuildIntegrityMenu(MenuModel* menu, uint32_t base);
// "Find this account", after a separator when the menu has items already.
void AppendFindAccountItem(MenuModel* menu);
// The menu for a node kind; false for kinds that have none. undoOffered: the
// node's group holds a change that can be undone.
bool BuildNodeMenu(const ActionPlatform* platform, MenuModel* menu, uint32_t kind, uint32_t attributes,
                   const char16_t** recurseSuffix, bool undoOffered = false);
