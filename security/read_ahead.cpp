#include "security/read_ahead.h"

#include <string.h>

#include <chrono>
#include <new>

#include "base/heap.h"
#include "base/text.h"
#include "security/groups.h"
#include "security/security_platform.h"

enum SlotKind : uint8_t { kSlotEmpty, kSlotPath, kSlotLog, kSlotGap };

struct ReadAheadSlot {
    SlotKind kind;
    bool claimed;          // a reader (or the taker) is at it
    bool done;             // ready for the taker
    uint32_t attributes;   // a path's, as the source gave them; a gap's WalkGap
    char16_t* text;        // the path, the log line or the gap's path, on the heap
    PathRead read;
};

// A folder listed ahead of its walk, or being listed.
struct FolderAhead {
    char16_t* path;          // null: the place is free
    char16_t* pattern;       // "<path>\*" as the walk asks for it: the key
    bool busy;               // a thread is listing it
    bool whole;              // every entry is held (memory did not run out)
    bool identified;         // identity answered
    FolderIdentity identity;
    bool listed;             // its listing could start
    char16_t* names;         // zero-terminated, back to back
    uint32_t* attributes;
    uint32_t count;
    uint32_t nameUnits;
    uint32_t nameCapacity;
    uint32_t attributeCapacity;
};

