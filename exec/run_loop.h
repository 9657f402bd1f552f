// The decisions of a command run that need no platform: where the log is
// trimmed before a run, and what follows each pass of the wait/read loop.
#pragma once
#include <stdint.h>

const uint32_t kLogTrimThreshold = 0x10000;
const uint32_t kRunWaitMs = 300;

// The line whose start ends the part of the log removed before a run (the
// first half of its lines); 0 when the log stays as it is.
uint32_t LogTrimLine(uint32_t textLength, uint32_t lineCount);

enum WaitOutcome { kWaitChildEnded, kWaitInput, kWaitTimedOut, kWaitFailed };
enum PipeOutcome { kPipeFailed, kPipeEmpty, kPipeReadNothing, kPipeReadBytes };
enum PassEnd { kPassWaitNext, kPassPollNext, kPassLeave };

// A pass that read bytes polls again at once, so output streams at pipe
// speed; the loop ends only in a pass that found the pipe empty after the
// child ended (or when the wait or the pipe failed), so nothing written
// just before the end is lost.
PassEnd EndOfPass(WaitOutcome wait, PipeOutcome pipe);
// The wait of the pass that follows.
uint32_t NextWaitMs(PassEnd end);
