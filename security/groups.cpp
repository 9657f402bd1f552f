#include "security/groups.h"

#include <string.h>

#include "base/format.h"
#include "base/hash.h"
#include "base/heap.h"
#include "base/item_param.h"
#include "base/text.h"
#include "config/config_text.h"
#include "security/account_names.h"
#include "security/ace_text.h"
#include "security/byte_buffer.h"
#include "security/kept_security.h"
#include "security/known_paths.h"
#include "security/path_names.h"
#include "security/path_read.h"
#include "security/security_platform.h"
#include "security/tree_builder.h"

namespace {

const uint32_t kNoSlot = 0xFFFFFFFF;
const uint32_t kFirstTableSlots = 64;

// One group: the signature it was formed with, the security read for its
// first path and its paths. A group that joined another has no paths.
struct Group {
    ByteBuffer signature;   // exactly the signature, its length in its first u32; sized to it
    KeptSecurity security;
    uint32_t pathCount;
    TreeItem root;
    bool rootTextPending;   // merged paths not yet counted in the root's text
    char16_t* paths;        // zero-terminated paths back to back, then one more zero
    uint32_t pathUnits;     // in use, the last zero included
    uint32_t pathCapacity;
};

// Finds a group by its signature without scanning the list: open addressing
// over group indexes, kept at most half full.
struct Slot {
    uint32_t hash;
    uint32_t group;   // kNoSlot: empty
};

Group* g_groups = nullptr;
uint32_t g_groupCapacity = 0;
uint32_t g_groupCount = 0;
Slot* g_table = nullptr;
uint32_t g_tableSlots = 0;
// Where each path's signature is formed; kept from path to path.
ByteBuffer g_scratch = {nullptr, 0, 0};
// Groups whose root text waits for FlushGroupRootTexts.
uint32_t* g_pending = nullptr;
uint32_t g_pendingCount = 0;
uint32_t g_pendingCapacity = 0;
// Names no group is formed for, in the order named: zero-terminated back to
// back, then one more zero; and where each starts.
struct Unnamed {
    uint32_t groupsBefore;
    uint32_t offset;
};
Unnamed* g_unnamed = nullptr;
uint32_t g_unnamedCount = 0;
uint32_t g_unnamedCapacity = 0;
char16_t* g_unnamedNames = nullptr;
uint32_t g_unnamedUnits = 0;
uint32_t g_unnamedNameCapacity = 0;
// Paths left out since the groups were cleared because storage ran out.
uint32_t g_leftOut = 0;
uint32_t g_generation = 0;
KnownPaths g_knownPaths = {};


uint32_t FindSlot(const Slot* table, uint32_t slots, uint32_t hash, const uint8_t* signature, uint32_t length) {
    uint32_t i = hash & (slots - 1);
    for (;;) {
        const Slot& s = table[i];
        if (s.group == kNoSlot) return i;
        if (s.hash == hash) {
            const ByteBuffer& other = g_groups[s.group].signature;
            if (other.used == length && memcmp(other.data, signature, length) == 0) return i;
        }
        i = (i + 1) & (slots - 1);
    }
}

// Makes sure one more group fits the table; false leaves the table as it was.
bool ReserveTableSlot() {
    if (g_table && (uint64_t)(g_groupCount + 1) * 2 <= g_tableSlots) return true;
    uint64_t slots = g_table ? (uint64_t)g_tableSlots * 2 : kFirstTableSlots;
    if (slots > 0x80000000u) return false;
    Slot* table = static_cast<Slot*>(HeapAllocBytes((size_t)slots * sizeof(Slot)));
    if (!table) return false;
    for (uint64_t i = 0; i < slots; i++) table[i] = {0, kNoSlot};
    for (uint32_t i = 0; i < g_tableSlots; i++) {
        if (g_table[i].group == kNoSlot) continue;
        const ByteBuffer& signature = g_groups[g_table[i].group].signature;
        uint32_t at = FindSlot(table, (uint32_t)slots, g_table[i].hash, signature.data, signature.used);
        table[at] = g_table[i];
    }
    HeapFreeBytes(g_table);
    g_table = table;
    g_tableSlots = (uint32_t)slots;
    return true;
}

const char16_t* FirstGroupPathOf(const Group* group) { return group->paths; }

bool IsJoined(const Group* group) { return group->pathCount == 0; }

// Makes room for `extra` more units in a block of zero-terminated paths;
// false leaves it as it was.
bool ReservePathUnits(char16_t** paths, uint32_t* units, uint32_t* capacity, uint64_t extra) {
    const uint64_t needed = (uint64_t)(*units ? *units : 1) + extra;
    if (needed > 0x7FFFFFFF) return false;
    if (needed <= *capacity) return true;
    const uint64_t doubled = (uint64_t)*capacity * 2;
    const uint32_t items = (uint32_t)(needed > doubled ? needed : doubled);
    void* block = ResizeBlock(*paths, capacity, items, sizeof(char16_t));
    if (!block) return false;
    *paths = static_cast<char16_t*>(block);
    return true;
}

// Appends a path in place of the block's last zero; false leaves the block
// as it was.
bool AppendPathUnits(char16_t** paths, uint32_t* units, uint32_t* capacity, const char16_t* path) {
    const uint32_t length = TextLength(path);
    if (!ReservePathUnits(paths, units, capacity, (uint64_t)length + 1)) return false;
    const uint32_t start = *units ? *units - 1 : 0;
    memcpy(*paths + start, path, (size_t)length * sizeof(char16_t));
    (*paths)[start + length] = 0;
    (*paths)[start + length + 1] = 0;
    *units = start + length + 2;
    return true;
}

bool AppendGroupPath(Group* group, const char16_t* path) {
    return AppendPathUnits(&group->paths, &group->pathUnits, &group->pathCapacity, path);
}

// Makes sure one more group fits the list; false leaves the list as it was.
bool ReserveGroup() {
    if (g_groupCount < g_groupCapacity) return true;
    void* block = GrowBlock(g_groups, &g_groupCapacity, sizeof(Group));
    if (!block) return false;
    g_groups = static_cast<Group*>(block);
    return true;
}

// Keeps the name in the model first, so that the tree shows no root the
// reports would not.
void AddUnknownNameRoot(const TreeSink* tree, const char16_t* path, int glyph) {
    if (g_unnamedCount == g_unnamedCapacity) {
        void* block = GrowBlock(g_unnamed, &g_unnamedCapacity, sizeof(Unnamed));
        if (!block) {
            g_leftOut++;
            return;
        }
        g_unnamed = static_cast<Unnamed*>(block);
    }
    const uint32_t offset = g_unnamedUnits ? g_unnamedUnits - 1 : 0;
    if (!AppendPathUnits(&g_unnamedNames, &g_unnamedUnits, &g_unnamedNameCapacity, path)) {
        g_leftOut++;
        return;
    }
    g_unnamed[g_unnamedCount++] = {g_groupCount, offset};
    char16_t text[kNodeTextUnits];
    UnknownNameText(path, text);
    // No group will ever be formed for it, so it must not name one.
    tree->insert(tree->context, kTreeRoot, text, glyph,
                 MakeNodeId(MakeItemParam(kNoGroup, kKindPathRoot), kNoNodeIndex, kNoNodeIndex));
}

void WriteRootText(const TreeSink* tree, Group* group) {
    group->rootTextPending = false;
    GroupSnapshot snapshot;
    char16_t text[kNodeTextUnits];
    if (!ReadGroup((uint32_t)(group - g_groups), &snapshot)) return;
    GroupRootText(&snapshot, text);
    tree->setText(tree->context, group->root, text);
}

// The root text waits for the end of the batch; when the list of waiting
// groups cannot grow it is written at once.
void MarkRootText(const TreeSink* tree, uint32_t index) {
    Group* group = &g_groups[index];
    if (group->rootTextPending) return;
    if (g_pendingCount == g_pendingCapacity) {
        void* block = GrowBlock(g_pending, &g_pendingCapacity, sizeof(uint32_t));
        if (!block) {
            WriteRootText(tree, group);
            return;
        }
        g_pending = static_cast<uint32_t*>(block);
    }
    group->rootTextPending = true;
    g_pending[g_pendingCount++] = index;
}

void MergeIntoGroup(const TreeSink* tree, uint32_t index, const char16_t* fullPath) {
    if (!AppendGroupPath(&g_groups[index], fullPath)) {
        g_leftOut++;
        return;
    }
    g_groups[index].pathCount++;
    MarkRootText(tree, index);
}

// A copy of the signature in a block of its own size.
bool CopySignature(const ByteBuffer* signature, ByteBuffer* out) {
    out->data = static_cast<uint8_t*>(HeapAllocBytes(signature->used));
    if (!out->data) return false;
    memcpy(out->data, signature->data, signature->used);
    out->used = out->capacity = signature->used;
    return true;
}

// Stores a new group for the path at the table slot its signature hashed to,
// then shows it; when storage or the root fails nothing is left of it.
void StartGroup(const TreeSink* tree, uint32_t slot, uint32_t hash, const PathSecurity* security,
                const char16_t* fullPath, int glyph) {
    Group group = {{nullptr, 0, 0}, {{}, nullptr}, 1, 0, false, nullptr, 0, 0};
    const uint32_t index = g_groupCount;
    TreeItem root = 0;
    if (CopySignature(&g_scratch, &group.signature) && KeepSecurity(security, &group.security) &&
        AppendGroupPath(&group, fullPath) && ReserveGroup())
        root = tree->insert(tree->context, kTreeRoot, fullPath, glyph,
                            MakeNodeId(MakeItemParam(GroupItemIndex(index), kKindPathRoot), index, kNoNodeIndex));
    if (!root) {
        HeapFreeBytes(group.paths);
        ByteBufferFree(&group.signature);
        FreeKeptSecurity(&group.security);
        g_leftOut++;
        return;
    }
    group.root = root;
    g_groups[index] = group;
    g_table[slot] = {hash, index};
    g_groupCount++;
    // The nodes show what the group keeps.
    InsertSecurityNodes(tree, &g_groups[index].security.parts, fullPath, root, index);
    tree->expand(tree->context, root);
}

// Forms the signature of what was read in g_scratch; 0 when it could not be.
uint32_t FormScratchSignature(const PathSecurity* security) {
    g_scratch.used = 0;
    const uint32_t placeOfLength = 0;
    if (!ByteBufferAppend(&g_scratch, &placeOfLength, 4)) return 0;
    return FormSignature(security, &g_scratch);
}

bool SameSignature(const ByteBuffer* a, const ByteBuffer* b) {
    return a->used == b->used && memcmp(a->data, b->data, a->used) == 0;
}

void RemoveChildren(const TreeSink* tree, TreeItem parent) {
    TreeItem child = tree->firstChild(tree->context, parent);
    while (child) {
        TreeItem next = tree->nextSibling(tree->context, child);
        tree->remove(tree->context, child);
        child = next;
    }
}

// Indexes every group by its signature afresh. A regrouped group may now
// share its signature with another; the lower index holds the slot, so a
// later path joins exactly one of them, whatever the history. The table has
// room: it was reserved for each group as it was formed.
void IndexGroups() {
    for (uint32_t i = 0; i < g_tableSlots; i++) g_table[i] = {0, kNoSlot};
    for (uint32_t i = 0; i < g_groupCount; i++) {
        if (IsJoined(&g_groups[i])) continue;
        const ByteBuffer& signature = g_groups[i].signature;
        const uint32_t hash = HashBytes(signature.data, signature.used);
        const uint32_t slot = FindSlot(g_table, g_tableSlots, hash, signature.data, signature.used);
        if (g_table[slot].group == kNoSlot) g_table[slot] = {hash, i};
    }
}

// Reads the group's paths after its first again: those whose signature still
// equals the group's stay, in order; the others move to the front of paths
// (a copy of the group's block, laid out alike). A path whose signature
// cannot be formed is not known to differ, so it stays.
void SplitGroupPaths(Group* group, char16_t* paths) {
    uint32_t kept = TextLength(paths) + 1;   // the first path, already in place
    uint32_t left = 0;
    uint32_t count = 1;
    for (char16_t* path = paths + kept; *path;) {
        const uint32_t units = TextLength(path) + 1;
        char16_t* next = path + units;
        PathSecurity security;
        ReadPathSecurity(path, kAttributesInOpen, &security);
        const uint32_t length = FormScratchSignature(&security);
        if (length == 0 || SameSignature(&g_scratch, &group->signature)) {
            memcpy(group->paths + kept, path, (size_t)units * sizeof(char16_t));
            kept += units;
            count++;
        } else {
            memmove(paths + left, path, (size_t)units * sizeof(char16_t));
            left += units;
        }
        path = next;
    }
    group->paths[kept] = 0;
    group->pathUnits = kept + 1;
    group->pathCount = count;
    paths[left] = 0;
}

// Frees what a group holds; it keeps its index, with no paths.
void ReleaseGroup(Group* group) {
    ByteBufferFree(&group->signature);
    FreeKeptSecurity(&group->security);
    HeapFreeBytes(group->paths);
    group->paths = nullptr;
    group->pathUnits = group->pathCapacity = 0;
    group->pathCount = 0;
    group->root = 0;
    group->rootTextPending = false;
}

// The live group other than index whose signature equals index's, or
// kNoSlot. A regrouped group is the only one that can equal another.
uint32_t FindEqualGroup(uint32_t index) {
    for (uint32_t i = 0; i < g_groupCount; i++)
        if (i != index && !IsJoined(&g_groups[i]) && SameSignature(&g_groups[i].signature, &g_groups[index].signature))
            return i;
    return kNoSlot;
}

// One security state, one group: when the regrouped group equals another,
// the later one's paths follow the earlier one's and its root leaves the
// tree. Returns the group that holds the regrouped group's paths. Short of
// memory the two stay apart, as they were.
uint32_t JoinEqualGroup(const TreeSink* tree, uint32_t index) {
    const uint32_t other = FindEqualGroup(index);
    if (other == kNoSlot) return index;
    Group* first = &g_groups[index < other ? index : other];
    Group* later = &g_groups[index < other ? other : index];
    const uint64_t extra = later->pathUnits ? later->pathUnits - 1 : 0;
    if (!ReservePathUnits(&first->paths, &first->pathUnits, &first->pathCapacity, extra)) return index;
    for (const char16_t* path = later->paths; *path; path += TextLength(path) + 1) AppendGroupPath(first, path);
    first->pathCount += later->pathCount;
    tree->remove(tree->context, later->root);
    ReleaseGroup(later);
    return (uint32_t)(first - g_groups);
}

// The signature first: a path whose security matches a group's costs its
// queries and the path's storage, and no node.
void AddPathSecurity(const TreeSink* tree, const char16_t* fullPath, const PathSecurity* security) {
    const int glyph = IsFolder(security->attributes) ? kGlyphFolder : kGlyphFile;
    const uint32_t length = FormScratchSignature(security);
    // The table is made ready first, so that the group, once stored, is found.
    if (length == 0 || !ReserveTableSlot()) {
        g_leftOut++;
        return;
    }
    uint32_t hash = HashBytes(g_scratch.data, length);
    uint32_t slot = FindSlot(g_table, g_tableSlots, hash, g_scratch.data, length);
    if (g_table[slot].group != kNoSlot) MergeIntoGroup(tree, g_table[slot].group, fullPath);
    else StartGroup(tree, slot, hash, security, fullPath, glyph);
}

// A name that no command may see belongs to no group, as one whose full
// form cannot be made. It is never opened.
void AddUnknownName(const TreeSink* tree, const char16_t* path, uint32_t attributes) {
    AddUnknownNameRoot(tree, path, IsFolder(attributes) ? kGlyphFolder : kGlyphFile);
}

// AddPath once the full form of path has been tried (kind, fullPath).
void AddFormedPath(const TreeSink* tree, const char16_t* path, PathNameKind kind, const char16_t* fullPath,
                   uint32_t attributes) {
    if (kind != kPlainPathName) {
        AddUnknownName(tree, path, UnknownNameAttributes(path, kind, attributes));
        return;
    }
    PathSecurity security;
    ReadPathSecurity(fullPath, attributes, &security);
    AddPathSecurity(tree, fullPath, &security);
}

}  // namespace