namespace {

typedef std::unique_lock<std::mutex> Lock;

// The walk's listing has no context of its own: the one reading whose
// source walks (a process reads one at a time).
ReadAhead* g_walkAhead;

ReadAheadSlot& SlotAt(ReadAhead* a, uint64_t index) { return a->slots[index % kPathsAhead]; }

void FreeSlot(ReadAheadSlot* slot) {
    HeapFreeBytes(slot->text);
    FreePathRead(&slot->read);
    *slot = ReadAheadSlot{};
}

// ---- Folders listed ahead of the walk.

// The walk's own way of naming a folder's listing: "<path>\*", no second
// separator after a root's.
char16_t* PatternOf(const char16_t* path) {
    const uint32_t length = TextLength(path);
    char16_t* pattern = static_cast<char16_t*>(HeapAllocBytes((size_t)(length + 3) * sizeof(char16_t)));
    if (!pattern) return nullptr;
    CopyText(pattern, length + 1, path);
    uint32_t at = length;
    if (length && path[length - 1] != u'\\') pattern[at++] = u'\\';
    pattern[at++] = u'*';
    pattern[at] = 0;
    return pattern;
}

void FreeFolder(FolderAhead* f) {
    HeapFreeBytes(f->path);
    HeapFreeBytes(f->pattern);
    HeapFreeBytes(f->names);
    HeapFreeBytes(f->attributes);
    *f = FolderAhead{};
}

bool AppendEntry(FolderAhead* f, const FolderEntry& entry) {
    const uint32_t units = TextLength(entry.name) + 1;
    if (f->count == f->attributeCapacity) {
        void* block = GrowBlock(f->attributes, &f->attributeCapacity, sizeof(uint32_t));
        if (!block) return false;
        f->attributes = static_cast<uint32_t*>(block);
    }
    if (f->nameUnits + units > f->nameCapacity) {
        const uint32_t wanted = (f->nameUnits + units) * 2;
        void* block = ResizeBlock(f->names, &f->nameCapacity, wanted, sizeof(char16_t));
        if (!block) return false;
        f->names = static_cast<char16_t*>(block);
    }
    CopyText(f->names + f->nameUnits, units, entry.name);
    f->nameUnits += units;
    f->attributes[f->count++] = entry.attributes;
    return true;
}

// The whole listing of f->pattern; no lock held.
void ListEntries(const FolderListing* system, FolderAhead* f) {
    FolderEntry entry;
    void* listing = system->open(f->pattern, &entry);
    f->listed = listing != nullptr;
    f->whole = true;
    if (!listing) return;
    entry.name[259] = 0;
    f->whole = AppendEntry(f, entry);
    while (f->whole && system->next(listing, &entry)) {
        entry.name[259] = 0;
        f->whole = AppendEntry(f, entry);
    }
    system->close(listing);
}

// Identity and the whole listing, as the walk will ask for them.
void ListFolder(const FolderListing* system, FolderAhead* f) {
    f->identified = system->identity(f->path, &f->identity);
    ListEntries(system, f);
}

FolderAhead* FindFolder(ReadAhead* a, const char16_t* pattern) {
    for (uint32_t i = 0; i <= kFoldersAhead; i++)
        if (a->folders[i].pattern && TextEquals(a->folders[i].pattern, pattern)) return &a->folders[i];
    return nullptr;
}

// A reader's turn at the folder wanted first, while fewer than
// kFoldersAhead are held.
bool ClaimFolder(ReadAhead* a, FolderAhead** claimed) {
    if (!a->wantedCount || a->foldersHeld >= kFoldersAhead) return false;
    for (uint32_t i = 0; i <= kFoldersAhead; i++) {
        FolderAhead& f = a->folders[i];
        if (f.path) continue;
        f = FolderAhead{};
        f.path = a->wanted[--a->wantedCount];
        f.pattern = PatternOf(f.path);
        if (!f.pattern) {
            FreeFolder(&f);
            return false;
        }
        f.busy = true;
        a->foldersHeld++;
        *claimed = &f;
        return true;
    }
    return false;
}

void GrowWhenSlow(ReadAhead* a, std::chrono::steady_clock::time_point start);

void ListClaimed(ReadAhead* a, FolderAhead* f, Lock* hold) {
    hold->unlock();
    const auto start = std::chrono::steady_clock::now();
    ListFolder(a->listing, f);
    hold->lock();
    f->busy = false;
    a->listed.notify_all();
    GrowWhenSlow(a, start);
}

// The folder the walk asks for, once listed; null when none is held (or
// the reading stopped).
FolderAhead* AwaitFolder(ReadAhead* a, const char16_t* pattern, Lock* hold) {
    FolderAhead* f = FindFolder(a, pattern);
    if (!f) return nullptr;
    a->listed.wait(*hold, [a, f] { return a->stopped || !f->busy; });
    return a->stopped ? nullptr : f;
}

// A folder the walk is about to enter is not listed ahead any more: the walk
// lists it itself.
void ForgetWanted(ReadAhead* a, const char16_t* path) {
    for (uint32_t i = a->wantedCount; i-- > 0;) {
        if (!TextEquals(a->wanted[i], path)) continue;
        HeapFreeBytes(a->wanted[i]);
        memmove(a->wanted + i, a->wanted + i + 1, (size_t)(a->wantedCount - i - 1) * sizeof(char16_t*));
        a->wantedCount--;
        return;
    }
}

// The folders a listing holds that the walk will enter, first one wanted
// first; a path over the limit is skipped by the walk and not listed.
void WantSubfolders(ReadAhead* a, const FolderAhead* f) {
    const char16_t* name = f->names;
    uint32_t entered = 0;
    for (uint32_t i = 0; i < f->count; i++, name += TextLength(name) + 1)
        if (IsEnteredEntry(name, f->attributes[i])) entered++;
    if (!entered || a->wantedCount + entered < a->wantedCount) return;
    if (a->wantedCount + entered > a->wantedCapacity) {
        const uint32_t twice = a->wantedCapacity * 2;
        const uint32_t room = a->wantedCount + entered > twice ? a->wantedCount + entered : twice;
        void* block = ResizeBlock(a->wanted, &a->wantedCapacity, room, sizeof(char16_t*));
        if (!block) return;
        a->wanted = static_cast<char16_t**>(block);
    }
    // The pattern without its "*" is the folder's path as the walk joins a
    // name to it.
    uint32_t at = a->wantedCount + entered;
    const uint32_t prefix = TextLength(f->pattern) - 1;
    name = f->names;
    for (uint32_t i = 0; i < f->count; i++, name += TextLength(name) + 1) {
        if (!IsEnteredEntry(name, f->attributes[i])) continue;
        at--;
        const uint32_t units = prefix + TextLength(name) + 1;
        char16_t* path = nullptr;
        if (units <= kFullPathUnits) path = static_cast<char16_t*>(HeapAllocBytes(units * sizeof(char16_t)));
        if (path) {
            CopyTextN(path, units, f->pattern, prefix);
            CopyText(path + prefix, units - prefix, name);
        }
        a->wanted[at] = path;
    }
    // Places left empty (too long, or memory ran out) close up.
    uint32_t kept = a->wantedCount;
    for (uint32_t i = a->wantedCount; i < a->wantedCount + entered; i++)
        if (a->wanted[i]) a->wanted[kept++] = a->wanted[i];
    a->wantedCount = kept;
    a->work.notify_all();
}

struct TakenListing {
    FolderAhead folder;
    uint32_t next;
    const char16_t* name;
    void* system;   // the system's own listing, when the folder was not held whole
};

bool IdentityAhead(const char16_t* path, FolderIdentity* out) {
    ReadAhead* a = g_walkAhead;
    char16_t* pattern = PatternOf(path);
    Lock hold(a->lock);
    FolderAhead* f = pattern ? AwaitFolder(a, pattern, &hold) : nullptr;
    HeapFreeBytes(pattern);
    if (a->stopped) return false;
    if (f) {
        *out = f->identity;
        return f->identified;
    }
    ForgetWanted(a, path);
    hold.unlock();
    return a->listing->identity(path, out);
}

void GiveOut(TakenListing* taken, FolderEntry* entry) {
    CopyText(entry->name, 260, taken->name);
    entry->attributes = taken->folder.attributes[taken->next++];
    taken->name += TextLength(taken->name) + 1;
}

void* OpenAhead(const char16_t* pattern, FolderEntry* first) {
    ReadAhead* a = g_walkAhead;
    TakenListing* taken = static_cast<TakenListing*>(HeapAllocBytes(sizeof(TakenListing)));
    if (!taken) return nullptr;
    *taken = TakenListing{};
    Lock hold(a->lock);
    FolderAhead* f = AwaitFolder(a, pattern, &hold);
    if (a->stopped) {
        HeapFreeBytes(taken);
        return nullptr;
    }
    if (f) {
        taken->folder = *f;
        *f = FolderAhead{};
        a->foldersHeld--;
    }
    hold.unlock();
    // A folder no reader listed (the first of a walk) is listed here, whole,
    // so that its subfolders are listed ahead too.
    if (!f) {
        taken->folder.pattern = static_cast<char16_t*>(HeapCopyBytes(pattern, (TextLength(pattern) + 1) * 2));
        if (taken->folder.pattern) ListEntries(a->listing, &taken->folder);
    }
    if (taken->folder.whole) {
        hold.lock();
        WantSubfolders(a, &taken->folder);
        hold.unlock();
        if (!taken->folder.listed) {
            FreeFolder(&taken->folder);
            HeapFreeBytes(taken);
            return nullptr;
        }
        taken->name = taken->folder.names;
        GiveOut(taken, first);
        return taken;
    }
    // Memory ran out for the listing held whole: the system's, as it comes.
    taken->system = a->listing->open(pattern, first);
    if (taken->system) return taken;
    FreeFolder(&taken->folder);
    HeapFreeBytes(taken);
    return nullptr;
}

bool NextAhead(void* listing, FolderEntry* next) {
    TakenListing* taken = static_cast<TakenListing*>(listing);
    if (taken->system) return g_walkAhead->listing->next(taken->system, next);
    if (taken->next >= taken->folder.count) return false;
    GiveOut(taken, next);
    return true;
}

void CloseAhead(void* listing) {
    TakenListing* taken = static_cast<TakenListing*>(listing);
    if (taken->system) g_walkAhead->listing->close(taken->system);
    FreeFolder(&taken->folder);
    HeapFreeBytes(taken);
}

const FolderListing kListingAhead = {OpenAhead, NextAhead, CloseAhead, IdentityAhead};

// The feeder's side: one more slot in order, once there is room. Lost when
// the reading stopped (or memory ran out: a line is then missing, a path
// left out as AddPath leaves one out).
void Push(ReadAhead* a, SlotKind kind, const char16_t* text, uint32_t attributes) {
    char16_t* copy = static_cast<char16_t*>(HeapCopyBytes(text, (size_t)(TextLength(text) + 1) * sizeof(char16_t)));
    Lock hold(a->lock);
    a->space.wait(hold, [a] { return a->stopped || a->filled - a->head < kPathsAhead; });
    if (a->stopped || !copy) {
        HeapFreeBytes(copy);
        return;
    }
    ReadAheadSlot& slot = SlotAt(a, a->filled);
    slot = ReadAheadSlot{};
    slot.kind = kind;
    slot.text = copy;
    slot.attributes = attributes;
    slot.done = kind != kSlotPath;
    a->known = a->inner.known(a->inner.state);
    a->filled++;
    if (kind == kSlotPath) a->work.notify_one();
    // With no reader left the taker reads the path itself.
    if (kind != kSlotPath || a->readersLive == 0) a->result.notify_one();
}

void CatchLog(void* context, const char16_t* line) { Push(static_cast<ReadAhead*>(context), kSlotLog, line, 0); }

void CatchGap(void* context, const char16_t* path, WalkGap gap) {
    Push(static_cast<ReadAhead*>(context), kSlotGap, path, (uint32_t)gap);
}

uint32_t PassAttributes(void* context, const char16_t* name) {
    const PathInputPlatform* real = static_cast<ReadAhead*>(context)->real;
    return real->attributes(real->context, name);
}

char* PassListFile(void* context, const char16_t* name, uint32_t* size) {
    const PathInputPlatform* real = static_cast<ReadAhead*>(context)->real;
    return real->readListFile(real->context, name, size);
}

void EndThread(ReadAhead* a) {
    Lock hold(a->lock);
    a->running--;
    a->result.notify_all();
}

void Feed(void* argument) {
    ReadAhead* a = static_cast<ReadAhead*>(argument);
    for (;;) {
        {
            Lock hold(a->lock);
            if (a->stopped) break;
        }
        const char16_t* path;
        uint32_t attributes;
        if (!a->inner.next(a->inner.state, &path, &attributes)) break;
        Push(a, kSlotPath, path, attributes);
    }
    Lock hold(a->lock);
    a->ended = true;
    a->known = a->inner.known(a->inner.state);
    a->work.notify_all();
    hold.unlock();
    EndThread(a);
}

// The next path no one reads yet, claimed; false when there is none now.
bool ClaimPath(ReadAhead* a, uint64_t* index) {
    // The taker hands on log lines before any reader looks at them: what
    // lies before the head is gone, its place perhaps filled anew.
    if (a->nextRead < a->head) a->nextRead = a->head;
    while (a->nextRead < a->filled) {
        ReadAheadSlot& slot = SlotAt(a, a->nextRead);
        if (slot.kind == kSlotPath && !slot.claimed) {
            slot.claimed = true;
            *index = a->nextRead++;
            return true;
        }
        a->nextRead++;
    }
    return false;
}

void Read(void* argument);

// One more reader, while fewer than asked for run (the lock held). Once the
// system refuses a thread the reading goes on with the readers it has.
void StartReader(ReadAhead* a) {
    if (a->stopped || a->threadRefused || a->readersStarted == a->readers) return;
    if (!StartThread(Read, a, &a->threads[a->readersStarted + 1])) {
        a->threadRefused = true;
        return;
    }
    a->readersStarted++;
    a->running++;
    a->readersLive++;
}

// Reads that take long even at their quickest are round trips to a server:
// more readers in flight hide them. A local disk answers its quickest reads
// well within this, however long a busy machine (or Wine's one server)
// makes the others queue, and keeps few threads: there more readers would
// only queue longer. Judged by the quickest of kReadsJudged reads at a time.
void GrowWhenSlow(ReadAhead* a, std::chrono::steady_clock::time_point start) {
    const auto took = std::chrono::steady_clock::now() - start;
    const uint64_t micros = (uint64_t)std::chrono::duration_cast<std::chrono::microseconds>(took).count();
    if (a->judgedReads == 0 || micros < a->quickestMicros) a->quickestMicros = micros;
    if (++a->judgedReads < kReadsJudged) return;
    if (a->quickestMicros >= (uint64_t)kSlowReadMs * 1000) StartReader(a);
    a->judgedReads = 0;
}

// Reads the claimed slot's path; its slot cannot be reused before it is done.
void ReadClaimed(ReadAhead* a, uint64_t index, DescriptorBuffers* buffers, Lock* hold) {
    ReadAheadSlot& slot = SlotAt(a, index);
    hold->unlock();
    const auto start = std::chrono::steady_clock::now();
    PathRead read;
    ReadNamedPath(slot.text, slot.attributes, buffers, &read);
    hold->lock();
    slot.read = read;
    slot.done = true;
    if (index == a->head) a->result.notify_one();
    GrowWhenSlow(a, start);
}

void Read(void* argument) {
    ReadAhead* a = static_cast<ReadAhead*>(argument);
    Lock hold(a->lock);
    const uint32_t reader = a->readersEntered++;
    hold.unlock();
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    // Each reader switches privileges on a token of its own, or reads nothing.
    const bool own = !platform->readerThread || platform->readerThread(true);
    hold.lock();
    while (own && !a->stopped) {
        // A listing first: the walk that waits for it holds up every path
        // after it.
        FolderAhead* folder;
        if (!a->ended && ClaimFolder(a, &folder)) {
            ListClaimed(a, folder, &hold);
            continue;
        }
        uint64_t index;
        if (ClaimPath(a, &index)) {
            ReadClaimed(a, index, &a->buffers[reader], &hold);
            continue;
        }
        if (a->ended) break;
        a->work.wait(hold);
    }
    a->readersLive--;
    hold.unlock();
    if (own && platform->readerThread) platform->readerThread(false);
    EndThread(a);
}

// Lets go of the slot the taker held.
void ReleaseHeld(ReadAhead* a, Lock* hold) {
    if (!a->holding) return;
    FreeSlot(&SlotAt(a, a->head));
    a->holding = false;
    a->head++;
    a->space.notify_one();
}

// A log line or gap the source gave, to its platform on the taker's thread.
void HandOn(const PathInputPlatform* real, const ReadAheadSlot& line) {
    if (line.kind == kSlotLog && real->log) real->log(real->context, line.text);
    if (line.kind == kSlotGap && real->gap) real->gap(real->context, line.text, (WalkGap)line.attributes);
}

enum HeadState { kHeadPath, kHeadEnd, kHeadNotYet };

// Hands the log lines and gaps at the head to the source's platform, in
// order, and waits (at most until deadline) for the path at the head. A
// stopped reading has ended.
HeadState WaitForHead(ReadAhead* a, Lock* hold, bool forever, std::chrono::steady_clock::time_point deadline) {
    ReleaseHeld(a, hold);
    for (;;) {
        if (a->stopped) return kHeadEnd;
        if (a->head < a->filled) {
            ReadAheadSlot& slot = SlotAt(a, a->head);
            if (slot.kind == kSlotPath && slot.done) return kHeadPath;
            if (slot.kind != kSlotPath) {
                ReadAheadSlot line = slot;
                slot = ReadAheadSlot{};
                a->head++;
                a->space.notify_one();
                hold->unlock();
                HandOn(a->real, line);
                FreeSlot(&line);
                hold->lock();
                continue;
            }
            // No reader could start: the taker reads for itself.
            if (a->readersLive == 0 && !slot.claimed) {
                slot.claimed = true;
                ReadClaimed(a, a->head, &a->buffers[a->readers], hold);
                continue;
            }
        } else if (a->ended) {
            return kHeadEnd;
        }
        if (forever) a->result.wait(*hold);
        else if (a->result.wait_until(*hold, deadline) == std::cv_status::timeout) return kHeadNotYet;
    }
}

bool NextRead(void* state, const char16_t** path, uint32_t* attributes) {
    ReadAhead* a = static_cast<ReadAhead*>(state);
    Lock hold(a->lock);
    if (WaitForHead(a, &hold, true, std::chrono::steady_clock::time_point()) != kHeadPath) return false;
    ReadAheadSlot& slot = SlotAt(a, a->head);
    a->holding = true;
    *path = slot.text;
    *attributes = slot.attributes;
    return true;
}

uint32_t KnownRead(void* state) {
    ReadAhead* a = static_cast<ReadAhead*>(state);
    Lock hold(a->lock);
    return a->known;
}

bool ReadAheadReady(void* state, uint32_t waitMs) {
    ReadAhead* a = static_cast<ReadAhead*>(state);
    Lock hold(a->lock);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    return WaitForHead(a, &hold, false, deadline) != kHeadNotYet;
}

// What the readers read of the path the taker holds.
const PathRead* ReadAheadCurrent(ReadAhead* a) {
    Lock hold(a->lock);
    return a->holding ? &SlotAt(a, a->head).read : nullptr;
}

void CloseRead(void* state) { EndReadAhead(static_cast<ReadAhead*>(state)); }

void FreeAll(ReadAhead* a) {
    if (a->slots)
        for (uint32_t i = 0; i < kPathsAhead; i++) FreeSlot(&a->slots[i]);
    if (a->folders)
        for (uint32_t i = 0; i <= kFoldersAhead; i++) FreeFolder(&a->folders[i]);
    for (uint32_t i = 0; i < a->wantedCount; i++) HeapFreeBytes(a->wanted[i]);
    HeapFreeBytes(a->slots);
    HeapFreeBytes(a->buffers);
    HeapFreeBytes(a->folders);
    HeapFreeBytes(a->wanted);
    a->slots = nullptr;
    a->buffers = nullptr;
    a->folders = nullptr;
    a->wanted = nullptr;
    a->wantedCount = a->wantedCapacity = a->foldersHeld = 0;
}

}  // namespace

