// The main window: start-up, layout, drops, and the routing of node-menu
// requests from the tree.
#include "app/main_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>

#include "actions/menus_win32.h"
#include "app/layout.h"
#include "base/format.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "base/tree_sink_win32.h"
#include "config/config_text.h"
#include "config/config_win32.h"
#include "exec/activity.h"
#include "exec/run_loop.h"
#include "input/list_file_win32.h"
#include "input/tokenizer.h"
#include "security/glyphs.h"
#include "security/groups.h"
#include "security/security_win32.h"

HINSTANCE g_instance;

namespace {
const wchar_t* ProcessCommandLine() { return GetCommandLineW(); }
}  // namespace

const wchar_t* (*g_commandLineSource)() = ProcessCommandLine;

namespace {

const char16_t kBanner[] = u"ovrix  Version 0.6";
const char16_t kUsage[] = u"Usage: ovrix [filename or @filelist or @8@utf8filelist]...";
const int kGlyphBitmap = 1114;
const int kBannerGlyph = kGlyphArrows;
const UINT kMoveFlags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;

HWND Tree(HWND window) { return GetDlgItem(window, kTreeId); }

RECT WindowRectOf(HWND window, int id) {
    RECT r = {};
    GetWindowRect(GetDlgItem(window, id), &r);
    return r;
}

void LayoutControls(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    RECT tree = WindowRectOf(window, kTreeId), log = WindowRectOf(window, kLogId);
    RECT action = WindowRectOf(window, kActionButtonId), close = WindowRectOf(window, IDOK);
    LayoutInput in;
    in.clientWidth = client.right - client.left;
    in.clientHeight = client.bottom - client.top;
    in.gap = log.top - tree.bottom;
    in.action = {action.right - action.left, action.bottom - action.top};
    in.close = {close.right - close.left, close.bottom - close.top};
    LayoutResult r = LayoutMainDialog(in);

    SetWindowPos(Tree(window), nullptr, 0, 0, r.treeWidth, r.treeHeight, kMoveFlags | SWP_NOMOVE);
    SetWindowPos(GetDlgItem(window, kLogId), nullptr, 0, r.logTop, r.logWidth, r.logHeight, kMoveFlags);
    HWND actionButton = GetDlgItem(window, kActionButtonId);
    SetWindowPos(actionButton, nullptr, r.actionLeft, r.buttonTop, in.action.width, in.action.height, kMoveFlags);
    ShowWindow(actionButton, SW_HIDE);
    SetWindowPos(GetDlgItem(window, IDOK), nullptr, r.closeLeft, r.buttonTop, in.close.width, in.close.height,
                 kMoveFlags);
    InvalidateRect(window, nullptr, TRUE);
}

void LoadGlyphs(HWND window) {
    HIMAGELIST glyphs = ImageList_LoadImageW(g_instance, MAKEINTRESOURCEW(kGlyphBitmap), 16, 0, RGB(255, 0, 255),
                                             IMAGE_BITMAP, 0);
    SendMessageW(Tree(window), TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)glyphs);
}

void AddCommandLinePaths(HWND window) {
    const char16_t* cursor = U(g_commandLineSource());
    static char16_t token[kTokenBufferUnits];   // 24 KiB: kept off the stack
    TreeSink sink = TreeViewSink(Tree(window));
    NextToken(&cursor, token);   // the program's own path
    for (;;) {
        char16_t first = NextToken(&cursor, token);
        if (!first) break;
        DWORD attributes = PathAttributes(token);
        if (first == u'@' && attributes == INVALID_FILE_ATTRIBUTES && AddPathsFromListFile(Tree(window), token))
            continue;
        AddPath(&sink, token, attributes);
    }
}

void ReportConfigFiles(HWND window) {
    char16_t line[2 * kConfigPathUnits + kTranslationUnits];
    LoadLanguageFile();
    FormatText(line, sizeof line / sizeof *line, Translate(u"language file : %s"), g_languageFile.path);
    AppendLogLine(window, line);
    if (!LoadListFile()) {
        FormatText(line, sizeof line / sizeof *line, u"list file %s load error.", g_listFile.path);
        AppendLogLine(window, line);
    }
    ReportBadAccessTypes(window);
}