void AddPath(const TreeSink* tree, const char16_t* path, uint32_t attributes) {
    char16_t fullPath[kFullPathUnits];
    const PathNameKind kind = FormFullPath(path, fullPath);
    AddFormedPath(tree, path, kind, fullPath, attributes);
}

// The full form is made once, for the key and for the reading.
bool AddNewPath(const TreeSink* tree, const char16_t* path, uint32_t attributes) {
    char16_t fullPath[kFullPathUnits];
    const PathNameKind kind = FormFullPath(path, fullPath);
    if (!RememberPathName(&g_knownPaths, kind == kPlainPathName ? fullPath : path)) return false;
    AddFormedPath(tree, path, kind, fullPath, attributes);
    return true;
}

// The reader formed the full path already; only a path it could not keep
// has it formed again.
bool AddNewReadPath(const TreeSink* tree, const char16_t* path, const PathRead* read) {
    const bool known = read->fullPath ? RememberPathName(&g_knownPaths, read->fullPath)
                                      : RememberPath(&g_knownPaths, path);
    if (!known) return false;
    if (read->kind != kPlainPathName) AddUnknownName(tree, path, read->attributes);
    else if (!read->kept) g_leftOut++;
    else AddPathSecurity(tree, read->fullPath, &read->security.parts);
    return true;
}