bool PrepareReadAhead(ReadAhead* a, const PathInputPlatform* input, uint32_t readers,
                      const PathInputPlatform** caught) {
    a->readers = readers < 1 ? 1 : readers > kMostReaders ? kMostReaders : readers;
    a->slots = static_cast<ReadAheadSlot*>(HeapAllocBytes(kPathsAhead * sizeof(ReadAheadSlot)));
    // One set of buffers more, for the taker should no reader start.
    a->buffers = static_cast<DescriptorBuffers*>(HeapAllocBytes((a->readers + 1) * sizeof(DescriptorBuffers)));
    a->folders = static_cast<FolderAhead*>(HeapAllocBytes((kFoldersAhead + 1) * sizeof(FolderAhead)));
    a->wanted = nullptr;
    a->wantedCount = a->wantedCapacity = a->foldersHeld = 0;
    if (!a->slots || !a->buffers || !a->folders) {
        FreeAll(a);
        return false;
    }
    for (uint32_t i = 0; i < kPathsAhead; i++) new (&a->slots[i]) ReadAheadSlot{};
    for (uint32_t i = 0; i <= kFoldersAhead; i++) new (&a->folders[i]) FolderAhead{};
    a->listing = input->folders;
    a->real = input;
    a->caught = *input;
    a->caught.context = a;
    a->caught.attributes = PassAttributes;
    a->caught.readListFile = PassListFile;
    a->caught.log = CatchLog;
    a->caught.gap = CatchGap;
    a->caught.folders = input->folders ? &kListingAhead : nullptr;
    a->head = a->filled = a->nextRead = 0;
    a->known = 0;
    a->holding = a->ended = a->stopped = false;
    *caught = &a->caught;
    return true;
}

