#include "actions/commands.h"

#include <string.h>

#include "actions/command_run.h"
#include "actions/find.h"
#include "actions/menu_model.h"
#include "actions/node_menus.h"
#include "actions/undo.h"
#include "base/heap.h"
#include "base/item_param.h"
#include "base/text.h"
#include "config/config_text.h"
#include "exec/activity.h"
#include "report/tree_text.h"
#include "security/account_names.h"
#include "security/ace_text.h"
#include "security/descriptor.h"
#include "security/effective_access.h"
#include "security/kept_security.h"

namespace {

void ListGroupPaths(const ActionPlatform* platform, const GroupSnapshot* group) {
    for (const char16_t* path = FirstGroupPath(group); path; path = NextGroupPath(path))
        platform->appendLog(platform->owner, path);
    platform->appendLog(platform->owner, u".");
}

// Every group, as "Copy report" puts it on the clipboard.
void CopyWholeTree(const ActionPlatform* platform, const TreeSink* tree) {
    char16_t* text = NodeReportText(tree, kTreeRoot, true);
    if (!text) return;
    platform->copyText(platform->owner, text);
    HeapFreeBytes(text);
}

char16_t InheritanceLetter(uint32_t id) {
    switch (id) {
    case kCmdInheritanceOn: return u'e';
    case kCmdInheritanceCopy: return u'd';
    case kCmdInheritanceRemove: return u'r';
    default: return 0;
    }
}

char16_t IntegrityLetter(uint32_t id) {
    switch (id & 0xFFF) {
    case kCmdIntegrityLow: return u'L';
    case kCmdIntegrityMedium: return u'M';
    case kCmdIntegrityHigh: return u'H';
    default: return 0;
    }
}

// The rights of an [ACCESS_TYPES] line read again at its stored offset;
// false when it is gone or is not rights alone.
bool AccessTypeRights(uint32_t offset, char16_t* line, const char16_t** rights) {
    AccessType type;
    if (!NextAccessType(&offset, line, &type) || !type.valid) return false;
    *rights = type.rights;
    return true;
}

// An empty name would grant to nobody, a cut one to someone else: neither
// runs, and the log says why.
bool AccountNameFits(const ActionPlatform* platform, const char16_t* account) {
    if (account[0] == 0) {
        platform->appendLog(platform->owner, Translate(u"Aborted."));
        return false;
    }
    if (TextLength(account) <= kAccountNameLength) return true;
    LogWithText(platform, Translate(u"Account name too long, not run: %s"), account);
    return false;
}

// Composes the template of an explicit allow or deny ACE node; false when
// nothing is to run.
bool ComposeAceCommand(const ActionPlatform* platform, const MenuChoice* choice, CommandTemplate* command) {
    if (!choice->entry.found) return false;
    // The account as the tree names it, looked up on the first path's server.
    char16_t name[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, name, kNodeTextUnits);
    AccountNameOfSid(&w, choice->entry.sid, FirstGroupPath(&choice->group));
    char16_t account[kCommandUnits];
    char16_t quoted[kCommandUnits];
    if (!AccountArgumentText(name, account, kCommandUnits)) return false;
    const char16_t* accountArg = QuoteIfSpaced(account, quoted, kCommandUnits);
    if (!accountArg) return false;
    const bool allow = choice->kind == kKindAllowAce;
    const char16_t* verb = allow ? u"/grant:r" : u"/deny";
    const char16_t* removal = allow ? u"/remove:g" : u"/remove:d";
    const uint32_t scope = choice->entry.scope;
    char16_t flags[16] = {0};
    if (IsFolder(choice->attributes)) InheritanceFlagsText(scope, flags, 16);
    const char16_t* pattern = u"icacls %%s %s %s:%s(%s)%s";
    if (choice->id == kCmdSpecialPermissions) {
        uint32_t mask = scope;
        if (platform->specialPermissionsDialog(platform->owner, &mask) <= 0) return false;
        char16_t rights[128];
        RightsText(mask, rights, 128);
        ComposeTemplate(command, pattern, verb, accountArg, flags, rights, choice->recurseSuffix);
        return true;
    }
    if (choice->id == kCmdRemoveAccount) {
        ComposeTemplate(command, u"icacls %%s %s %s%s", removal, accountArg, choice->recurseSuffix);
        return true;
    }
    if (choice->id >= kCmdAccessTypes) {
        char16_t line[kListLineUnits];
        const char16_t* rights = nullptr;
        if (!AccessTypeRights(choice->data, line, &rights)) return false;
        ComposeTemplate(command, pattern, verb, accountArg, flags, rights, choice->recurseSuffix);
        return true;
    }
    return false;
}

// Switches inheritance on below every path of the group; "Aborted." at the
// first failure.
void EnableInheritanceOnGroup(const ActionPlatform* platform, const GroupSnapshot* group) {
    uint32_t done = 0;
    for (const char16_t* path = FirstGroupPath(group); path; path = NextGroupPath(path), done++) {
        if (StopRequested()) {
            LogGroupStop(platform, done, group);
            return;
        }
        if (!EnableInheritanceTree(platform, path, platform->fileAttributes(path))) {
            if (StopRequested()) LogGroupStop(platform, done, group);
            else platform->appendLog(platform->owner, Translate(u"Aborted."));
            return;
        }
    }
}

// A copy of the group's paths that no change to the groups can touch while
// the menu, its dialogs and the commands run; null when memory runs out.
char16_t* CopyGroupPaths(const GroupSnapshot* group) {
    const size_t bytes = (size_t)GroupPathUnits(group) * sizeof(char16_t);
    return static_cast<char16_t*>(HeapCopyBytes(group->paths, bytes));
}

// Asks for an account and logs its effective access by the group's owner
// and DACL as they are now.
void LogEffectiveAccess(const ActionPlatform* platform, uint32_t index) {
    char16_t typed[kChoiceTextUnits];
    typed[0] = 0;
    if (platform->accountNameDialog(platform->owner, typed) <= 0) return;
    typed[kChoiceTextUnits - 1] = 0;
    char16_t account[kChoiceTextUnits];
    CopyTrimmedText(account, kChoiceTextUnits, typed);
    char16_t line[kCommandUnits];
    uint8_t sid[kMaxSidBytes];
    GroupSnapshot group;
    EffectiveAccess access;
    if (!TypedAccountSid(account, platform->accountSid, sid)) {
        FormatText(line, kCommandUnits, Translate(u"Account not found: %s"), account);
    } else if (!ReadGroup(index, &group) || !platform->effectiveAccess ||
               !platform->effectiveAccess(sid, group.security, &access)) {
        FormatText(line, kCommandUnits, Translate(u"Effective access of %s: unknown"), account);
    } else {
        TextWriter w;
        TextWriterInit(&w, line, kCommandUnits);
        EffectiveAccessLine(&w, account, &access, FirstGroupPath(&group));
    }
    platform->appendLog(platform->owner, line);
}

// Composes the template of a Permissions header choice; false when nothing
// more is to happen. The inheritance walk runs here and asks for the refresh
// through *refresh.
bool ComposePermissionsCommand(const ActionPlatform* platform, const TreeSink* tree, const MenuChoice* choice,
                               CommandTemplate* command, bool* refresh) {
    const uint32_t id = choice->id;
    if (id >= kCmdAddAllowAll && id < kCmdAccessTypes) {
        const char16_t letter = tree->firstChild(tree->context, choice->node) ? u'R' : u'F';
        char16_t account[kChoiceTextUnits];
        CopyText(account, kChoiceTextUnits, choice->text);
        return ComposeAddPermission(platform, id, command, choice->attributes, account, letter,
                                    choice->recurseSuffix);
    }
    if (id == kCmdEffectiveAccess) {
        LogEffectiveAccess(platform, choice->group.index);
        return false;
    }
    if (id == kCmdInheritanceTree) {
        StartUndoRecord(choice->group.index);
        EnableInheritanceOnGroup(platform, &choice->group);
        *refresh = true;
        return false;
    }
    const char16_t letter = InheritanceLetter(id);
    if (!letter) return false;
    ComposeTemplate(command, u"icacls %%s /inheritance:%c%s", letter, choice->recurseSuffix);
    return true;
}

// A change that went below the group's folders reached paths that were never
// read: "Traverse all subfolders" and takeown, which always recurses.
bool ReachesBelow(const MenuChoice* choice) {
    return choice->recurseSuffix[0] != 0 || (choice->kind == kKindOwner && IsFolder(choice->attributes));
}

// The selected node and its identity; false when there is none.
bool ReadSelectedNode(const TreeSink* tree, TreeItem* node, NodeId* id) {
    *node = tree->selected(tree->context);
    char16_t text[1];
    return *node && tree->read(tree->context, *node, text, 1, id);
}

}  // namespace

