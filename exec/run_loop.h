// The decisions of a command run that need no platform: how much of the log
// a trim removes, where output bytes end on a whole character, and what
// follows each pass of the wait/read loop.
#pragma once
#include <stdint.h>

const uint32_t kLogTrimThreshold = 0x10000;
const uint32_t kRunWaitMs = 300;

// Characters that must leave the front of a log of `length` characters so
// that `incoming` more, and a marker line of `markerLength` in place of what
// left, fit within `limit`; 0 when the incoming text fits as it is.
uint32_t LogExcess(uint32_t length, uint32_t incoming, uint32_t markerLength, uint32_t limit);
// The end of the front part a trim removes: the start of the second half of
// the lines (halfStart) or, when that is short of `excess`, the first line
// start at or after it (nextStart; `excess` itself when no line starts there).
uint32_t LogCutEnd(uint32_t halfStart, uint32_t excess, uint32_t nextStart);

// How many of the n bytes, which start on a character, end on a whole one:
// n, or n - 1 when the last is a lead byte whose trail byte is still to come.
uint32_t WholeCharacterBytes(const uint8_t* bytes, uint32_t n, bool (*isLeadByte)(uint8_t));

enum WaitOutcome { kWaitChildEnded, kWaitOutput, kWaitInput, kWaitTimedOut, kWaitFailed };
enum PipeOutcome { kPipeFailed, kPipeEmpty, kPipeReadNothing, kPipeReadBytes };
enum PassEnd { kPassWaitNext, kPassPollNext, kPassLeave };

// A pass that read bytes polls again at once, so output streams at pipe
// speed; the loop ends only in a pass that found the pipe empty after the
// child ended (or when the wait or the pipe failed), so nothing written
// just before the end is lost.
PassEnd EndOfPass(WaitOutcome wait, PipeOutcome pipe);
const uint32_t kPauseMs = 16;   // no output for this long: gathered text goes to the log

// The wait of the pass that follows (output arriving ends any wait): none
// after a read, a pause's length while text is gathered, else kRunWaitMs.
uint32_t NextWaitMs(PassEnd end, bool textGathered);
