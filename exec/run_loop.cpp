#include "exec/run_loop.h"

uint32_t LogTrimLine(uint32_t textLength, uint32_t lineCount) {
    if (textLength < kLogTrimThreshold) return 0;
    return lineCount / 2;
}

PassEnd EndOfPass(WaitOutcome wait, PipeOutcome pipe) {
    switch (pipe) {
    case kPipeFailed: return kPassLeave;
    case kPipeReadBytes: return kPassPollNext;
    case kPipeReadNothing: return kPassWaitNext;
    case kPipeEmpty: break;
    }
    return wait == kWaitInput || wait == kWaitTimedOut ? kPassWaitNext : kPassLeave;
}

uint32_t NextWaitMs(PassEnd end) { return end == kPassPollNext ? 0 : kRunWaitMs; }
