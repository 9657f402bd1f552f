#include "security/account_names.h"

#include <string.h>

#include "base/hash.h"
#include "base/heap.h"
#include "base/text.h"
#include "security/descriptor.h"

namespace {

// One block per entry holds the key (the system's units with their zero,
// then the SID's bytes) and the text with its zero.
struct AccountEntry {
    uint32_t hash;
    uint32_t keyBytes;   // 0: empty slot
    uint8_t* block;
    const char16_t* text;   // inside block, or null
};

const uint32_t kFirstSlots = 64;

AccountEntry* g_entries = nullptr;
uint32_t g_slots = 0;
uint32_t g_used = 0;

// The key in a caller's buffer; false when it does not fit.
bool MakeKey(const char16_t* system, const uint8_t* sid, uint8_t* key, uint32_t capacity, uint32_t* bytes) {
    const uint32_t systemBytes = (TextLength(system) + 1) * sizeof(char16_t);
    const uint32_t sidBytes = SidLength(sid);
    if ((uint64_t)systemBytes + sidBytes > capacity) return false;
    memcpy(key, system, systemBytes);
    memcpy(key + systemBytes, sid, sidBytes);
    *bytes = systemBytes + sidBytes;
    return true;
}


AccountEntry* FindEntry(AccountEntry* table, uint32_t slots, uint32_t hash, const uint8_t* key, uint32_t n) {
    for (uint32_t i = hash & (slots - 1);; i = (i + 1) & (slots - 1)) {
        AccountEntry* e = &table[i];
        if (e->keyBytes == 0) return e;
        if (e->hash == hash && e->keyBytes == n && memcmp(e->block, key, n) == 0) return e;
    }
}

// Makes room for one more entry at most half full; false leaves the table.
bool ReserveEntry() {
    if (g_entries && (uint64_t)(g_used + 1) * 2 <= g_slots) return true;
    const uint64_t slots = g_entries ? (uint64_t)g_slots * 2 : kFirstSlots;
    if (slots > 0x10000000u) return false;
    AccountEntry* table = static_cast<AccountEntry*>(HeapAllocBytes((size_t)slots * sizeof(AccountEntry)));
    if (!table) return false;
    memset(table, 0, (size_t)slots * sizeof(AccountEntry));
    for (uint32_t i = 0; i < g_slots; i++)
        if (g_entries[i].keyBytes)
            *FindEntry(table, (uint32_t)slots, g_entries[i].hash, g_entries[i].block, g_entries[i].keyBytes) =
                g_entries[i];
    HeapFreeBytes(g_entries);
    g_entries = table;
    g_slots = (uint32_t)slots;
    return true;
}

const uint32_t kKeyBytes = 1600;   // a system name of a full path (520 bytes) and the longest SID (1028)

}  // namespace

bool FindAccountText(const char16_t* system, const uint8_t* sid, const char16_t** text) {
    uint8_t key[kKeyBytes];
    uint32_t n;
    if (!g_entries || !MakeKey(system, sid, key, kKeyBytes, &n)) return false;
    const AccountEntry* e = FindEntry(g_entries, g_slots, HashBytes(key, n), key, n);
    if (e->keyBytes == 0) return false;
    *text = e->text;
    return true;
}

void KeepAccountText(const char16_t* system, const uint8_t* sid, const char16_t* text) {
    uint8_t key[kKeyBytes];
    uint32_t n;
    if (!MakeKey(system, sid, key, kKeyBytes, &n) || !ReserveEntry()) return;
    const uint32_t hash = HashBytes(key, n);
    AccountEntry* e = FindEntry(g_entries, g_slots, hash, key, n);
    if (e->keyBytes) return;
    const uint32_t textBytes = text ? (TextLength(text) + 1) * sizeof(char16_t) : 0;
    // The text starts on a char16_t boundary after the key.
    const uint32_t at = (n + 1) & ~1u;
    uint8_t* block = static_cast<uint8_t*>(HeapAllocBytes((size_t)at + textBytes));
    if (!block) return;
    memcpy(block, key, n);
    if (text) memcpy(block + at, text, textBytes);
    *e = {hash, n, block, text ? reinterpret_cast<const char16_t*>(block + at) : nullptr};
    g_used++;
}

void ClearAccountTexts() {
    for (uint32_t i = 0; i < g_slots; i++) HeapFreeBytes(g_entries[i].block);
    HeapFreeBytes(g_entries);
    g_entries = nullptr;
    g_slots = 0;
    g_used = 0;
}