bool ComposeAddPermission(const ActionPlatform* platform, uint32_t id, CommandTemplate* command,
                          uint32_t attributes, char16_t* account, char16_t rightsLetter,
                          const char16_t* recurseSuffix) {
    if ((id & 0xFFF) == kAccountEnterName && platform->accountNameDialog(platform->owner, account) <= 0) return false;
    account[kChoiceTextUnits - 1] = 0;
    if (!AccountNameFits(platform, account)) return false;
    const char16_t* verb = u"/grant:r";
    const char16_t* flags = u"";
    if (id >= kCmdAddDeny) {
        verb = u"/deny";
    } else if (IsFolder(attributes)) {
        if (id < kCmdAddAllowFolder) flags = u"(OI)(CI)";
        else if (id >= kCmdAddAllowContents) flags = u"(OI)(CI)(IO)";
    }
    char16_t quoted[kQuoteUnits];
    const char16_t* accountArg = QuoteIfSpaced(account, quoted, kQuoteUnits);
    if (!accountArg) return false;
    ComposeTemplate(command, u"icacls %%s %s %s:%s(%c)%s", verb, accountArg, flags, rightsLetter, recurseSuffix);
    return true;
}

uint32_t RefreshGroup(const TreeSink* tree, const GroupSnapshot* group) {
    // Children first, then the paths that left, then the root selected.
    GroupSnapshot holder;
    const uint32_t index = RegroupAfterChange(tree, group->index);
    if (ReadGroup(index, &holder)) tree->select(tree->context, holder.root);
    return index;
}

