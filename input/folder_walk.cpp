#include "input/folder_walk.h"

#include <string.h>

#include "base/file_attributes.h"
#include "base/file_names.h"
#include "base/heap.h"
#include "base/text.h"

struct WalkLevel {
    void* listing;
    uint32_t pathLength;   // of the folder this level lists
    bool pending;          // entry holds the listing's first entry, not yet given out
    FolderEntry entry;
};

namespace {

const uint32_t kNameUnits = 260;

uint32_t SlotOf(const FolderIdentity& id, uint32_t capacity) {
    uint64_t h = id.fileIndex * 0x9E3779B97F4A7C15ull ^ (uint64_t)id.volumeSerial * 0xC2B2AE3D27D4EB4Full;
    return (uint32_t)(h >> 32) & (capacity - 1);
}

bool SameFolder(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volumeSerial == b.volumeSerial && a.fileIndex == b.fileIndex;
}

void FreeWalked(WalkedFolders* set) {
    HeapFreeBytes(set->slots);
    HeapFreeBytes(set->used);
    memset(set, 0, sizeof *set);
}

bool AllocWalked(WalkedFolders* set, uint32_t capacity) {
    set->slots = static_cast<FolderIdentity*>(HeapAllocBytes((size_t)capacity * sizeof(FolderIdentity)));
    set->used = static_cast<bool*>(HeapAllocBytes(capacity));
    if (!set->slots || !set->used) {
        FreeWalked(set);
        return false;
    }
    memset(set->used, 0, capacity);
    set->capacity = capacity;
    set->count = 0;
    return true;
}

void PutWalked(WalkedFolders* set, const FolderIdentity& id) {
    uint32_t slot = SlotOf(id, set->capacity);
    while (set->used[slot]) slot = (slot + 1) & (set->capacity - 1);
    set->used[slot] = true;
    set->slots[slot] = id;
    set->count++;
}

bool IsWalked(const WalkedFolders* set, const FolderIdentity& id) {
    if (!set->capacity) return false;
    uint32_t slot = SlotOf(id, set->capacity);
    while (set->used[slot]) {
        if (SameFolder(set->slots[slot], id)) return true;
        slot = (slot + 1) & (set->capacity - 1);
    }
    return false;
}

// False only when memory runs out.
bool AddWalked(WalkedFolders* set, const FolderIdentity& id) {
    if ((set->count + 1) * 2 > set->capacity) {
        WalkedFolders grown;
        if (!AllocWalked(&grown, set->capacity ? set->capacity * 2 : 64)) return false;
        for (uint32_t i = 0; i < set->capacity; i++)
            if (set->used[i]) PutWalked(&grown, set->slots[i]);
        FreeWalked(set);
        *set = grown;
    }
    PutWalked(set, id);
    return true;
}

// Appends "\" (unless the folder's path already ends in one, as "C:\" does)
// and the piece; the buffer holds any path within the limit plus a name.
uint32_t AppendPiece(FolderWalk* walk, uint32_t length, const char16_t* piece) {
    if (length && walk->path[length - 1] != u'\\') walk->path[length++] = u'\\';
    return length + CopyText(walk->path + length, kNameUnits + 1, piece);
}

void CloseAllLevels(FolderWalk* walk) {
    while (walk->depth > 0) walk->listing.close(walk->levels[--walk->depth].listing);
    walk->enterLength = 0;
}

enum EnterResult { kEntered, kSkipped, kUnlisted, kNoMemory };

// Starts listing the folder at walk->path (of the given length). A folder
// walked before is skipped.
EnterResult EnterFolder(FolderWalk* walk, uint32_t length) {
    FolderIdentity id;
    if (walk->listing.identity(walk->path, &id)) {
        if (IsWalked(&walk->walked, id)) return kSkipped;
        if (!AddWalked(&walk->walked, id)) return kNoMemory;
    }
    if (walk->depth == walk->levelCapacity) {
        void* block = GrowBlock(walk->levels, &walk->levelCapacity, sizeof(WalkLevel));
        if (!block) return kNoMemory;
        walk->levels = static_cast<WalkLevel*>(block);
    }
    WalkLevel* level = &walk->levels[walk->depth];
    AppendPiece(walk, length, u"*");
    level->listing = walk->listing.open(walk->path, &level->entry);
    walk->path[length] = 0;
    if (!level->listing) return kUnlisted;
    level->pathLength = length;
    level->pending = true;
    walk->depth++;
    return kEntered;
}

bool IsDotEntry(const char16_t* name) {
    return TextEquals(name, u".") || TextEquals(name, u"..") || name[0] == 0;
}

}  // namespace

bool IsEnteredEntry(const char16_t* name, uint32_t attributes) {
    return IsFolder(attributes) && !IsReparsePoint(attributes) && !IsDotEntry(name) &&
           !IsNameTheSystemAlters(name, name + TextLength(name));
}

bool InitFolderWalk(FolderWalk* walk, const FolderListing* listing, uint32_t pathLimit) {
    memset(walk, 0, sizeof *walk);
    walk->listing = *listing;
    walk->pathLimit = pathLimit < kLongestPathUnits ? pathLimit : kLongestPathUnits;
    walk->path = static_cast<char16_t*>(HeapAllocBytes((size_t)(kLongestPathUnits + kNameUnits + 1) * sizeof(char16_t)));
    if (!walk->path) return false;
    walk->path[0] = 0;
    return true;
}

bool WalkBelow(FolderWalk* walk, const char16_t* folder) {
    CloseAllLevels(walk);
    const uint32_t length = TextLength(folder);
    if (length == 0 || length >= walk->pathLimit) return false;
    CopyText(walk->path, walk->pathLimit, folder);
    walk->enterLength = length;
    return true;
}

WalkEvent NextWalkEvent(FolderWalk* walk) {
    if (walk->enterLength) {
        const uint32_t length = walk->enterLength;
        walk->enterLength = 0;
        switch (EnterFolder(walk, length)) {
        case kEntered:
        case kSkipped: break;
        case kUnlisted: return kWalkUnlisted;
        case kNoMemory: CloseAllLevels(walk); return kWalkFailed;
        }
    }
    while (walk->depth > 0) {
        WalkLevel* level = &walk->levels[walk->depth - 1];
        if (level->pending) {
            level->pending = false;
        } else if (!walk->listing.next(level->listing, &level->entry)) {
            walk->listing.close(level->listing);
            walk->depth--;
            continue;
        }
        level->entry.name[kNameUnits - 1] = 0;
        if (IsDotEntry(level->entry.name)) continue;
        const uint32_t length = AppendPiece(walk, level->pathLength, level->entry.name);
        // Never cut: a shorter name would be another file.
        if (length >= walk->pathLimit) return kWalkTooLong;
        walk->attributes = level->entry.attributes;
        // A link could lead anywhere; it is given out and never entered. A
        // folder whose name the system alters would be listed as its
        // neighbour (and mark that one walked): it is given out only.
        if (IsEnteredEntry(level->entry.name, walk->attributes)) walk->enterLength = length;
        return kWalkEntry;
    }
    return kWalkEnd;
}

void EndFolderWalk(FolderWalk* walk) {
    CloseAllLevels(walk);
    HeapFreeBytes(walk->levels);
    FreeWalked(&walk->walked);
    HeapFreeBytes(walk->path);
    memset(walk, 0, sizeof *walk);
}
