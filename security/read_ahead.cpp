#include "security/read_ahead.h"

#include <string.h>

#include <chrono>
#include <new>

#include "base/heap.h"
#include "base/text.h"
#include "security/groups.h"
#include "security/security_platform.h"

enum SlotKind : uint8_t { kSlotPath, kSlotLog, kSlotGap };

struct ReadAheadSlot {
    SlotKind kind;
    bool claimed;          // a reader (or the taker) is at it
    bool done;             // ready for the taker
    uint32_t attributes;   // a path's, as the source gave them; a gap's WalkGap
    char16_t* text;        // the path, the log line or the gap's path, on the heap
    PathRead read;
};

namespace {

typedef std::unique_lock<std::mutex> Lock;

ReadAheadSlot& SlotAt(ReadAhead* a, uint64_t index) { return a->slots[index % kPathsAhead]; }

void FreeSlot(ReadAheadSlot* slot) {
    HeapFreeBytes(slot->text);
    FreePathRead(&slot->read);
    *slot = ReadAheadSlot{};
}

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
    else a->result.notify_one();
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

void Feed(ReadAhead* a) {
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

// Reads the claimed slot's path; its slot cannot be reused before it is done.
void ReadClaimed(ReadAhead* a, uint64_t index, DescriptorBuffers* buffers, Lock* hold) {
    ReadAheadSlot& slot = SlotAt(a, index);
    hold->unlock();
    PathRead read;
    ReadNamedPath(slot.text, slot.attributes, buffers, &read);
    hold->lock();
    slot.read = read;
    slot.done = true;
    if (index == a->head) a->result.notify_one();
}

void Read(ReadAhead* a, uint32_t reader) {
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    // Each reader switches privileges on a token of its own, or reads nothing.
    const bool own = !platform->readerThread || platform->readerThread(true);
    Lock hold(a->lock);
    while (own && !a->stopped) {
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
                if (line.kind == kSlotLog && a->real->log) a->real->log(a->real->context, line.text);
                if (line.kind == kSlotGap && a->real->gap) a->real->gap(a->real->context, line.text, (WalkGap)line.attributes);
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

void CloseRead(void* state) { EndReadAhead(static_cast<ReadAhead*>(state)); }

void FreeAll(ReadAhead* a) {
    if (a->slots)
        for (uint32_t i = 0; i < kPathsAhead; i++) FreeSlot(&a->slots[i]);
    HeapFreeBytes(a->slots);
    HeapFreeBytes(a->buffers);
    a->slots = nullptr;
    a->buffers = nullptr;
}

}  // namespace

bool PrepareReadAhead(ReadAhead* a, const PathInputPlatform* input, uint32_t readers,
                      const PathInputPlatform** caught) {
    a->readers = readers < 1 ? 1 : readers > kMostReaders ? kMostReaders : readers;
    a->slots = static_cast<ReadAheadSlot*>(HeapAllocBytes(kPathsAhead * sizeof(ReadAheadSlot)));
    // One set of buffers more, for the taker should no reader start.
    a->buffers = static_cast<DescriptorBuffers*>(HeapAllocBytes((a->readers + 1) * sizeof(DescriptorBuffers)));
    if (!a->slots || !a->buffers) {
        FreeAll(a);
        return false;
    }
    for (uint32_t i = 0; i < kPathsAhead; i++) new (&a->slots[i]) ReadAheadSlot{};
    a->real = input;
    a->caught = *input;
    a->caught.context = a;
    a->caught.attributes = PassAttributes;
    a->caught.readListFile = PassListFile;
    a->caught.log = CatchLog;
    a->caught.gap = CatchGap;
    a->head = a->filled = a->nextRead = 0;
    a->known = 0;
    a->holding = a->ended = a->stopped = false;
    *caught = &a->caught;
    return true;
}

void StartReadAhead(ReadAhead* a, PathSource source) {
    a->inner = source;
    a->known = source.known(source.state);
    a->running = a->readers + 1;
    a->readersLive = a->readers;
    a->threads[0] = std::thread(Feed, a);
    for (uint32_t i = 0; i < a->readers; i++) a->threads[i + 1] = std::thread(Read, a, i);
}

bool ReadAheadReady(void* state, uint32_t waitMs) {
    ReadAhead* a = static_cast<ReadAhead*>(state);
    Lock hold(a->lock);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    return WaitForHead(a, &hold, false, deadline) != kHeadNotYet;
}

PathSource ReadAheadSource(ReadAhead* a) { return PathSource{a, NextRead, KnownRead, CloseRead, ReadAheadReady}; }

const PathRead* ReadAheadCurrent(ReadAhead* a) {
    Lock hold(a->lock);
    return a->holding ? &SlotAt(a, a->head).read : nullptr;
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
}

bool ReadAheadRunning(ReadAhead* a) {
    Lock hold(a->lock);
    return a->running > 0;
}

void EndReadAhead(ReadAhead* a) {
    if (!a->slots) return;
    StopReadAhead(a);
    for (std::thread& t : a->threads)
        if (t.joinable()) t.join();
    a->inner.close(a->inner.state);
    FreeAll(a);
}