bool StartReadAhead(ReadAhead* a, PathSource* source) {
    a->inner = *source;
    a->known = source->known(source->state);
    Lock hold(a->lock);
    a->readersLive = a->readersStarted = a->readersEntered = 0;
    a->threadRefused = false;
    a->judgedReads = 0;
    if (!StartThread(Feed, a, &a->threads[0])) {
        // The source, made before, reads through the platform its owner made.
        a->caught = *a->real;
        a->running = 0;
        hold.unlock();
        FreeAll(a);
        return false;
    }
    g_walkAhead = a;
    a->running = 1;
    for (uint32_t i = 0; i < kFirstReaders; i++) StartReader(a);
    *source = PathSource{a, NextRead, KnownRead, CloseRead, ReadAheadReady};
    return true;
}


bool AddTakenPath(ReadAhead* a, const TreeSink* tree, const char16_t* path, uint32_t attributes) {
    return a ? AddNewReadPath(tree, path, ReadAheadCurrent(a)) : AddNewPath(tree, path, attributes);
}

void StopReadAhead(ReadAhead* a) {
    Lock hold(a->lock);
    a->stopped = true;
    a->work.notify_all();
    a->space.notify_all();
    a->result.notify_all();
    a->listed.notify_all();
}

bool ReadAheadRunning(ReadAhead* a) {
    Lock hold(a->lock);
    return a->running > 0;
}

void EndReadAhead(ReadAhead* a) {
    if (!a->slots) return;
    StopReadAhead(a);
    for (ThreadHandle& thread : a->threads) JoinThread(&thread);
    a->inner.close(a->inner.state);
    FreeAll(a);
}