void ActOnChoice(const ActionPlatform* platform, const TreeSink* tree, const MenuChoice* choice) {
    CommandTemplate command;
    bool composed = false;
    bool refresh = false;
    switch (choice->kind) {
    case kKindPathRoot:
        if (choice->id == kCmdCopyReport) CopyWholeTree(platform, tree);
        else if (choice->id == kCmdUndoLastChange) UndoLastChange(platform, tree, choice->group.index);
        else if (choice->id == kCmdScanBelow)
            platform->scanBelow(platform->owner, choice->group.paths, GroupPathUnits(&choice->group));
        else ListGroupPaths(platform, &choice->group);
        return;
    case kKindOwner:
        ComposeTemplate(&command, u"takeown /f %%s /a /r /d %c", TakeownYesLetter(platform->uiLanguage()));
        composed = true;
        break;
    case kKindPermissions:
        composed = ComposePermissionsCommand(platform, tree, choice, &command, &refresh);
        break;
    case kKindAllowAce:
    case kKindDenyAce:
        composed = ComposeAceCommand(platform, choice, &command);
        break;
    case kKindIntegrity: {
        const char16_t letter = IntegrityLetter(choice->id);
        if (!letter) return;
        // The integrity command never recurses.
        ComposeTemplate(&command, u"icacls %%s /setintegritylevel %c%s", letter, u"");
        composed = true;
        break;
    }
    default:
        return;
    }
    if (!composed && !refresh) return;
    uint32_t started = 0;
    if (composed) {
        StartUndoRecord(choice->group.index);
        RunTemplateOnGroup(platform, &command, &choice->group, &started);
        RecordPathsRun(choice->group.paths, started);
    }
    const uint32_t holder = RefreshGroup(tree, &choice->group);
    FinishUndoRecord(platform, holder, refresh || ReachesBelow(choice));
}