void FlushGroupRootTexts(const TreeSink* tree) {
    // A regrouped group's text was written already, with its new count.
    for (uint32_t i = 0; i < g_pendingCount; i++)
        if (g_pending[i] < g_groupCount && g_groups[g_pending[i]].rootTextPending)
            WriteRootText(tree, &g_groups[g_pending[i]]);
    g_pendingCount = 0;
}

uint32_t RegroupAfterChange(const TreeSink* tree, uint32_t index) {
    if (index >= g_groupCount || IsJoined(&g_groups[index])) return index;
    // A change was made: its accounts are looked up afresh.
    ClearAccountTexts();
    Group* group = &g_groups[index];
    char16_t* paths =
        static_cast<char16_t*>(HeapCopyBytes(group->paths, (size_t)group->pathUnits * sizeof(char16_t)));
    PathSecurity security;
    ReadPathSecurity(FirstGroupPathOf(group), kAttributesInOpen, &security);
    ByteBuffer signature = {nullptr, 0, 0};
    KeptSecurity kept = {{}, nullptr};
    const bool formed = FormScratchSignature(&security) != 0 && CopySignature(&g_scratch, &signature) &&
                        KeepSecurity(&security, &kept);
    RemoveChildren(tree, group->root);
    // Short of memory the group keeps its paths, signature and security, and
    // its nodes show those.
    if (!paths || !formed) {
        InsertSecurityNodes(tree, &group->security.parts, FirstGroupPathOf(group), group->root, index);
        HeapFreeBytes(paths);
        ByteBufferFree(&signature);
        FreeKeptSecurity(&kept);
        return index;
    }
    ByteBufferFree(&group->signature);
    group->signature = signature;
    FreeKeptSecurity(&group->security);
    group->security = kept;
    InsertSecurityNodes(tree, &group->security.parts, FirstGroupPathOf(group), group->root, index);
    SplitGroupPaths(group, paths);
    const uint32_t holder = JoinEqualGroup(tree, index);
    IndexGroups();
    WriteRootText(tree, &g_groups[holder]);
    // As if newly named; AddPath may move the groups, so group is not used after.
    for (const char16_t* path = paths; *path; path += TextLength(path) + 1) AddPath(tree, path, kAttributesInOpen);
    FlushGroupRootTexts(tree);
    HeapFreeBytes(paths);
    return holder;
}

