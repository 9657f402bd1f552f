// Turning a menu choice into icacls/takeown command lines, running them for
// every path of the node's group, and rebuilding the group's nodes after.
#pragma once
#include <stdint.h>

#include "actions/action_platform.h"
#include "actions/command_run.h"
#include "actions/command_text.h"
#include "base/format.h"
#include "base/item_param.h"
#include "base/tree_sink.h"
#include "security/groups.h"
#include "security/typed_account.h"

const uint32_t kChoiceTextUnits = kAccountTextUnits;
const uint32_t kSidBytesMax = 8 + 4 * 255;

// The explicit allow or deny entry an ACE node stands for, copied from its
// group's DACL when the menu opens.
struct ChosenEntry {
    bool found;
    uint8_t sid[kSidBytesMax];
    uint32_t mask;    // its rights
    uint32_t scope;   // the ItemParam's upper 16 bits: the kind and the scope bits
};

// What the popup handed over.
struct MenuChoice {
    uint32_t id;
    char16_t text[kChoiceTextUnits];   // the chosen item's text: the account for the add submenus
    uint32_t data;                     // list-file offset of an access-type line
    TreeItem node;
    NodeId nodeId;
    uint32_t kind;
    ChosenEntry entry;                 // for allow and deny ACE nodes
    bool named;                        // the owner's or entry's node names account
    uint8_t account[kMaxSidBytes];
    GroupSnapshot group;
    uint32_t attributes;               // of the group's first path, 0 when unreadable
    const char16_t* recurseSuffix;
};

// Composes the add-permission template; account (kChoiceTextUnits) may be
// replaced by a typed name. False when the name dialog was cancelled, or the
// name is empty or too long (logged; nothing is to run).
bool ComposeAddPermission(const ActionPlatform* platform, uint32_t id, CommandTemplate* command,
                          uint32_t attributes, char16_t* account, char16_t rightsLetter,
                          const char16_t* recurseSuffix);
// Switches inheritance on for the path or every file below the folder.
bool EnableInheritanceTree(const ActionPlatform* platform, const char16_t* path, uint32_t attributes);
// Rebuilds the group's nodes from its first path, moves the paths whose
// security no longer matches it to the groups they now belong to, joins it
// with a group it now equals, and selects the root that holds its first path;
// returns that root's group.
uint32_t RefreshGroup(const TreeSink* tree, const GroupSnapshot* group);
// Acts on a choice: composes the commands, runs them for the group and
// rebuilds its nodes; called for every id except 3 and 0.
void ActOnChoice(const ActionPlatform* platform, const TreeSink* tree, const MenuChoice* choice);
// Copies the allow or deny entry of the node's group at the node's entry
// index; entry->found false when the group's DACL has no such entry.
void TakeChosenEntry(const GroupSnapshot* group, NodeId nodeId, uint32_t kind, ChosenEntry* entry);
// The whole menu request on the selected node: menu, choice, action.
void OpenNodeMenu(const ActionPlatform* platform, const TreeSink* tree);
// Ctrl+Z on the selected node: undoes the last change of its group.
void UndoOnSelectedNode(const ActionPlatform* platform, const TreeSink* tree);
