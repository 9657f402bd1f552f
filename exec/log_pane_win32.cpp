#include "exec/log_pane_win32.h"

#include "base/format.h"
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

}  // namespace

HWND LogPane(HWND mainWindow) { return GetDlgItem(mainWindow, IDC_LOG); }

void InitLogPane(HWND mainWindow) { SendMessageW(LogPane(mainWindow), EM_LIMITTEXT, kLogLimit, 0); }

void AppendLogLine(HWND mainWindow, const char16_t* text) {
    HWND log = LogPane(mainWindow);
    AppendLogText(log, text);
    AppendLogText(log, u"\r\n");
}

uint32_t LogEnd(HWND mainWindow) { return (uint32_t)SendMessageW(LogPane(mainWindow), WM_GETTEXTLENGTH, 0, 0); }

void ReplaceLogTail(HWND mainWindow, uint32_t start, const char16_t* text) {
    const uint32_t end = LogEnd(mainWindow);
    SendMessageW(LogPane(mainWindow), EM_SETSEL, start < end ? start : end, end);
    SendMessageW(LogPane(mainWindow), EM_REPLACESEL, FALSE, (LPARAM)L"");
    if (text) AppendLogLine(mainWindow, text);
}

void AppendLogText(HWND log, const char16_t* text) {
    const uint32_t incoming = TextLength(text);
    const uint32_t length = (uint32_t)SendMessageW(log, WM_GETTEXTLENGTH, 0, 0);
    // The control would cut what does not fit, losing the newest text.
    if ((uint64_t)length + incoming > (uint32_t)kLogLimit) TrimLog(log, incoming);
    SendMessageW(log, EM_SETSEL, 0x7FFFFFFF, 0x7FFFFFFF);
    SendMessageW(log, EM_REPLACESEL, FALSE, (LPARAM)W(text));
}

void TrimLog(HWND log, uint32_t incoming) {
    char16_t marker[kTranslationUnits + 2];
    const uint32_t markerLength =
        FormatText(marker, kTranslationUnits + 2, u"%s\r\n", Translate(u"(earlier lines removed)"));
    const uint32_t length = (uint32_t)SendMessageW(log, WM_GETTEXTLENGTH, 0, 0);
    const uint32_t excess = LogExcess(length, incoming, markerLength, (uint32_t)kLogLimit);
    const LRESULT lines = SendMessageW(log, EM_GETLINECOUNT, 0, 0);
    const uint32_t halfStart = LineStart(log, lines / 2);
    uint32_t nextStart = excess;
    if (halfStart < excess && excess < length) {
        const LRESULT line = SendMessageW(log, EM_LINEFROMCHAR, excess, 0);
        if (LineStart(log, line) < excess) nextStart = LineStart(log, line + 1);
    }
    const uint32_t end = LogCutEnd(halfStart, excess, nextStart);
    if (end == 0) return;
    // One replacement: the marker takes the removed part's place.
    SendMessageW(log, EM_SETSEL, 0, end);
    SendMessageW(log, EM_REPLACESEL, FALSE, (LPARAM)W(marker));
}