void ClearGroups() {
    for (uint32_t i = 0; i < g_groupCount; i++) ReleaseGroup(&g_groups[i]);
    HeapFreeBytes(g_groups);
    g_groups = nullptr;
    g_groupCapacity = 0;
    HeapFreeBytes(g_table);
    g_table = nullptr;
    g_tableSlots = 0;
    g_groupCount = 0;
    ByteBufferFree(&g_scratch);
    ClearAccountTexts();
    ForgetPaths(&g_knownPaths);
    HeapFreeBytes(g_pending);
    g_pending = nullptr;
    g_pendingCount = 0;
    g_pendingCapacity = 0;
    HeapFreeBytes(g_unnamed);
    g_unnamed = nullptr;
    g_unnamedCount = g_unnamedCapacity = 0;
    HeapFreeBytes(g_unnamedNames);
    g_unnamedNames = nullptr;
    g_unnamedUnits = g_unnamedNameCapacity = 0;
    g_leftOut = 0;
    g_generation++;
}

uint32_t GroupsGeneration() { return g_generation; }

uint32_t PathsLeftOut() { return g_leftOut; }

uint32_t GroupCount() { return g_groupCount; }

bool ReadGroup(uint32_t index, GroupSnapshot* out) {
    if (index >= g_groupCount || IsJoined(&g_groups[index])) return false;
    const Group* group = &g_groups[index];
    out->index = index;
    out->pathCount = group->pathCount;
    out->root = group->root;
    out->paths = FirstGroupPathOf(group);
    out->signature = group->signature.data;
    out->signatureLength = group->signature.used;
    out->security = &group->security.parts;
    return true;
}

