#include "actions/undo.h"

#include <string.h>

#include "actions/command_text.h"
#include "actions/command_run.h"
#include "base/format.h"
#include "base/hash.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/config_text.h"
#include "exec/activity.h"
#include "security/descriptor.h"
#include "security/groups.h"
#include "security/kept_security.h"
#include "security/path_names.h"
#include "security/sddl_text.h"
#include "security/tree_builder.h"

namespace {

enum UndoState {
    kUndoNothing,       // no change made, or it ran on no path
    kUndoReady,
    kUndoReachedBelow,  // the change reached paths below the folders, never read
    kUndoDone,          // one level: an undo is not undone
};

struct UndoRecord {
    UndoState state;
    uint32_t group;        // the group that holds the paths
    uint32_t generation;   // GroupsGeneration when the record was made
    bool kept;             // before holds the group's security
    KeptSecurity before;
    char16_t* paths;       // the paths run on, back to back, then one more zero
    uint32_t pathCount;
};

UndoRecord g_undo = {kUndoNothing, 0, 0, false, {{}, nullptr}, nullptr, 0};

const uint32_t kNoLabel = 0xFFFFFFFE;     // LabelLevel: the path has none
const uint32_t kLabelUnread = 0xFFFFFFFF;
const uint32_t kMediumLevel = 0x2000;      // what a path without a label has

void AppendUtf16Le(ByteBuffer* buffer, const char16_t* text, uint32_t units, bool* ok) {
    uint8_t bytes[128];
    while (units > 0) {
        const uint32_t n = units < 64 ? units : 64;
        for (uint32_t i = 0; i < n; i++) {
            bytes[2 * i] = (uint8_t)text[i];
            bytes[2 * i + 1] = (uint8_t)(text[i] >> 8);
        }
        *ok = ByteBufferAppend(buffer, bytes, 2 * n) && *ok;
        text += n;
        units -= n;
    }
}

struct LineSink {
    ByteBuffer* line;
    bool ok;
};

void PutLineUnits(void* sink, const char16_t* text, uint32_t units) {
    LineSink* s = static_cast<LineSink*>(sink);
    AppendUtf16Le(s->line, text, units, &s->ok);
}

bool IsRecordCurrent() { return g_undo.generation == GroupsGeneration(); }

// Why the group has no change to undo.
const char16_t* NoUndoReason() {
    if (g_undo.state != kUndoNothing && !IsRecordCurrent())
        return Translate(u"No undo: the paths were read anew since the last change.");
    switch (g_undo.state) {
    case kUndoNothing: return Translate(u"No undo: no change was made.");
    case kUndoReachedBelow: return Translate(u"No undo: the change reached below the folders, where nothing was read.");
    case kUndoDone: return Translate(u"No undo: an undo is not undone.");
    case kUndoReady: break;
    }
    return Translate(u"No undo: the last change was made to another group.");
}

// The level of the path's label: its SID's last part (0x2000 Medium), kNoLabel
// or kLabelUnread.
uint32_t LabelLevel(const PathSecurity* security) {
    AclView acl;
    uint16_t control;
    const AclState state = SecurityAcl(security, kLabelPart, &acl, &control);
    if (state == kAclUnread) return kLabelUnread;
    if (state != kAclPresent) return kNoLabel;
    AceCursor cursor;
    AceCursorInit(&cursor, &acl);
    AceView ace;
    uint32_t mask, level;
    const uint8_t* sid;
    while (NextAce(&cursor, &ace))
        if (ace.type == kAceMandatoryLabel && AceMaskAndSid(&ace, &mask, &sid) && SidFirstSubAuthority(sid, &level))
            return level;
    return kNoLabel;
}

// The letter icacls /setintegritylevel takes for the level; 0 for a level it
// cannot set.
char16_t LevelLetter(uint32_t level) {
    switch (level) {
    case 0x1000: return u'L';
    case kMediumLevel: return u'M';
    case 0x3000: return u'H';
    default: return 0;
    }
}

bool SamePart(const PathSecurity* a, const PathSecurity* b, DescriptorPart part) {
    return a->size[part] == b->size[part] && memcmp(a->bytes[part], b->bytes[part], a->size[part]) == 0;
}

// The label as it was: only when it differs now (or cannot be read now).
bool RestoreLabel(const ActionPlatform* platform, const char16_t* path, const PathSecurity* now) {
    const uint32_t read = LabelLevel(&g_undo.before.parts);
    if (read == kLabelUnread) return true;
    const uint32_t before = read == kNoLabel ? kMediumLevel : read;
    const uint32_t current = LabelLevel(now);
    if (current != kLabelUnread && (current == kNoLabel ? kMediumLevel : current) == before) return true;
    const char16_t letter = LevelLetter(before);
    if (!letter) {
        LogWithText(platform, Translate(u"Integrity level not restored, icacls cannot set it: %s"), path);
        return true;
    }
    if (read == kNoLabel) LogWithText(platform, Translate(u"No integrity label before the change, Medium is set: %s"), path);
    CommandTemplate command;
    ComposeTemplate(&command, u"icacls %%s /setintegritylevel %c", letter);
    return RunTemplateOnPath(platform, &command, path);
}

// The owner as it was: only when it differs now (or cannot be read now).
bool RestoreOwner(const ActionPlatform* platform, const char16_t* path, const PathSecurity* now) {
    const uint8_t* before = nullptr;
    const uint8_t* current = nullptr;
    bool defaulted;
    if (!SecurityOwner(&g_undo.before.parts, &before, &defaulted) || !before) return true;
    if (SecurityOwner(now, &current, &defaulted) && current && SidsEqual(before, current)) return true;
    char16_t sid[256];
    TextWriter w;
    TextWriterInit(&w, sid, 256);
    SidText(&w, before);
    CommandTemplate command;
    ComposeTemplate(&command, u"icacls %%s /setowner *%s", sid);
    return RunTemplateOnPath(platform, &command, path);
}

// Label and owner of one path, read now and compared with what the group
// had; a changed SACL is named, as no command here sets one.
bool RestoreLabelAndOwner(const ActionPlatform* platform, const char16_t* path) {
    PathSecurity now;
    ReadPathSecurity(path, kAttributesInOpen, &now);
    const PathSecurity* before = &g_undo.before.parts;
    if (before->read[kSaclPart] && now.read[kSaclPart] && !SamePart(before, &now, kSaclPart))
        LogWithText(platform, Translate(u"Auditing changed, no command restores it: %s"), path);
    return RestoreLabel(platform, path, &now) && RestoreOwner(platform, path, &now);
}

// Finds text spans by their units: open addressing over span ids, at most
// half full; room for `capacity` spans is made up front.
struct SpanTable {
    uint32_t* slots;   // span id + 1, 0 empty
    uint32_t slotCount;
    const char16_t** starts;
    uint32_t* lengths;
    uint32_t count;
};

bool InitSpanTable(SpanTable* table, uint32_t capacity) {
    uint32_t slots = 16;
    while (slots < 2 * (uint64_t)capacity && slots < 0x40000000u) slots *= 2;
    table->slotCount = slots;
    table->count = 0;
    table->slots = static_cast<uint32_t*>(HeapAllocBytes((size_t)slots * sizeof(uint32_t)));
    table->starts = static_cast<const char16_t**>(HeapAllocBytes((size_t)(capacity + 1) * sizeof(char16_t*)));
    table->lengths = static_cast<uint32_t*>(HeapAllocBytes((size_t)(capacity + 1) * sizeof(uint32_t)));
    if (table->slots) memset(table->slots, 0, (size_t)slots * sizeof(uint32_t));
    return table->slots && table->starts && table->lengths;
}

void FreeSpanTable(SpanTable* table) {
    HeapFreeBytes(table->slots);
    HeapFreeBytes(table->starts);
    HeapFreeBytes(table->lengths);
}

// The span's id; a new one when add (room was made), else 0xFFFFFFFF.
uint32_t SpanId(SpanTable* table, const char16_t* start, uint32_t length, bool add) {
    uint32_t i = HashBytes(reinterpret_cast<const uint8_t*>(start), length * 2) & (table->slotCount - 1);
    for (;; i = (i + 1) & (table->slotCount - 1)) {
        const uint32_t slot = table->slots[i];
        if (slot == 0) break;
        const uint32_t id = slot - 1;
        if (table->lengths[id] == length && memcmp(table->starts[id], start, length * sizeof(char16_t)) == 0)
            return id;
    }
    if (!add) return 0xFFFFFFFF;
    table->starts[table->count] = start;
    table->lengths[table->count] = length;
    table->slots[i] = ++table->count;
    return table->count - 1;
}

// Where each recorded path's folder and name lie, and the folder's id in
// the order the folders first appear.
struct RestoreEntry {
    const char16_t* path;
    uint32_t folderLength;   // units of the folder within path, or of the path ahead of the name
    uint32_t folder;
};

// Checks every path as any command line's path is checked before anything
// runs; the first that cannot be handed to icacls is named and stops the undo.
bool PlanRestoreEntries(const ActionPlatform* platform, RestoreEntry* entries, SpanTable* folders) {
    uint32_t i = 0;
    for (const char16_t* path = g_undo.paths; *path; path += TextLength(path) + 1, i++) {
        char16_t folder[kFullPathUnits];
        const char16_t* name;
        if (!IsPlainPathName(path) || !SplitRestorePath(path, folder, &name)) {
            LogWithText(platform, Translate(u"Not restored, no command may name this path: %s"), path);
            return false;
        }
        entries[i].path = path;
        entries[i].folderLength = (uint32_t)(name - path);
        entries[i].folder = SpanId(folders, path, entries[i].folderLength, true);
    }
    return true;
}

// One restore file per folder, with the entries of its paths in their order;
// written, run and deleted before the next folder's.
bool RestoreFolder(const ActionPlatform* platform, const RestoreEntry* entries, uint32_t folderId,
                   const ByteBuffer* daclLine) {
    ByteBuffer file;
    ByteBufferInit(&file);
    const RestoreEntry* first = nullptr;
    bool ok = true;
    for (uint32_t i = 0; i < g_undo.pathCount; i++) {
        if (entries[i].folder != folderId) continue;
        if (!first) first = &entries[i];
        ok = AppendRestoreEntry(&file, entries[i].path + entries[i].folderLength, daclLine) && ok;
    }
    char16_t folder[kFullPathUnits];
    folder[0] = 0;
    const char16_t* name;
    char16_t temp[kTempPathUnits];
    if (!first || !SplitRestorePath(first->path, folder, &name) || !ok ||
        !platform->writeTempFile(file.data, file.used, temp)) {
        ByteBufferFree(&file);
        LogWithText(platform, Translate(u"Restore file not written, not run: %s"), folder);
        return false;
    }
    ByteBufferFree(&file);
    char16_t quoted[kQuoteUnits];
    const char16_t* fileArg = QuoteIfSpaced(temp, quoted, kQuoteUnits);
    CommandTemplate command;
    ComposeTemplate(&command, u"icacls %%s /restore %s", fileArg ? fileArg : u"");
    ok = fileArg && RunTemplateOnPath(platform, &command, folder);
    platform->deleteFile(temp);
    return ok;
}

// The DACL of every recorded path, folder by folder; then label and owner
// path by path. Stops at the first failure.
bool RunUndo(const ActionPlatform* platform) {
    ByteBuffer daclLine;
    ByteBufferInit(&daclLine);
    const bool dacl = RestoreDaclLine(&g_undo.before.parts, &daclLine);
    if (!dacl)
        platform->appendLog(platform->owner,
                            Translate(u"Permissions not restored: they could not be read or written as they were."));
    RestoreEntry* entries =
        static_cast<RestoreEntry*>(HeapAllocBytes((size_t)g_undo.pathCount * sizeof(RestoreEntry)));
    SpanTable folders;
    bool ok = entries && InitSpanTable(&folders, g_undo.pathCount);
    if (!ok) platform->appendLog(platform->owner, Translate(u"Aborted."));
    ok = ok && PlanRestoreEntries(platform, entries, &folders);
    for (uint32_t folder = 0; ok && dacl && folder < folders.count; folder++)
        ok = !StopRequested() && RestoreFolder(platform, entries, folder, &daclLine);
    for (const char16_t* path = g_undo.paths; ok && *path; path += TextLength(path) + 1)
        ok = !StopRequested() && RestoreLabelAndOwner(platform, path);
    if (entries) FreeSpanTable(&folders);
    HeapFreeBytes(entries);
    ByteBufferFree(&daclLine);
    return ok;
}

// Reads again every group that holds a recorded path, the record's own
// first, and selects the root of the group that holds the first one.
void RegroupUndonePaths(const TreeSink* tree) {
    SpanTable paths;
    const bool indexed = InitSpanTable(&paths, g_undo.pathCount);
    for (const char16_t* path = g_undo.paths; indexed && *path; path += TextLength(path) + 1)
        SpanId(&paths, path, TextLength(path), true);
    RegroupAfterChange(tree, g_undo.group);
    // Other groups may hold a path the change moved there; regrouping adds
    // groups at the end, which the loop meets and finds unchanged.
    for (uint32_t i = 0; indexed && i < GroupCount(); i++) {
        GroupSnapshot group;
        if (i == g_undo.group || !ReadGroup(i, &group)) continue;
        for (const char16_t* path = FirstGroupPath(&group); path; path = NextGroupPath(path)) {
            if (SpanId(&paths, path, TextLength(path), false) == 0xFFFFFFFF) continue;
            RegroupAfterChange(tree, i);
            break;
        }
    }
    FreeSpanTable(&paths);
    for (uint32_t i = 0; i < GroupCount(); i++) {
        GroupSnapshot group;
        if (!ReadGroup(i, &group)) continue;
        for (const char16_t* path = FirstGroupPath(&group); path; path = NextGroupPath(path))
            if (TextEquals(path, g_undo.paths)) {
                tree->select(tree->context, group.root);
                return;
            }
    }
}

}  // namespace

