// Reading paths from a source in batches between which the window's messages
// are handled: how long a batch lasts, when the progress line is written and
// which line the reading ends with.
#pragma once
#include <stdint.h>

#include "input/path_source.h"

const uint32_t kReadingBatchMs = 80;      // the window answers within about this
const uint32_t kProgressEveryMs = 250;
const uint32_t kFinalLineAfterMs = 1000;  // a quicker reading leaves no line

struct PathTaker {
    void* context;
    // False when the path was not added (the tree holds it already).
    bool (*take)(void* context, const char16_t* path, uint32_t attributes);
};

struct ReadingClock {
    void* context;
    uint64_t (*nowMs)(void* context);
};

struct PathReading {
    PathSource source;
    uint64_t startMs;
    uint64_t progressMs;   // when progress was last shown, the start until then
    uint32_t read;         // paths taken from the source
    uint32_t added;        // of those, the ones the taker added
    bool ended;            // the source has no path left
};

void BeginPathReading(PathReading* reading, PathSource source, uint64_t nowMs);
// Hands paths to the taker until the batch's time is over or the source ends
// (at least one path per batch, so a slow clock cannot stall the reading,
// unless a source read ahead has none ready within the batch's time).
void ReadPathBatch(PathReading* reading, const PathTaker* taker, const ReadingClock* clock);
// True, and the time noted, when the progress line is due again.
bool ProgressDue(PathReading* reading, uint64_t nowMs);

enum ReadingEndLine { kEndLineNone, kEndLineDone, kEndLineStopped };
// A stop is always told; a finished reading only when it took long enough
// that its figures say something.
ReadingEndLine EndLineOf(const PathReading* reading, bool stopped, uint64_t nowMs);
