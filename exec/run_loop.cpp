#include "exec/run_loop.h"

uint32_t LogExcess(uint32_t length, uint32_t incoming, uint32_t markerLength, uint32_t limit) {
    const uint64_t wanted = (uint64_t)length + incoming;
    if (wanted <= limit) return 0;
    const uint64_t excess = wanted + markerLength - limit;
    // Text longer than the whole log can hold leaves nothing of the old.
    return excess < length ? (uint32_t)excess : length;
}

uint32_t LogCutEnd(uint32_t halfStart, uint32_t excess, uint32_t nextStart) {
    if (halfStart >= excess) return halfStart;
    return nextStart >= excess ? nextStart : excess;
}

uint32_t WholeCharacterBytes(const uint8_t* bytes, uint32_t n, bool (*isLeadByte)(uint8_t)) {
    // A trail byte may look like a lead byte, so the walk starts at a
    // character and steps over whole characters.
    uint32_t i = 0;
    while (i < n) {
        if (!isLeadByte(bytes[i])) {
            i++;
        } else if (i + 1 == n) {
            return n - 1;
        } else {
            i += 2;
        }
    }
    return n;
}

PassEnd EndOfPass(WaitOutcome wait, PipeOutcome pipe) {
    switch (pipe) {
    case kPipeFailed: return kPassLeave;
    case kPipeReadBytes: return kPassPollNext;
    case kPipeReadNothing: return kPassWaitNext;
    case kPipeEmpty: break;
    }
    return wait == kWaitInput || wait == kWaitOutput || wait == kWaitTimedOut ? kPassWaitNext : kPassLeave;
}

uint32_t NextWaitMs(PassEnd end, bool textGathered) {
    if (end == kPassPollNext) return 0;
    return textGathered ? kPauseMs : kRunWaitMs;
}