void ForgetUndo() {
    if (g_undo.kept) FreeKeptSecurity(&g_undo.before);
    HeapFreeBytes(g_undo.paths);
    g_undo = {kUndoNothing, 0, GroupsGeneration(), false, {{}, nullptr}, nullptr, 0};
}

void StartUndoRecord(uint32_t group) {
    ForgetUndo();
    GroupSnapshot snapshot;
    g_undo.kept = ReadGroup(group, &snapshot) && KeepSecurity(snapshot.security, &g_undo.before);
}

void RecordPathsRun(const char16_t* paths, uint32_t ran) {
    if (ran == 0 || !g_undo.kept) return;
    const char16_t* end = paths;
    for (uint32_t i = 0; i < ran && *end; i++) end += TextLength(end) + 1;
    const size_t units = (size_t)(end - paths);
    g_undo.paths = static_cast<char16_t*>(HeapAllocBytes((units + 1) * sizeof(char16_t)));
    if (!g_undo.paths) return;
    memcpy(g_undo.paths, paths, units * sizeof(char16_t));
    g_undo.paths[units] = 0;
    g_undo.pathCount = ran;
}

void FinishUndoRecord(const ActionPlatform* platform, uint32_t holder, bool reachedBelow) {
    g_undo.group = holder;
    g_undo.generation = GroupsGeneration();
    if (reachedBelow) {
        g_undo.state = kUndoReachedBelow;
        platform->appendLog(platform->owner, NoUndoReason());
    } else if (g_undo.paths) {
        g_undo.state = kUndoReady;
    }
}

