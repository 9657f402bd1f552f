#include "security/groups.h"

#include <string.h>

#include "base/format.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/byte_buffer.h"
#include "security/path_names.h"
#include "security/security_platform.h"
#include "security/tree_builder.h"

namespace {

const uint32_t kNoSlot = 0xFFFFFFFF;
const uint32_t kFirstTableSlots = 64;

// One group: the signature it was formed with and its paths.
struct Group {
    ByteBuffer signature;   // exactly the signature, its length in its first u32
    uint32_t pathCount;
    TreeItem root;
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

uint32_t HashBytes(const uint8_t* bytes, uint32_t n) {
    uint32_t h = 2166136261u;   // FNV-1a
    for (uint32_t i = 0; i < n; i++) {
        h ^= bytes[i];
        h *= 16777619u;
    }
    return h;
}

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

// Appends a path in place of the block's last zero; false leaves the group
// as it was.
bool AppendGroupPath(Group* group, const char16_t* path) {
    const uint32_t length = TextLength(path);
    const uint32_t start = group->pathUnits ? group->pathUnits - 1 : 0;
    const uint64_t needed = (uint64_t)start + length + 2;
    if (needed > 0x7FFFFFFF) return false;
    if (needed > group->pathCapacity) {
        const uint64_t doubled = (uint64_t)group->pathCapacity * 2;
        const uint32_t items = (uint32_t)(needed > doubled ? needed : doubled);
        void* block = ResizeBlock(group->paths, &group->pathCapacity, items, sizeof(char16_t));
        if (!block) return false;
        group->paths = static_cast<char16_t*>(block);
    }
    memcpy(group->paths + start, path, (size_t)length * sizeof(char16_t));
    group->paths[start + length] = 0;
    group->paths[start + length + 1] = 0;
    group->pathUnits = (uint32_t)needed;
    return true;
}

// Makes sure one more group fits the list; false leaves the list as it was.
bool ReserveGroup() {
    if (g_groupCount < g_groupCapacity) return true;
    void* block = GrowBlock(g_groups, &g_groupCapacity, sizeof(Group));
    if (!block) return false;
    g_groups = static_cast<Group*>(block);
    return true;
}

// Gives up on a path that could not be stored: its nodes go with it.
void Abandon(const TreeSink* tree, TreeItem root, ByteBuffer* signature) {
    tree->remove(tree->context, root);
    ByteBufferFree(signature);
}

void AddUnknownNameRoot(const TreeSink* tree, const char16_t* path, int glyph) {
    char16_t text[kNodeTextUnits];
    FormatText(text, kNodeTextUnits, u"%s : %s", Translate(u"unknown name"), path);
    // No group will ever be formed for it, so it must not name one.
    tree->insert(tree->context, kTreeRoot, text, glyph, MakeItemParam(kNoGroup, kKindPathRoot));
}

void MergeIntoGroup(const TreeSink* tree, uint32_t index, TreeItem root, ByteBuffer* signature,
                    const char16_t* fullPath) {
    Group* group = &g_groups[index];
    const bool stored = AppendGroupPath(group, fullPath);
    Abandon(tree, root, signature);
    if (!stored) return;
    group->pathCount++;
    char16_t text[kNodeTextUnits];
    FormatText(text, kNodeTextUnits, u"(%d) %s", group->pathCount, FirstGroupPathOf(group));
    tree->setText(tree->context, group->root, text);
}

// Stores a new group for the path at the table slot its signature hashed to.
void StartGroup(const TreeSink* tree, uint32_t slot, uint32_t hash, TreeItem root, ByteBuffer* signature,
                const char16_t* fullPath) {
    Group group = {*signature, 1, root, nullptr, 0, 0};
    if (!AppendGroupPath(&group, fullPath) || !ReserveGroup()) {
        HeapFreeBytes(group.paths);
        Abandon(tree, root, signature);
        return;
    }
    g_groups[g_groupCount] = group;
    g_table[slot] = {hash, g_groupCount};
    g_groupCount++;
    tree->expand(tree->context, root);
}

}  // namespace

void AddPath(const TreeSink* tree, const char16_t* path, uint32_t attributes) {
    int glyph = IsFolder(attributes) ? kGlyphFolder : kGlyphFile;
    char16_t fullPath[kFullPathUnits];
    // A name that no command may see belongs to no group, as one whose full
    // form cannot be made.
    if (FormFullPath(path, fullPath) != kPlainPathName) {
        AddUnknownNameRoot(tree, path, glyph);
        return;
    }

    TreeItem root = tree->insert(tree->context, kTreeRoot, fullPath, glyph,
                                 MakeItemParam(GroupItemIndex(g_groupCount), kKindPathRoot));
    if (!root) return;

    ByteBuffer signature;
    ByteBufferInit(&signature);
    uint32_t placeOfLength = 0;
    bool started = ByteBufferAppend(&signature, &placeOfLength, 4);
    uint32_t length = BuildSecurityNodes(tree, &signature, fullPath, root, attributes, g_groupCount);
    // The table is made ready first, so that the group, once stored, is found.
    if (!started || length == 0 || !ReserveTableSlot()) {
        Abandon(tree, root, &signature);
        return;
    }
    uint32_t hash = HashBytes(signature.data, length);
    uint32_t slot = FindSlot(g_table, g_tableSlots, hash, signature.data, length);
    if (g_table[slot].group != kNoSlot) MergeIntoGroup(tree, g_table[slot].group, root, &signature, fullPath);
    else StartGroup(tree, slot, hash, root, &signature, fullPath);
}

void ClearGroups() {
    for (uint32_t i = 0; i < g_groupCount; i++) {
        ByteBufferFree(&g_groups[i].signature);
        HeapFreeBytes(g_groups[i].paths);
    }
    HeapFreeBytes(g_groups);
    g_groups = nullptr;
    g_groupCapacity = 0;
    HeapFreeBytes(g_table);
    g_table = nullptr;
    g_tableSlots = 0;
    g_groupCount = 0;
}

uint32_t GroupCount() { return g_groupCount; }

bool ReadGroup(uint32_t index, GroupSnapshot* out) {
    if (index >= g_groupCount || index >= kNoGroup) return false;
    const Group* group = &g_groups[index];
    out->index = index;
    out->pathCount = group->pathCount;
    out->root = group->root;
    out->paths = FirstGroupPathOf(group);
    out->signature = group->signature.data;
    out->signatureLength = group->signature.used;
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