const char16_t* FirstGroupPath(const GroupSnapshot* group) {
    return group->paths && group->paths[0] ? group->paths : nullptr;
}

const char16_t* NextGroupPath(const char16_t* path) {
    const char16_t* next = path + TextLength(path) + 1;
    return next[0] ? next : nullptr;
}

uint32_t GroupPathUnits(const GroupSnapshot* group) {
    const char16_t* last = nullptr;
    for (const char16_t* path = FirstGroupPath(group); path; path = NextGroupPath(path)) last = path;
    return last ? (uint32_t)(last - group->paths) + TextLength(last) + 2 : 1;
}

void GroupRootText(const GroupSnapshot* group, char16_t* text) {
    if (group->pathCount == 1) CopyText(text, kNodeTextUnits, group->paths);
    else FormatText(text, kNodeTextUnits, u"(%d) %s", group->pathCount, group->paths);
}

void UnknownNameText(const char16_t* name, char16_t* text) {
    FormatText(text, kNodeTextUnits, u"%s : %s", Translate(u"unknown name"), name);
}

uint32_t UnnamedPathCount() { return g_unnamedCount; }

bool ReadUnnamedPath(uint32_t i, const char16_t** name, uint32_t* groupsBefore) {
    if (i >= g_unnamedCount) return false;
    *name = g_unnamedNames + g_unnamed[i].offset;
    *groupsBefore = g_unnamed[i].groupsBefore;
    return true;
}
