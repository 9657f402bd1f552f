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

// Group content after the signature: path count (u32), root node (8 bytes),
// then the paths.
const uint32_t kCountOffset = 0;
const uint32_t kRootOffset = 4;
const uint32_t kPathsOffset = 12;

// Finds a group by its signature without scanning the list: open addressing
// over group indexes, kept at most half full.
struct Slot {
    uint32_t hash;
    uint32_t group;   // kNoSlot: empty
};

ByteBuffer g_groupList = {nullptr, 0, 0};   // ByteBuffer records, one per group
uint32_t g_groupCount = 0;
Slot* g_table = nullptr;
uint32_t g_tableSlots = 0;

uint32_t ReadU32(const uint8_t* p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

void WriteU32(uint8_t* p, uint32_t v) { memcpy(p, &v, 4); }

ByteBuffer GroupRecord(uint32_t index) {
    ByteBuffer record;
    memcpy(&record, g_groupList.data + (size_t)index * sizeof(ByteBuffer), sizeof record);
    return record;
}

void StoreGroupRecord(uint32_t index, const ByteBuffer& record) {
    memcpy(g_groupList.data + (size_t)index * sizeof(ByteBuffer), &record, sizeof record);
}

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
            ByteBuffer record = GroupRecord(s.group);
            if (ReadU32(record.data) == length && memcmp(record.data, signature, length) == 0) return i;
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
        ByteBuffer record = GroupRecord(g_table[i].group);
        uint32_t at = FindSlot(table, (uint32_t)slots, g_table[i].hash, record.data, ReadU32(record.data));
        table[at] = g_table[i];
    }
    HeapFreeBytes(g_table);
    g_table = table;
    g_tableSlots = (uint32_t)slots;
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

void MergeIntoGroup(const TreeSink* tree, uint32_t group, TreeItem root, ByteBuffer* signature,
                    const char16_t* fullPath) {
    ByteBuffer record = GroupRecord(group);
    if (!ByteBufferAppendString(&record, fullPath)) {
        Abandon(tree, root, signature);
        return;
    }
    StoreGroupRecord(group, record);
    uint32_t length = ReadU32(record.data);
    uint32_t count = ReadU32(record.data + length + kCountOffset) + 1;
    WriteU32(record.data + length + kCountOffset, count);
    Abandon(tree, root, signature);

    uint64_t groupRoot;
    memcpy(&groupRoot, record.data + length + kRootOffset, 8);
    const char16_t* firstPath = reinterpret_cast<const char16_t*>(record.data + length + kPathsOffset);
    char16_t text[kNodeTextUnits];
    FormatText(text, kNodeTextUnits, u"(%d) %s", count, firstPath);
    tree->setText(tree->context, (TreeItem)groupRoot, text);
}

void FoundGroup(const TreeSink* tree, uint32_t slot, uint32_t hash, TreeItem root, ByteBuffer* signature,
                const char16_t* fullPath) {
    uint32_t one = 1;
    uint64_t rootHandle = root;
    if (!ByteBufferAppend(signature, &one, 4) || !ByteBufferAppend(signature, &rootHandle, 8) ||
        !ByteBufferAppendString(signature, fullPath) ||
        !ByteBufferAppend(&g_groupList, signature, sizeof *signature)) {
        Abandon(tree, root, signature);
        return;
    }
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
    else FoundGroup(tree, slot, hash, root, &signature, fullPath);
}

void ClearGroups() {
    for (uint32_t i = 0; i < g_groupCount; i++) {
        ByteBuffer record = GroupRecord(i);
        ByteBufferFree(&record);
    }
    ByteBufferFree(&g_groupList);
    HeapFreeBytes(g_table);
    g_table = nullptr;
    g_tableSlots = 0;
    g_groupCount = 0;
}

uint32_t GroupCount() { return g_groupCount; }

bool ReadGroup(uint32_t index, GroupSnapshot* out) {
    if (index >= g_groupCount || index >= kNoGroup) return false;
    ByteBuffer record = GroupRecord(index);
    uint32_t length = ReadU32(record.data);
    uint64_t root;
    memcpy(&root, record.data + length + kRootOffset, 8);
    out->index = index;
    out->pathCount = ReadU32(record.data + length + kCountOffset);
    out->root = (TreeItem)root;
    out->paths = reinterpret_cast<const char16_t*>(record.data + length + kPathsOffset);
    out->signature = record.data;
    out->signatureLength = length;
    return true;
}