void FinishTreeFill(HWND window) {
    TreeSink sink = TreeViewSink(Tree(window));
    if (GroupCount() == 0) {
        sink.insert(sink.context, kTreeRoot, kBanner, kBannerGlyph, 0);
        sink.insert(sink.context, kTreeRoot, kUsage, kNoImage, 0);
        sink.insert(sink.context, kTreeRoot, Translate(u"(drop files/folder here)"), kNoImage, 0);
    }
    sink.select(sink.context, sink.firstChild(sink.context, kTreeRoot));
}

void InitMainDialog(HWND window) {
    LayoutControls(window);
    SendDlgItemMessageW(window, kLogId, EM_LIMITTEXT, kLogLimit, 0);
    AppendLogLine(window, kBanner);
    ReportConfigFiles(window);
    LoadGlyphs(window);
    ClearGroups();
    AddCommandLinePaths(window);
    SetDlgItemTextW(window, IDOK, W(Translate(u"Close")));
    SetDlgItemTextW(window, kActionButtonId, W(Translate(u"Action")));
    FinishTreeFill(window);
}

void HandleDroppedFiles(HWND window, HDROP drop) {
    // The menu, dialog or run in progress still acts on the groups a drop
    // would replace.
    if (ActivityInProgress()) {
        DragFinish(drop);
        return;
    }
    TreeSink sink = TreeViewSink(Tree(window));
    sink.remove(sink.context, kTreeRoot);
    ClearGroups();
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; i++) {
        wchar_t name[1024];
        if (!DragQueryFileW(drop, i, name, 1024)) continue;
        AddPath(&sink, U(name), PathAttributes(U(name)));
    }
    DragFinish(drop);
    FinishTreeFill(window);
}

INT_PTR g_closeResult;

// A close while a menu, dialog or run is in progress waits for its end; no
// further command starts meanwhile.
void CloseMainWindow(HWND window, INT_PTR result) {
    if (!ActivityInProgress()) {
        EndDialog(window, result);
        return;
    }
    g_closeResult = result;
    RequestStop(true);
}

uint32_t LineStart(HWND log, LRESULT line) {
    LRESULT start = SendMessageW(log, EM_LINEINDEX, (WPARAM)line, 0);
    return start < 0 ? 0 : (uint32_t)start;
}

void SelectItemUnderCursor(HWND tree) {
    TVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(tree, &hit.pt);
    HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_HITTEST, 0, (LPARAM)&hit);
    if (item) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

void HandleTreeNotify(HWND window, const NMHDR* header) {
    if (header->idFrom != (UINT_PTR)kTreeId) return;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_KEYDOWN:
        if (reinterpret_cast<const NMTVKEYDOWN*>(header)->wVKey == VK_SPACE) ShowNodeMenu(window, tree);
        break;
    case NM_RCLICK:
        SelectItemUnderCursor(tree);
        ShowNodeMenu(window, tree);
        break;
    case NM_DBLCLK:
        ShowNodeMenu(window, tree);
        break;
    }
}

}  // namespace

void RegisterMainWindowClass() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = g_instance;
    wc.hIcon = LoadIconW(g_instance, MAKEINTRESOURCEW(1));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ovrix";
    RegisterClassW(&wc);
}

void AppendLogLine(HWND mainWindow, const char16_t* text) {
    HWND log = GetDlgItem(mainWindow, kLogId);
    AppendLogText(log, text);
    AppendLogText(log, u"\r\n");
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

void EndWindowActivity(HWND mainWindow) {
    if (EndActivity()) EndDialog(mainWindow, g_closeResult);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        InitMainDialog(window);
        return TRUE;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) LayoutControls(window);
        break;
    case WM_CLOSE:
        CloseMainWindow(window, 0);
        break;
    case WM_ENDSESSION:
        if (wParam && ActivityInProgress()) RequestStop(true);
        break;
    case WM_NOTIFY:
        HandleTreeNotify(window, reinterpret_cast<const NMHDR*>(lParam));
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) CloseMainWindow(window, 1);
        break;
    case WM_DROPFILES:
        HandleDroppedFiles(window, (HDROP)wParam);
        break;
    }
    return FALSE;
}
