// Reading paths into the tree with the window up: batches between which the
// window's messages are handled, one progress line in the log replaced in
// place, and Esc stopping the reading with what was read kept, whichever
// control has the focus (it never closes the window then). While reading,
// the tree is disabled and drops are refused.
#pragma once
#include <windows.h>
#include <stdint.h>

#include "input/path_source.h"

enum ReadingLine { kReadingProgress, kReadingDone, kReadingStopped };
struct ReadingFigures {
    uint32_t read;
    uint32_t known;
    uint32_t groups;
    uint32_t ms;
};
// Writes a reading's log line for its source; returns the units written.
typedef uint32_t (*ReadingLineFormatter)(char16_t* out, uint32_t capacity, ReadingLine line,
                                         const ReadingFigures* figures);
// "Reading: %d of %d paths, %d groups" / "%d paths in %d groups, %d ms" /
// "Stopped after %d paths.", translated.
uint32_t FormatPathReadingLine(char16_t* out, uint32_t capacity, ReadingLine line, const ReadingFigures* figures);
// "Scanning: %d paths, %d groups" / "%d paths in %d groups, %d ms" /
// "Scan stopped after %d paths.", translated: the walk below folders.
uint32_t FormatScanLine(char16_t* out, uint32_t capacity, ReadingLine line, const ReadingFigures* figures);

// The platform to make the next reading's source with: readers then read its
// paths ahead of the window (security/read_ahead.h), else input itself.
const PathInputPlatform* PrepareReading(const PathInputPlatform* input);
// Starts reading the source's paths into the window's tree; the first batch
// comes after the window has painted. finished runs when the reading has
// ended or stopped, with the tree enabled again. While readers of a stopped
// reading are still in their calls, ReadingInProgress stays true.
void StartReading(HWND window, PathSource source, ReadingLineFormatter format, void (*finished)(HWND window));
bool ReadingInProgress();
// A log line from the source being read: it goes above the progress line,
// which is written anew when next due.
void AppendReadingLogLine(HWND window, const char16_t* text);
// Ends the reading at once; what was read stays.
void StopReading(HWND window);
// Ends the reading without a log line or the finish (the window is going),
// and waits for the readers' calls in flight.
void AbandonReading();
// Test seam: how many readers a reading starts (kReaders of
// security/read_ahead.h); tests compare one reader with many.
extern uint32_t g_readerCount;
// Test seam: the clock that times batches, progress and the final line, in
// ms (GetTickCount64); tests slow it down.
typedef uint64_t (*TickClock)();
extern TickClock g_readingClock;
// Takes the reader's own message or timer; false for any other.
bool HandleReadingMessage(HWND window, UINT message, WPARAM wParam);
