// Finding in the window: the last find's query, the way from a match to its
// node in the tree, and the log lines that count the matches.
#pragma once
#include <stdint.h>

#include "actions/action_platform.h"
#include "base/item_param.h"
#include "base/tree_sink.h"
#include "security/group_find.h"
#include "security/groups.h"

// Ctrl+F: the Find dialog (showing the last request), then the first match.
void OpenFind(const ActionPlatform* platform, const TreeSink* tree);
// A new find: the account is turned into its SID once (a name that does not
// resolve is logged and nothing is selected); the matches are counted in the
// log and the first is selected.
void FindFirst(const ActionPlatform* platform, const TreeSink* tree, const FindRequest* request);
// "Find this account": the groups that name sid; what is the account as the
// tree shows it.
void FindAccountSid(const ActionPlatform* platform, const TreeSink* tree, const uint8_t* sid, const char16_t* what);
// F3 (Shift+F3: backward): the next match after the selected node's group,
// wrapping round; false when there has been no find yet.
bool FindAgain(const ActionPlatform* platform, const TreeSink* tree, bool backward);

// The node of a match below its group's root: the owner's node, the entry's
// node under its header, or the Permissions node; 0 when there is none.
TreeItem MatchNode(const TreeSink* tree, TreeItem root, const FindMatch* match);
// The SID the owner's or an entry's node names, from the group's security,
// into sid (kMaxSidBytes); false for other nodes and entries without a SID.
bool NodeAccountSid(const TreeSink* tree, const GroupSnapshot* group, TreeItem node, NodeId id, uint8_t* sid);