bool UndoOffered(uint32_t group) {
    GroupSnapshot snapshot;
    return g_undo.state == kUndoReady && IsRecordCurrent() && g_undo.group == group && ReadGroup(group, &snapshot);
}

void UndoLastChange(const ActionPlatform* platform, const TreeSink* tree, uint32_t group) {
    if (!UndoOffered(group)) {
        platform->appendLog(platform->owner, NoUndoReason());
        return;
    }
    g_undo.state = kUndoDone;
    RunUndo(platform);
    RegroupUndonePaths(tree);
    platform->appendLog(platform->owner, NoUndoReason());
}

bool AppendRestoreEntry(ByteBuffer* file, const char16_t* name, const ByteBuffer* daclLine) {
    bool ok = true;
    AppendUtf16Le(file, name, TextLength(name), &ok);
    AppendUtf16Le(file, u"\r\n", 2, &ok);
    return ByteBufferAppend(file, daclLine->data, daclLine->used) && ok;
}

bool RestoreDaclLine(const PathSecurity* security, ByteBuffer* line) {
    AclView acl;
    uint16_t control;
    const AclState state = SecurityAcl(security, kDaclPart, &acl, &control);
    if (state == kAclUnread) return false;
    LineSink sink = {line, true};
    const bool all = SddlDacl(control, state == kAclPresent ? &acl : nullptr, &sink, PutLineUnits);
    PutLineUnits(&sink, u"\r\n", 2);
    return all && sink.ok;
}

bool SplitRestorePath(const char16_t* path, char16_t* folder, const char16_t** name) {
    uint32_t separator = 0xFFFFFFFF;
    uint32_t separators = 0;
    for (uint32_t i = 0; path[i]; i++) {
        // A line break or other control unit in a name would start a line of
        // the restore file that the name's owner chose.
        if (path[i] < 0x20) return false;
        if (path[i] == u'\\' || path[i] == u'/') {
            separator = i;
            separators++;
        }
    }
    if (separator == 0xFFFFFFFF || path[separator + 1] == 0 || separator + 2 >= kFullPathUnits) return false;
    // \\server\share is the least a network folder is.
    const bool unc = (path[0] == u'\\' || path[0] == u'/') && (path[1] == u'\\' || path[1] == u'/');
    if (unc && separators < 4) return false;
    CopyTextN(folder, kFullPathUnits, path, separator);
    if (separator > 0 && path[separator - 1] == u':') CopyTextN(folder, kFullPathUnits, path, separator + 1);
    if (folder[0] == 0) return false;
    *name = path + separator + 1;
    return true;
}
