#include "app/path_reading_win32.h"

#include "base/format.h"
#include "base/platform_win32.h"
#include "base/tree_sink_win32.h"
#include "config/config_text.h"
#include "exec/activity_win32.h"
#include "exec/log_pane_win32.h"
#include "input/path_reading.h"
#include "resources/resource_ids.h"
#include "security/groups.h"
#include "security/read_ahead.h"

TickClock g_readingClock = GetTickCount64;
uint32_t g_readerCount = kReaders;

namespace {

const UINT kReadStepMessage = WM_APP + 0x52;   // wParam: kNextBatch or kStopNow
const WPARAM kNextBatch = 0;
const WPARAM kStopNow = 1;
const UINT_PTR kReadStepTimer = 0x5244;
const UINT_PTR kDrainTimer = 0x5245;
const UINT kDrainEveryMs = 20;
const uint32_t kLineUnits = 256;
const uint64_t kRootTextsEveryMs = 1000;

struct ReadingState {
    bool active;
    HWND window;
    HHOOK escapeHook;
    PathReading reading;
    TreeSink sink;
    ReadingLineFormatter format;
    void (*finished)(HWND window);
    bool progressShown;
    uint64_t rootTextsMs;     // when the groups' root texts were last written
    uint32_t progressStart;   // where the progress line starts in the log
};

ReadingState g_reading;
// The readers ahead of the reading. After a stop they may still be in the
// calls they made: until those return, the reading counts as in progress
// (no drop, scan or command starts) though the window is the user's again.
ReadAhead g_ahead;
bool g_aheadPrepared;   // the source being made reads through g_ahead
bool g_aheadInUse;      // the reading's source is g_ahead's
bool g_draining;        // stopped, its threads not yet all ended

HWND Tree(HWND window) { return GetDlgItem(window, IDC_TREE); }

// The tree as the reading sees it: redraw is suspended at the first node a
// batch inserts, expands or removes, and the tree repainted once after the
// batch. A batch of paths that only join groups leaves the tree alone (every
// repaint of its glyphs costs Wine dozens of server round trips), and a
// group's new "(n) path" text repaints just its own row.
struct BatchTree {
    TreeSink view;
    HWND tree;
    bool suspended;
};
BatchTree g_batchTree;

void SuspendRedraw(BatchTree* b) {
    if (b->suspended) return;
    SendMessageW(b->tree, WM_SETREDRAW, FALSE, 0);
    b->suspended = true;
}

TreeItem BatchInsert(void* context, TreeItem parent, const char16_t* text, int image, uint64_t id) {
    BatchTree* b = static_cast<BatchTree*>(context);
    SuspendRedraw(b);
    return b->view.insert(b->view.context, parent, text, image, id);
}

void BatchRemove(void* context, TreeItem item) {
    BatchTree* b = static_cast<BatchTree*>(context);
    SuspendRedraw(b);
    b->view.remove(b->view.context, item);
}

void BatchExpand(void* context, TreeItem item) {
    BatchTree* b = static_cast<BatchTree*>(context);
    SuspendRedraw(b);
    b->view.expand(b->view.context, item);
}

void BatchSetText(void* context, TreeItem item, const char16_t* text) {
    BatchTree* b = static_cast<BatchTree*>(context);
    b->view.setText(b->view.context, item, text);
}

const TreeSink& View(void* context) { return static_cast<BatchTree*>(context)->view; }

TreeItem BatchFirstChild(void* context, TreeItem item) { return View(context).firstChild(View(context).context, item); }

TreeItem BatchNextSibling(void* context, TreeItem item) {
    return View(context).nextSibling(View(context).context, item);
}

void BatchSelect(void* context, TreeItem item) { View(context).select(View(context).context, item); }

TreeItem BatchSelected(void* context) { return View(context).selected(View(context).context); }

bool BatchRead(void* context, TreeItem item, char16_t* text, uint32_t capacity, uint64_t* id) {
    return View(context).read(View(context).context, item, text, capacity, id);
}

TreeSink BatchTreeSink(HWND tree) {
    g_batchTree = BatchTree{TreeViewSink(tree), tree, false};
    return TreeSink{&g_batchTree,     BatchInsert, BatchRemove, BatchSetText, BatchExpand,
                    BatchFirstChild,  BatchNextSibling, BatchSelect, BatchSelected, BatchRead};
}

void ResumeRedraw(BatchTree* b) {
    if (!b->suspended) return;
    SendMessageW(b->tree, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(b->tree, nullptr, TRUE);
    b->suspended = false;
}

uint64_t TickMs(void*) { return g_readingClock(); }

// Esc while reading stops the reading whichever control has the focus: the
// disabled tree has none (the key then comes to the window as a system key)
// and the log would turn it into a close. The key is taken from the queue
// before any window sees it, and the stop comes as a message of its own.
LRESULT CALLBACK TakeEscapeWhileReading(int code, WPARAM removal, LPARAM message) {
    MSG* m = reinterpret_cast<MSG*>(message);
    const HWND window = g_reading.window;
    if (code == HC_ACTION && removal == PM_REMOVE && g_reading.active && IsEscapeDown(*m) &&
        (m->hwnd == window || IsChild(window, m->hwnd))) {
        m->message = WM_NULL;
        PostMessageW(window, kReadStepMessage, kStopNow, 0);
    }
    return CallNextHookEx(nullptr, code, removal, message);
}

bool TakePath(void* sink, const char16_t* path, uint32_t attributes) {
    return AddTakenPath(g_aheadInUse ? &g_ahead : nullptr, static_cast<const TreeSink*>(sink), path, attributes);
}

// Waits for the calls the stopped readers are in, then frees the reading.
void EndDraining(HWND window) {
    if (window) KillTimer(window, kDrainTimer);
    EndReadAhead(&g_ahead);
    g_draining = false;
}

// Lets go of the reading's source; readers still in a call are waited for
// only when wait is set, else by a timer.
void CloseReadingSource(bool wait) {
    if (!g_reading.active) return;
    g_reading.active = false;
    if (g_reading.escapeHook) UnhookWindowsHookEx(g_reading.escapeHook);
    g_reading.escapeHook = nullptr;
    if (!g_aheadInUse) {
        PathSource& source = g_reading.reading.source;
        source.close(source.state);
        return;
    }
    g_aheadInUse = false;
    StopReadAhead(&g_ahead);
    g_draining = true;
    if (wait || !ReadAheadRunning(&g_ahead) || !SetTimer(g_reading.window, kDrainTimer, kDrainEveryMs, nullptr))
        EndDraining(wait ? nullptr : g_reading.window);
}

void WriteReadingLine(HWND window, ReadingLine line, uint64_t nowMs) {
    const PathReading& reading = g_reading.reading;
    // Progress counts what was read; the end line, what was added.
    const uint32_t paths = line == kReadingProgress ? reading.read : reading.added;
    ReadingFigures figures = {paths, reading.source.known(reading.source.state), GroupCount(),
                              (uint32_t)(nowMs - reading.startMs)};
    char16_t text[kLineUnits];
    g_reading.format(text, kLineUnits, line, &figures);
    if (!g_reading.progressShown) g_reading.progressStart = LogEnd(window);
    g_reading.progressStart = ReplaceLogTail(window, g_reading.progressStart, text);
    g_reading.progressShown = true;
}

// A posted message is taken before input, painting and timers, so while any
// of those waits the next batch comes by a timer, the lowest of them all.
void ScheduleBatch(HWND window, bool letPaint) {
    const UINT waiting = QS_INPUT | QS_TIMER | QS_SENDMESSAGE | (letPaint ? QS_PAINT : 0);
    if (HIWORD(GetQueueStatus(waiting)) & waiting) {
        SetTimer(window, kReadStepTimer, USER_TIMER_MINIMUM, nullptr);
    } else {
        PostMessageW(window, kReadStepMessage, kNextBatch, 0);
    }
}

void EndReading(HWND window, bool stopped) {
    KillTimer(window, kReadStepTimer);
    const uint64_t now = g_readingClock();
    switch (EndLineOf(&g_reading.reading, stopped, now)) {
    case kEndLineNone:
        if (g_reading.progressShown) ReplaceLogTail(window, g_reading.progressStart, nullptr);
        break;
    case kEndLineDone: WriteReadingLine(window, kReadingDone, now); break;
    case kEndLineStopped: WriteReadingLine(window, kReadingStopped, now); break;
    }
    CloseReadingSource(false);
    HWND tree = Tree(window);
    EnableWindow(tree, TRUE);
    // Disabling the tree took its focus (the dialog may since have handed it
    // to the log); it gets it back unless the user is in another window.
    if (GetActiveWindow() == window) SetFocus(tree);
    g_reading.finished(window);
}

void ReadBatch(HWND window) {
    if (!g_reading.active) return;
    // Disabled only now that the window is up: at start-up the dialog gives
    // its first control the focus, and a disabled tree would hand it to the
    // log with all its text selected.
    if (g_reading.reading.read == 0) EnableWindow(Tree(window), FALSE);
    PathTaker taker = {&g_reading.sink, TakePath};
    ReadingClock clock = {nullptr, TickMs};
    ReadPathBatch(&g_reading.reading, &taker, &clock);
    const uint64_t now = g_readingClock();
    const bool progress = !g_reading.reading.ended && ProgressDue(&g_reading.reading, now);
    // The groups' "(n) path" texts change once a second: each text repaints
    // its row, and under Wine a row's glyph costs more server round trips
    // than reading a path (written after every batch, they made the reading
    // a third slower).
    if (g_reading.reading.ended || now - g_reading.rootTextsMs >= kRootTextsEveryMs) {
        FlushGroupRootTexts(&g_reading.sink);
        g_reading.rootTextsMs = now;
    }
    // Every visible insert would have walked all visible rows: they were
    // made with redraw suspended, and the tree is repainted once.
    ResumeRedraw(&g_batchTree);
    if (g_reading.reading.ended) {
        EndReading(window, false);
        return;
    }
    if (progress) WriteReadingLine(window, kReadingProgress, now);
    ScheduleBatch(window, progress);
}

}  // namespace

uint32_t FormatPathReadingLine(char16_t* out, uint32_t capacity, ReadingLine line, const ReadingFigures* f) {
    switch (line) {
    case kReadingProgress:
        return FormatText(out, capacity, Translate(u"Reading: %d of %d paths, %d groups"), f->read, f->known,
                          f->groups);
    case kReadingDone:
        return FormatText(out, capacity, Translate(u"%d paths in %d groups, %d ms"), f->read, f->groups, f->ms);
    case kReadingStopped: break;
    }
    return FormatText(out, capacity, Translate(u"Stopped after %d paths."), f->read);
}

uint32_t FormatScanLine(char16_t* out, uint32_t capacity, ReadingLine line, const ReadingFigures* f) {
    switch (line) {
    case kReadingProgress:
        return FormatText(out, capacity, Translate(u"Scanning: %d paths, %d groups"), f->read, f->groups);
    case kReadingDone: return FormatPathReadingLine(out, capacity, line, f);
    case kReadingStopped: break;
    }
    return FormatText(out, capacity, Translate(u"Scan stopped after %d paths."), f->read);
}

const PathInputPlatform* PrepareReading(const PathInputPlatform* input) {
    const PathInputPlatform* caught = input;
    g_aheadPrepared = PrepareReadAhead(&g_ahead, input, g_readerCount, &caught);
    return caught;
}

void StartReading(HWND window, PathSource source, ReadingLineFormatter format, void (*finished)(HWND window)) {
    g_aheadInUse = g_aheadPrepared && StartReadAhead(&g_ahead, &source);
    g_aheadPrepared = false;
    g_reading = ReadingState{};
    g_reading.active = true;
    g_reading.window = window;
    g_reading.escapeHook = SetWindowsHookExW(WH_GETMESSAGE, TakeEscapeWhileReading, nullptr, GetCurrentThreadId());
    g_reading.sink = BatchTreeSink(Tree(window));
    g_reading.format = format;
    g_reading.finished = finished;
    BeginPathReading(&g_reading.reading, source, g_readingClock());
    g_reading.rootTextsMs = g_reading.reading.startMs;
    // By a timer, so the window paints before the first batch.
    SetTimer(window, kReadStepTimer, USER_TIMER_MINIMUM, nullptr);
}

bool ReadingInProgress() { return g_reading.active || g_draining; }

void AppendReadingLogLine(HWND window, const char16_t* text) {
    if (g_reading.active && g_reading.progressShown) {
        ReplaceLogTail(window, g_reading.progressStart, nullptr);
        g_reading.progressShown = false;
    }
    AppendLogLine(window, text);
}

void StopReading(HWND window) {
    if (g_reading.active) EndReading(window, true);
}

void AbandonReading() {
    CloseReadingSource(true);
    if (g_draining) EndDraining(g_reading.window);
}

bool HandleReadingMessage(HWND window, UINT message, WPARAM wParam) {
    if (message == WM_TIMER && wParam == kDrainTimer) {
        if (!ReadAheadRunning(&g_ahead)) EndDraining(window);
        return true;
    }
    if (message == kReadStepMessage && wParam == kStopNow) {
        StopReading(window);
        return true;
    }
    if (message == WM_TIMER && wParam == kReadStepTimer) {
        KillTimer(window, kReadStepTimer);
    } else if (message != kReadStepMessage) {
        return false;
    }
    ReadBatch(window);
    return true;
}
