// Reading paths ahead of the window: a feeder thread takes the paths from
// their source (list files, walks below folders) and a few reader threads
// make each path's platform calls, while the window's (or the report's)
// thread takes the results strictly in the order the paths were named, with
// the source's log lines and walk gaps in their places. On a file share every
// call is a round trip; many in flight hide them, and the groups, the tree
// and the log come out as one path at a time would make them.
#pragma once
#include <stdint.h>

#include <condition_variable>
#include <mutex>

#include "base/threads.h"
#include "input/path_input.h"
#include "input/path_source.h"
#include "security/path_read.h"

// Paths (and log lines) held ahead of the taker: enough to keep every reader
// busy through a slow stretch, few enough that what they hold (each at its
// real size) stays small.
const uint32_t kPathsAhead = 2048;
// Readers at most: a 1 ms round trip against a local call of well under
// 0.1 ms wants a dozen or more in flight; more only add threads (each costs
// Wine about 1 MiB). A reading starts with a few; while even the quickest of
// kReadsJudged reads (or listings) takes kSlowReadMs or longer, as half a
// dozen round trips to a server do, they start one more. See the README.
const uint32_t kReaders = 16;
const uint32_t kFirstReaders = 4;
const uint32_t kSlowReadMs = 3;
const uint32_t kReadsJudged = 8;
const uint32_t kMostReaders = 64;
// Folders listed ahead of a walk (each listing held whole until the walk
// takes it), in the order a depth-first walk will want them.
const uint32_t kFoldersAhead = 64;

struct ReadAheadSlot;
struct FolderAhead;

struct ReadAhead {
    PathSource inner;
    const PathInputPlatform* real;   // the source's platform as its owner made it
    PathInputPlatform caught;        // the same, its log lines and gaps caught in order
    std::mutex lock;
    std::condition_variable work;    // readers: a path to read, or the stop
    std::condition_variable space;   // the feeder: a slot freed, or the stop
    std::condition_variable result;  // the taker: a slot read, the end, or the stop
    ReadAheadSlot* slots;            // kPathsAhead, a ring
    const FolderListing* listing;    // the system's, behind the one the walks use
    FolderAhead* folders;            // kFoldersAhead + 1: one is always left for the feeder
    uint32_t foldersHeld;            // of those, in use
    char16_t** wanted;               // folders to list ahead; the last one is wanted first
    uint32_t wantedCount;
    uint32_t wantedCapacity;
    std::condition_variable listed;  // the feeder: a folder listed, or the stop
    DescriptorBuffers* buffers;      // one per reader, and one for the taker
    uint64_t head;                   // the next slot the taker gets
    uint64_t filled;                 // slots the feeder has filled
    uint64_t nextRead;               // the next slot a reader looks at
    uint32_t known;                  // the source's figure after its last path
    uint32_t readers;
    uint32_t running;                // threads not yet ended
    uint32_t readersStarted;
    uint32_t readersEntered;         // readers that have taken their buffers
    bool threadRefused;              // the system gave no more threads: no more readers
    uint32_t judgedReads;            // reads (and listings) since the count was last judged
    uint64_t quickestMicros;         // how long the quickest of them took
    uint32_t readersLive;            // readers that have not ended
    bool holding;                    // the taker holds slot head
    bool ended;                      // the source has no path left
    bool stopped;
    ThreadHandle threads[kMostReaders + 1];   // the feeder, then the readers
};

// Starts reading source's paths ahead with `readers` readers (1 to
// kMostReaders); source must have been made with a copy of `input` the
// caller gets back through *caught (use it for the source). Returns false,
// nothing started, when memory runs out; the caller then reads the source
// itself.
bool PrepareReadAhead(ReadAhead* ahead, const PathInputPlatform* input, uint32_t readers,
                      const PathInputPlatform** caught);
// Starts the threads on *source and puts in its place its paths in order as
// a source: next waits for the path's reading, ready at most waitMs. The
// source's log lines and gaps go to its platform's log and gap on the
// taker's thread, in their places. The taker gives each path to
// AddTakenPath; the path stays valid until the next call. Readers that
// cannot start leave their share to those that did, or to the taker. When
// not even the feeder can start, returns false with everything freed and
// *source as it was, its platform now the one its owner made: the caller
// then reads it itself, as after PrepareReadAhead failed.
bool StartReadAhead(ReadAhead* ahead, PathSource* source);
// AddNewPath for the path a source gave: with what ahead's readers read of
// it, or read here when ahead is null.
bool AddTakenPath(ReadAhead* ahead, const TreeSink* tree, const char16_t* path, uint32_t attributes);
// Asks every thread to stop after its call in flight; no further line or
// path comes out. Does not wait.
void StopReadAhead(ReadAhead* ahead);
// True while a thread of the reading still runs.
bool ReadAheadRunning(ReadAhead* ahead);
// Stops, waits for the calls in flight, closes the source and frees
// everything (the ordered source's close does the same).
void EndReadAhead(ReadAhead* ahead);
