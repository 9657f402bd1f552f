// "Allow inheritable subfolers,files": every file below a folder gets
// "icacls <file> /inheritance:e /T"; folders themselves are not changed, and
// junctions and symbolic links below the folder are neither entered nor changed.
#include "actions/commands.h"

#include <string.h>

#include "actions/node_menus.h"
#include "base/heap.h"
#include "base/text.h"
#include "config/config_text.h"

namespace {

const uint32_t kWalkPathUnits = 32768;   // the longest path the system accepts

struct WalkLevel {
    void* listing;
    uint32_t pathLength;   // of the folder this level lists
    bool pending;          // entry holds the listing's first entry, not yet walked
    FolderEntry entry;
};

// Folders already walked, by volume and file index: a folder that leads back
// into the walk without showing as a link (a link a file server follows
// itself) is not entered again.
struct WalkedFolders {
    FolderIdentity* slots;
    bool* used;
    uint32_t capacity;   // a power of two
    uint32_t count;
};

uint32_t SlotOf(const FolderIdentity& id, uint32_t capacity) {
    uint64_t h = id.fileIndex * 0x9E3779B97F4A7C15ull ^ (uint64_t)id.volumeSerial * 0xC2B2AE3D27D4EB4Full;
    return (uint32_t)(h >> 32) & (capacity - 1);
}

bool SameFolder(const FolderIdentity& a, const FolderIdentity& b) {
    return a.volumeSerial == b.volumeSerial && a.fileIndex == b.fileIndex;
}

void FreeWalked(WalkedFolders* set) {
    if (set->slots) HeapFreeBytes(set->slots);
    if (set->used) HeapFreeBytes(set->used);
    set->slots = nullptr;
    set->used = nullptr;
    set->capacity = set->count = 0;
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

struct Walk {
    const ActionPlatform* platform;
    CommandTemplate command;
    char16_t* path;        // kWalkPathUnits
    WalkLevel* levels;
    uint32_t depth;
    uint32_t levelCapacity;
    WalkedFolders walked;
};

bool AppendToPath(Walk* walk, uint32_t length, const char16_t* piece) {
    const uint32_t n = TextLength(piece);
    if ((uint64_t)length + n + 1 > kWalkPathUnits) return false;
    memcpy(walk->path + length, piece, (size_t)n * sizeof(char16_t));
    walk->path[length + n] = 0;
    return true;
}

// Starts listing the folder at walk->path (of the given length); false when
// the listing can't start. A folder walked before is skipped (true).
bool EnterFolder(Walk* walk, uint32_t length) {
    FolderIdentity id;
    if (walk->platform->folderIdentity(walk->path, &id)) {
        if (IsWalked(&walk->walked, id)) return true;
        if (!AddWalked(&walk->walked, id)) return false;
    }
    if (walk->depth == walk->levelCapacity) {
        void* block = GrowBlock(walk->levels, &walk->levelCapacity, sizeof(WalkLevel));
        if (!block) return false;
        walk->levels = static_cast<WalkLevel*>(block);
    }
    WalkLevel* level = &walk->levels[walk->depth];
    if (!AppendToPath(walk, length, u"\\*")) return false;
    level->listing = walk->platform->openFolder(walk->path, &level->entry);
    walk->path[length] = 0;   // later pieces are written at explicit offsets
    if (!level->listing) return false;
    level->pathLength = length;
    level->pending = true;
    walk->depth++;
    return true;
}

bool IsDotEntry(const char16_t* name) {
    return TextEquals(name, u".") || TextEquals(name, u"..") || name[0] == 0;
}

bool LogSkippedLink(const ActionPlatform* platform, const char16_t* path) {
    char16_t line[kCommandUnits];
    FormatText(line, kCommandUnits, Translate(u"skipped link: %s"), path);
    platform->appendLog(platform->owner, line);
    return true;
}

// Takes the next entry of the deepest listing and walks it; a listing that
// is done is closed. False at the first failure.
bool WalkStep(Walk* walk) {
    WalkLevel* level = &walk->levels[walk->depth - 1];
    if (level->pending) {
        level->pending = false;
    } else if (!walk->platform->nextFolderEntry(level->listing, &level->entry)) {
        walk->platform->closeFolder(level->listing);
        walk->depth--;
        walk->path[level->pathLength] = 0;
        return true;
    }
    level->entry.name[259] = 0;
    if (IsDotEntry(level->entry.name)) return true;
    const uint32_t parentLength = level->pathLength;
    const uint32_t attributes = level->entry.attributes;
    if (!AppendToPath(walk, parentLength, u"\\") || !AppendToPath(walk, parentLength + 1, level->entry.name))
        return false;
    const uint32_t childLength = TextLength(walk->path);
    // A link could lead anywhere, also where whoever planted it may not
    // change permissions; it is named and left alone.
    if (IsReparsePoint(attributes)) return LogSkippedLink(walk->platform, walk->path);
    if (IsFolder(attributes)) return EnterFolder(walk, childLength);
    return RunTemplateOnPath(walk->platform, &walk->command, walk->path);
}

}  // namespace

bool EnableInheritanceTree(const ActionPlatform* platform, const char16_t* path, uint32_t attributes) {
    Walk walk;
    memset(&walk, 0, sizeof walk);
    walk.platform = platform;
    ComposeTemplate(&walk.command, u"icacls %%s /inheritance:e /T");
    walk.path = static_cast<char16_t*>(HeapAllocBytes(kWalkPathUnits * sizeof(char16_t)));
    if (!walk.path) return false;
    walk.path[0] = 0;
    bool ok = AppendToPath(&walk, 0, path);
    if (ok && !IsFolder(attributes)) {
        ok = RunTemplateOnPath(platform, &walk.command, walk.path);
    } else if (ok) {
        ok = EnterFolder(&walk, TextLength(walk.path)) && walk.depth > 0;
        while (ok && walk.depth > 0) ok = WalkStep(&walk);
    }
    while (walk.depth > 0) platform->closeFolder(walk.levels[--walk.depth].listing);
    if (walk.levels) HeapFreeBytes(walk.levels);
    FreeWalked(&walk.walked);
    HeapFreeBytes(walk.path);
    return ok;
}
