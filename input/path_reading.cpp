#include "input/path_reading.h"

void BeginPathReading(PathReading* reading, PathSource source, uint64_t nowMs) {
    *reading = PathReading{source, nowMs, nowMs, 0, 0, false};
}

void ReadPathBatch(PathReading* reading, const PathTaker* taker, const ReadingClock* clock) {
    const uint64_t start = clock->nowMs(clock->context);
    PathSource& source = reading->source;
    do {
        if (source.ready) {
            const uint64_t spent = clock->nowMs(clock->context) - start;
            if (!source.ready(source.state, spent < kReadingBatchMs ? (uint32_t)(kReadingBatchMs - spent) : 0)) return;
        }
        const char16_t* path = nullptr;
        uint32_t attributes = 0;
        if (!source.next(source.state, &path, &attributes)) {
            reading->ended = true;
            return;
        }
        if (taker->take(taker->context, path, attributes)) reading->added++;
        reading->read++;
    } while (clock->nowMs(clock->context) - start < kReadingBatchMs);
}

bool ProgressDue(PathReading* reading, uint64_t nowMs) {
    if (nowMs - reading->progressMs < kProgressEveryMs) return false;
    reading->progressMs = nowMs;
    return true;
}

ReadingEndLine EndLineOf(const PathReading* reading, bool stopped, uint64_t nowMs) {
    if (stopped) return kEndLineStopped;
    return nowMs - reading->startMs > kFinalLineAfterMs ? kEndLineDone : kEndLineNone;
}
