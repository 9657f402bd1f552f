#include "exec/log_pane_win32.h"

#include "base/format.h"
#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "config/config_text.h"
#include "exec/run_loop.h"
#include "resources/resource_ids.h"

namespace {

uint32_t LineStart(HWND log, LRESULT line) {
    LRESULT start = SendMessageW(log, EM_LINEINDEX, (WPARAM)line, 0);
    return start < 0 ? 0 : (uint32_t)start;
}

const uint32_t kMarkUnits = kTranslationUnits + 2;

// The line that stands where the oldest lines were removed; returns its length.
uint32_t FormatMark(char16_t* mark) {
    return FormatText(mark, kMarkUnits, u"%s\r\n", Translate(u"(earlier lines removed)"));
}

uint32_t LogLength(HWND log) { return (uint32_t)SendMessageW(log, WM_GETTEXTLENGTH, 0, 0); }

// One replacement: the mark takes the place of the text before `end`.
void ReplaceLogFront(HWND log, uint32_t end, const char16_t* mark) {
    if (end == 0) return;
    SendMessageW(log, EM_SETSEL, 0, end);
    SendMessageW(log, EM_REPLACESEL, FALSE, (LPARAM)W(mark));
}

}  // namespace

HWND LogPane(HWND mainWindow) { return GetDlgItem(mainWindow, IDC_LOG); }

void InitLogPane(HWND mainWindow) { SendMessageW(LogPane(mainWindow), EM_LIMITTEXT, kLogLimit, 0); }

void AppendLogLine(HWND mainWindow, const char16_t* text) {
    HWND log = LogPane(mainWindow);
    AppendLogText(log, text);
    AppendLogText(log, u"\r\n");
}

uint32_t LogEnd(HWND mainWindow) { return LogLength(LogPane(mainWindow)); }

uint32_t ReplaceLogTail(HWND mainWindow, uint32_t start, const char16_t* text) {
    const uint32_t end = LogEnd(mainWindow);
    SendMessageW(LogPane(mainWindow), EM_SETSEL, start < end ? start : end, end);
    SendMessageW(LogPane(mainWindow), EM_REPLACESEL, FALSE, (LPARAM)L"");
    if (!text) return LogEnd(mainWindow);
    AppendLogLine(mainWindow, text);
    // Counted from the end: making room may have moved the line's start.
    const uint32_t lineEnd = LogEnd(mainWindow), written = TextLength(text) + 2;
    return lineEnd > written ? lineEnd - written : 0;
}

uint32_t LogTextRoom() {
    char16_t mark[kMarkUnits];
    return (uint32_t)kLogLimit - FormatMark(mark);
}

void AppendLogText(HWND log, const char16_t* text) {
    const uint32_t incoming = TextLength(text);
    // The control would cut what does not fit, losing the newest text.
    if ((uint64_t)LogLength(log) + incoming > (uint32_t)kLogLimit) {
        TrimLog(log, incoming);
        const uint32_t room = LogTextRoom();
        if (incoming > room) text += KeptTextStart(text, incoming, room);
    }
    SendMessageW(log, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    SendMessageW(log, EM_REPLACESEL, FALSE, (LPARAM)W(text));
}

void TrimLog(HWND log, uint32_t incoming) {
    char16_t mark[kMarkUnits];
    const uint32_t room = (uint32_t)kLogLimit - FormatMark(mark);
    const uint32_t keep = incoming < room ? room - incoming : 0;
    const uint32_t length = LogLength(log);
    if (length <= keep) return;
    // Without memory for a copy of the text the cut may fall inside a line.
    uint32_t end = length - keep;
    char16_t* text = static_cast<char16_t*>(HeapAllocBytes(((size_t)length + 1) * sizeof(char16_t)));
    if (text) {
        const int read = GetWindowTextW(log, W(text), (int)length + 1);
        end = KeptTextStart(text, read > 0 ? (uint32_t)read : 0, keep);
        HeapFreeBytes(text);
    }
    ReplaceLogFront(log, end, mark);
}

void TrimLogBeforeRun(HWND log) {
    if (LogLength(log) < kLogTrimThreshold) return;
    char16_t mark[kMarkUnits];
    FormatMark(mark);
    const LRESULT lines = SendMessageW(log, EM_GETLINECOUNT, 0, 0);
    ReplaceLogFront(log, LineStart(log, lines / 2), mark);
}
