#include "exec/run_loop.h"

uint32_t KeptTextStart(const char16_t* text, uint32_t length, uint32_t keep) {
    if (length <= keep) return 0;
    const uint32_t first = length - keep;
    if (first == 0 || text[first - 1] == u'\n') return first;
    for (uint32_t i = first; i < length; i++)
        if (text[i] == u'\n') return i + 1 < length ? i + 1 : first;
    return first;
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