namespace {

// "Find this account": the account as the tree names it, on the group's
// first path's server.
void FindNamedAccount(const ActionPlatform* platform, const TreeSink* tree, const MenuChoice* choice) {
    char16_t name[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, name, kNodeTextUnits);
    AccountNameOfSid(&w, choice->account, FirstGroupPath(&choice->group));
    FindAccountSid(platform, tree, choice->account, name);
}

// Shows the node's menu and acts on the choice.
void ChooseAndAct(const ActionPlatform* platform, const TreeSink* tree, MenuChoice* choice) {
    MenuModel menu;
    MenuInit(&menu);
    BuildNodeMenu(platform, &menu, choice->kind, choice->attributes, &choice->recurseSuffix,
                  UndoOffered(choice->group.index));
    if (choice->named) AppendFindAccountItem(&menu);
    if (menu.count == 0) {
        MenuFree(&menu);
        return;
    }
    MenuPick pick;
    pick.id = 0;
    pick.text[0] = 0;
    pick.data = 0;
    pick.dataRead = false;
    platform->trackMenu(platform->owner, &menu, &pick);
    MenuFree(&menu);
    if (pick.id == 0) return;
    if (pick.id >= kCmdAccessTypes && !pick.dataRead) return;
    if (pick.id == kCmdTraverse) {
        FlipTraverseSubfolders();
        return;
    }
    if (pick.id == kCmdFindAccount && choice->named) {
        FindNamedAccount(platform, tree, choice);
        return;
    }
    choice->id = pick.id;
    CopyText(choice->text, kChoiceTextUnits, pick.text);
    choice->data = pick.data;
    ActOnChoice(platform, tree, choice);
}

}  // namespace

void TakeChosenEntry(const GroupSnapshot* group, NodeId nodeId, uint32_t kind, ChosenEntry* entry) {
    entry->found = false;
    AceView ace;
    uint32_t mask;
    const uint8_t* sid;
    const uint8_t type = kind == kKindAllowAce ? kAceAllow : kAceDeny;
    if ((kind != kKindAllowAce && kind != kKindDenyAce) ||
        !SecurityEntry(group->security, kDaclPart, NodeEntry(nodeId), &ace) || ace.type != type ||
        (ace.flags & kInheritedAce) || !AceMaskAndSid(&ace, &mask, &sid))
        return;
    const uint32_t sidBytes = SidLength(sid);
    if (sidBytes > kSidBytesMax) return;
    memcpy(entry->sid, sid, sidBytes);
    entry->mask = mask;
    entry->scope = ItemUpperHalf(MakeItemParam(0, kind) | AceScopeBits(ace.flags, group->security->attributes));
    entry->found = true;
}

void OpenNodeMenu(const ActionPlatform* platform, const TreeSink* tree) {
    MenuChoice choice = MenuChoice();
    if (!ReadSelectedNode(tree, &choice.node, &choice.nodeId)) return;
    choice.kind = ItemKind(NodeParam(choice.nodeId));
    if (!ReadGroup(NodeGroup(choice.nodeId), &choice.group) || choice.group.pathCount == 0) return;
    TakeChosenEntry(&choice.group, choice.nodeId, choice.kind, &choice.entry);
    choice.named = choice.kind != kKindIntegrity &&
                   NodeAccountSid(tree, &choice.group, choice.node, choice.nodeId, choice.account);
    // Taken before the popup's message loop runs.
    char16_t* paths = CopyGroupPaths(&choice.group);
    if (!paths) return;
    choice.group.paths = paths;
    choice.group.signature = nullptr;
    choice.group.signatureLength = 0;
    choice.group.security = nullptr;
    choice.attributes = platform->fileAttributes(choice.group.paths);
    if (choice.attributes == 0xFFFFFFFF) choice.attributes = 0;
    ChooseAndAct(platform, tree, &choice);
    HeapFreeBytes(paths);
}

void UndoOnSelectedNode(const ActionPlatform* platform, const TreeSink* tree) {
    TreeItem node;
    NodeId id;
    if (ReadSelectedNode(tree, &node, &id)) UndoLastChange(platform, tree, NodeGroup(id));
}
