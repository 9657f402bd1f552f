#include "security/known_paths.h"

#include <string.h>

#include "base/file_attributes.h"
#include "base/hash.h"
#include "base/heap.h"
#include "base/text.h"
#include "security/path_names.h"
#include "security/security_platform.h"

struct KnownPathSlot {
    uint32_t hash;
    uint32_t key;      // where its key starts in keys; kNoKey: empty
    uint32_t length;   // of the key, its zero not counted
};

namespace {

const uint32_t kNoKey = 0xFFFFFFFF;
const uint32_t kFirstSlots = 256;
const uint32_t kFirstKeyUnits = 4096;
const uint32_t kMostKeyUnits = 0x7FFFFFFF;

uint32_t HashKey(const char16_t* key, uint32_t length) {
    return HashBytes(reinterpret_cast<const uint8_t*>(key), length * (uint32_t)sizeof(char16_t));
}

// The slot that holds the key, or the empty one where it would go.
uint32_t FindKeySlot(const KnownPaths* known, uint32_t hash, const char16_t* key, uint32_t length) {
    uint32_t i = hash & (known->slotCount - 1);
    for (;;) {
        const KnownPathSlot& s = known->slots[i];
        if (s.key == kNoKey) return i;
        if (s.hash == hash && s.length == length &&
            memcmp(known->keys + s.key, key, (size_t)length * sizeof(char16_t)) == 0)
            return i;
        i = (i + 1) & (known->slotCount - 1);
    }
}

// Makes sure one more key fits the table; false leaves it as it was.
bool ReserveKeySlot(KnownPaths* known) {
    if (known->slots && (uint64_t)(known->count + 1) * 2 <= known->slotCount) return true;
    const uint64_t slots = known->slots ? (uint64_t)known->slotCount * 2 : kFirstSlots;
    if (slots > 0x80000000u) return false;
    KnownPathSlot* table = static_cast<KnownPathSlot*>(HeapAllocBytes((size_t)slots * sizeof(KnownPathSlot)));
    if (!table) return false;
    for (uint64_t i = 0; i < slots; i++) table[i] = {0, kNoKey, 0};
    KnownPaths grown = *known;
    grown.slots = table;
    grown.slotCount = (uint32_t)slots;
    for (uint32_t i = 0; i < known->slotCount; i++) {
        const KnownPathSlot& s = known->slots[i];
        if (s.key != kNoKey) table[FindKeySlot(&grown, s.hash, known->keys + s.key, s.length)] = s;
    }
    HeapFreeBytes(known->slots);
    *known = grown;
    return true;
}

// Room behind the keys for one of length units and its zero.
bool ReserveKeyUnits(KnownPaths* known, uint32_t length) {
    const uint64_t needed = (uint64_t)known->keyUnits + length + 1;
    if (needed > kMostKeyUnits) return false;
    if (needed <= known->keyCapacity) return true;
    uint64_t items = known->keyCapacity ? (uint64_t)known->keyCapacity * 2 : kFirstKeyUnits;
    if (items < needed) items = needed;
    if (items > kMostKeyUnits) items = kMostKeyUnits;
    void* block = ResizeBlock(known->keys, &known->keyCapacity, (uint32_t)items, sizeof(char16_t));
    if (!block) return false;
    known->keys = static_cast<char16_t*>(block);
    return true;
}

}  // namespace

bool RememberPath(KnownPaths* known, const char16_t* path) {
    char16_t fullPath[kFullPathUnits];
    return RememberPathName(known, FormFullPath(path, fullPath) == kPlainPathName ? fullPath : path);
}

bool RememberPathName(KnownPaths* known, const char16_t* name) {
    const uint32_t length = TextLength(name);
    // The key is formed behind the keys held and kept there only when new.
    if (!ReserveKeyUnits(known, length) || !ReserveKeySlot(known)) return false;
    char16_t* key = known->keys + known->keyUnits;
    CurrentSecurityPlatform()->upperCase(name, length, key);
    key[length] = 0;
    const uint32_t hash = HashKey(key, length);
    const uint32_t slot = FindKeySlot(known, hash, key, length);
    if (known->slots[slot].key != kNoKey) return false;
    known->slots[slot] = {hash, known->keyUnits, length};
    known->keyUnits += length + 1;
    known->count++;
    return true;
}

void ForgetPaths(KnownPaths* known) {
    HeapFreeBytes(known->slots);
    HeapFreeBytes(known->keys);
    memset(known, 0, sizeof *known);
}
