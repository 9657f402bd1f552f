#include "actions/find.h"

#include <string.h>

#include "actions/command_run.h"
#include "base/format.h"
#include "base/text.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/kept_security.h"
#include "security/typed_account.h"

namespace {

// The last find: F3 repeats it over the groups as they are then.
struct LastFind {
    bool active;
    FindQuery query;
    uint32_t group;                 // the last match's group
    char16_t what[kNodeTextUnits];  // as the log names it
};
LastFind g_find;
FindRequest g_request = {{0}, kFindAccount};

void LogCounts(const ActionPlatform* platform, const char16_t* format, int a, int b, int c, const char16_t* what) {
    char16_t line[kNodeTextUnits + kTranslationUnits];
    FormatText(line, sizeof line / sizeof *line, Translate(format), a, b, c, what);
    platform->appendLog(platform->owner, line);
}

NodeId IdOf(const TreeSink* tree, TreeItem item) {
    char16_t text[1];
    NodeId id = 0;
    return tree->read(tree->context, item, text, 1, &id) ? id : 0;
}

uint32_t KindOf(const TreeSink* tree, TreeItem item) { return ItemKind(NodeParam(IdOf(tree, item))); }

// The part whose entries a child of a group's root holds: the Permissions
// node the DACL's, the integrity node the label's, and the other node whose
// children are entries (the auditing header) the SACL's.
bool HeaderPart(const TreeSink* tree, TreeItem header, DescriptorPart* part) {
    const uint32_t kind = KindOf(tree, header);
    if (kind == kKindPermissions) *part = kDaclPart;
    else if (kind == kKindIntegrity) *part = kLabelPart;
    else if (kind != kKindPlain) return false;
    else {
        const TreeItem child = tree->firstChild(tree->context, header);
        if (!child || NodeEntry(IdOf(tree, child)) == kNoNodeIndex) return false;
        *part = kSaclPart;
    }
    return true;
}

// Selects the match's node (the root when it has none), which the tree
// expands its way to and scrolls into view.
void SelectMatch(const TreeSink* tree, uint32_t index, const FindMatch* match) {
    GroupSnapshot group;
    if (!ReadGroup(index, &group)) return;
    g_find.group = index;
    tree->expand(tree->context, group.root);
    const TreeItem node = MatchNode(tree, group.root, match);
    tree->select(tree->context, node ? node : group.root);
}

// Counts the matches into the log and selects the first.
void FindFromStart(const ActionPlatform* platform, const TreeSink* tree) {
    FindCounts counts;
    CountMatches(&g_find.query, &counts);
    uint32_t index;
    FindMatch match;
    if (!NextMatchingGroup(&g_find.query, kNoFindGroup, false, &index, &match)) {
        LogWithText(platform, Translate(u"Not found: %s"), g_find.what);
        return;
    }
    LogCounts(platform, u"Found in %d of %d groups (%d paths): %s", (int)counts.matching, (int)counts.groups,
            (int)counts.paths, g_find.what);
    SelectMatch(tree, index, &match);
}

const char16_t* ModeName(uint32_t mode) {
    return mode == kFindExplicit ? u"Explicit permissions" : u"Inheritance turned off";
}

}  // namespace

void OpenFind(const ActionPlatform* platform, const TreeSink* tree) {
    if (!platform->findDialog || platform->findDialog(platform->owner, &g_request) <= 0) return;
    g_request.text[kAccountTextUnits - 1] = 0;
    FindFirst(platform, tree, &g_request);
}

void FindFirst(const ActionPlatform* platform, const TreeSink* tree, const FindRequest* request) {
    if (request->mode != kFindAccount) {
        g_find.active = true;
        g_find.query.mode = request->mode == kFindExplicit ? kFindExplicit : kFindProtected;
        CopyText(g_find.what, kNodeTextUnits, Translate(ModeName(g_find.query.mode)));
        FindFromStart(platform, tree);
        return;
    }
    char16_t account[kAccountTextUnits];
    CopyTrimmedText(account, kAccountTextUnits, request->text);
    uint8_t sid[kMaxSidBytes];
    if (!TypedAccountSid(account, platform->accountSid, sid)) {
        g_find.active = false;
        LogWithText(platform, Translate(u"Account not found: %s"), account);
        return;
    }
    FindAccountSid(platform, tree, sid, account);
}

void FindAccountSid(const ActionPlatform* platform, const TreeSink* tree, const uint8_t* sid, const char16_t* what) {
    const uint32_t bytes = SidLength(sid);
    if (bytes > kMaxSidBytes) return;
    g_find.active = true;
    g_find.query.mode = kFindAccount;
    memcpy(g_find.query.sid, sid, bytes);
    CopyText(g_find.what, kNodeTextUnits, what);
    FindFromStart(platform, tree);
}

bool FindAgain(const ActionPlatform* platform, const TreeSink* tree, bool backward) {
    if (!g_find.active) return false;
    const TreeItem selected = tree->selected(tree->context);
    const uint32_t selectedGroup = selected ? NodeGroup(IdOf(tree, selected)) : kNoNodeIndex;
    const uint32_t from = selectedGroup != kNoNodeIndex ? selectedGroup : g_find.group;
    uint32_t index;
    FindMatch match;
    if (NextMatchingGroup(&g_find.query, from, backward, &index, &match)) SelectMatch(tree, index, &match);
    else LogWithText(platform, Translate(u"Not found: %s"), g_find.what);
    return true;
}

TreeItem MatchNode(const TreeSink* tree, TreeItem root, const FindMatch* match) {
    for (TreeItem child = tree->firstChild(tree->context, root); child;
         child = tree->nextSibling(tree->context, child)) {
        DescriptorPart part;
        if (match->part == kOwnerPart && KindOf(tree, child) == kKindOwner) return child;
        if (match->part == kOwnerPart || !HeaderPart(tree, child, &part) || part != match->part) continue;
        if (match->entry == kNoFindEntry) return child;
        for (TreeItem entry = tree->firstChild(tree->context, child); entry;
             entry = tree->nextSibling(tree->context, entry))
            if (NodeEntry(IdOf(tree, entry)) == match->entry) return entry;
    }
    return 0;
}

bool NodeAccountSid(const TreeSink* tree, const GroupSnapshot* group, TreeItem node, NodeId id, uint8_t* sid) {
    const uint8_t* named = nullptr;
    if (ItemKind(NodeParam(id)) == kKindOwner) {
        bool defaulted;
        if (!SecurityOwner(group->security, &named, &defaulted)) return false;
    } else {
        DescriptorPart part = kDaclPart;
        TreeItem header = tree->firstChild(tree->context, group->root);
        for (; header; header = tree->nextSibling(tree->context, header)) {
            if (!HeaderPart(tree, header, &part) || part == kLabelPart) continue;
            TreeItem entry = tree->firstChild(tree->context, header);
            while (entry && entry != node) entry = tree->nextSibling(tree->context, entry);
            if (entry) break;
        }
        AceView ace;
        uint32_t mask;
        if (!header || !SecurityEntry(group->security, part, NodeEntry(id), &ace) ||
            !AnyAceMaskAndSid(&ace, &mask, &named))
            return false;
    }
    const uint32_t bytes = named ? SidLength(named) : 0;
    if (bytes == 0 || bytes > kMaxSidBytes) return false;
    memcpy(sid, named, bytes);
    return true;
}
