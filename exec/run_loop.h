// The decisions of a command run that need no platform: which part of a text
// the log keeps, where output bytes end on a whole character, and what
// follows each pass of the wait/read loop.
#pragma once
#include <stdint.h>

const uint32_t kLogTrimThreshold = 0x10000;
const uint32_t kRunWaitMs = 300;

// Where the part of `length` units of text starts that stays when only
// `keep` units fit: 0 when all fit, else the first line start at or after
// length - keep, so that what goes is the oldest and no line that fits is
// cut (one longer than `keep` keeps its end).
uint32_t KeptTextStart(const char16_t* text, uint32_t length, uint32_t keep);

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
