// The main window: start-up, layout, drops, and the routing of node-menu
// requests from the tree.
#include "app/main_window_win32.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>   // DROPFILES

#include "actions/action_platform_win32.h"
#include "actions/menus_win32.h"
#include "app/layout.h"
#include "app/path_reading_win32.h"
#include "base/format.h"
#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "base/tree_sink_win32.h"
#include "config/config_text.h"
#include "config/config_win32.h"
#include "config/file_text_win32.h"
#include "exec/activity.h"
#include "exec/activity_win32.h"
#include "exec/log_pane_win32.h"
#include "exec/runner_win32.h"
#include "input/folder_walk_win32.h"
#include "input/list_file.h"
#include "input/list_file_win32.h"
#include "input/path_input.h"
#include "input/path_source.h"
#include "report/clipboard_win32.h"
#include "resources/resource_ids.h"
#include "security/glyphs.h"
#include "security/groups.h"
#include "security/path_names.h"
#include "security/security_win32.h"

namespace {
const wchar_t* ProcessCommandLine() { return GetCommandLineW(); }
}  // namespace

CommandLineFn g_commandLineSource = ProcessCommandLine;

namespace {

const char16_t kBanner[] = u"ovrix  Version 0.6";
const char16_t kUsage[] = u"Usage: ovrix [filename or @filelist or @8@utf8filelist]...";
const int kBannerGlyph = kGlyphArrows;
const UINT kMoveFlags = SWP_NOZORDER | SWP_NOREDRAW | SWP_NOACTIVATE;

HWND Tree(HWND window) { return GetDlgItem(window, IDC_TREE); }

RECT WindowRectOf(HWND window, int id) {
    RECT r = {};
    GetWindowRect(GetDlgItem(window, id), &r);
    return r;
}

// The layout's input as the controls stand now.
LayoutInput MeasureLayout(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    RECT tree = WindowRectOf(window, IDC_TREE), log = WindowRectOf(window, IDC_LOG);
    RECT action = WindowRectOf(window, IDC_ACTION_BUTTON), close = WindowRectOf(window, IDOK);
    LayoutInput in;
    in.clientWidth = client.right - client.left;
    in.clientHeight = client.bottom - client.top;
    in.gap = log.top - tree.bottom;
    in.action = {action.right - action.left, action.bottom - action.top};
    in.close = {close.right - close.left, close.bottom - close.top};
    return in;
}

void PlaceControls(HWND window, const LayoutInput& in) {
    LayoutResult r = LayoutMainDialog(in);
    SetWindowPos(Tree(window), nullptr, 0, 0, r.treeWidth, r.treeHeight, kMoveFlags | SWP_NOMOVE);
    SetWindowPos(GetDlgItem(window, IDC_LOG), nullptr, 0, r.logTop, r.logWidth, r.logHeight, kMoveFlags);
    HWND actionButton = GetDlgItem(window, IDC_ACTION_BUTTON);
    SetWindowPos(actionButton, nullptr, r.actionLeft, r.buttonTop, in.action.width, in.action.height, kMoveFlags);
    ShowWindow(actionButton, SW_HIDE);
    SetWindowPos(GetDlgItem(window, IDOK), nullptr, r.closeLeft, r.buttonTop, in.close.width, in.close.height,
                 kMoveFlags);
    InvalidateRect(window, nullptr, TRUE);
}

void LayoutControls(HWND window) { PlaceControls(window, MeasureLayout(window)); }

// The DPI the controls are laid out for and the glyphs drawn for.
UINT g_windowDpi = USER_DEFAULT_SCREEN_DPI;

// The window's DPI. GetDpiForWindow came with Windows 10: looked up, so that
// older systems still start the program, which then takes the screen's.
UINT WindowDpi(HWND window) {
    typedef UINT(WINAPI * DpiOfWindow)(HWND);
    static const DpiOfWindow dpiOfWindow = reinterpret_cast<DpiOfWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return dpiOfWindow ? dpiOfWindow(window) : SystemDpi();
}

void LoadGlyphs(HWND window) {
    const int size = GlyphSizeForDpi(g_windowDpi);
    HIMAGELIST glyphs = ImageList_LoadImageW(g_instance, MAKEINTRESOURCEW(GlyphStripResource(size)), size, 0,
                                             RGB(255, 0, 255), IMAGE_BITMAP, 0);
    if (!glyphs) return;   // the tree keeps the glyphs it has
    HIMAGELIST old = (HIMAGELIST)SendMessageW(Tree(window), TVM_SETIMAGELIST, TVSIL_NORMAL, (LPARAM)glyphs);
    if (old && old != glyphs) ImageList_Destroy(old);
}

// Moved to a screen of another DPI: the window takes the rectangle Windows
// suggests, margins and buttons keep their look at the new DPI, and the
// tree gets the glyphs drawn for it.
void ChangeDpi(HWND window, UINT dpi, const RECT* suggested) {
    if (dpi == 0 || !suggested) return;
    LayoutInput in = ScaleLayoutInput(MeasureLayout(window), g_windowDpi, dpi);
    g_windowDpi = dpi;
    SetWindowPos(window, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client;
    GetClientRect(window, &client);
    in.clientWidth = client.right - client.left;
    in.clientHeight = client.bottom - client.top;
    PlaceControls(window, in);
    LoadGlyphs(window);
}

uint32_t NameAttributes(void*, const char16_t* name) { return PathAttributes(name); }

char* ReadListFile(void*, const char16_t* name, uint32_t* size) {
    // Only a plain file is read: never a pipe, whose server could act as us.
    if (IsForeignPath(name)) return nullptr;
    char* bytes = nullptr;
    return ReadWholeFile(name, kListFileZeroBytes, &bytes, size) == 0 ? bytes : nullptr;
}

void LogWalk(void* window, const char16_t* line) { AppendReadingLogLine(static_cast<HWND>(window), line); }

// The context is the main window, once it is up.
PathInputPlatform g_pathInput = {nullptr, NameAttributes, ReadListFile, SystemCodePages(), WindowsFolderListing(),
                                 LogWalk};

// One reading at a time: the source being read lives here.
CommandLinePaths g_commandLinePaths;
NameListPaths g_dropPaths;
FolderListPaths g_scanPaths;

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
    FlushGroupRootTexts(&sink);
    if (GroupCount() == 0) {
        sink.insert(sink.context, kTreeRoot, kBanner, kBannerGlyph, 0);
        sink.insert(sink.context, kTreeRoot, kUsage, kNoImage, 0);
        sink.insert(sink.context, kTreeRoot, Translate(u"(drop files/folder here)"), kNoImage, 0);
    }
    sink.select(sink.context, sink.firstChild(sink.context, kTreeRoot));
}

void InitMainDialog(HWND window) {
    g_windowDpi = WindowDpi(window);
    LayoutControls(window);
    InitLogPane(window);
    AppendLogLine(window, kBanner);
    ReportConfigFiles(window);
    LoadGlyphs(window);
    ClearGroups();
    SetDlgItemTextW(window, IDOK, W(Translate(u"Close")));
    SetDlgItemTextW(window, IDC_ACTION_BUTTON, W(Translate(u"Action")));
    g_pathInput.context = window;
    PathSource source = CommandLineSource(&g_commandLinePaths, U(g_commandLineSource()), PrepareReading(&g_pathInput));
    StartReading(window, source, FormatPathReadingLine, FinishTreeFill);
}

// The drop's names, read in one pass from its DROPFILES block, as a block of
// zero-terminated names ended by an empty one; null when it is malformed.
char16_t* DroppedNames(HDROP drop) {
    const SIZE_T size = GlobalSize(drop);
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(drop));
    if (!block) return nullptr;
    char16_t* names = nullptr;
    const DROPFILES* header = reinterpret_cast<const DROPFILES*>(block);
    if (size >= sizeof(DROPFILES) && header->pFiles >= sizeof(DROPFILES) && header->pFiles < size &&
        size - header->pFiles < 0x7FFFFFF0) {
        const BYTE* from = block + header->pFiles;
        const uint32_t bytes = (uint32_t)(size - header->pFiles);
        // Units for the names and two zeros behind them, whatever the block holds.
        const uint32_t units = header->fWide ? bytes / 2 : bytes;
        names = static_cast<char16_t*>(HeapAllocBytes(((size_t)units + 2) * sizeof(char16_t)));
        if (names) {
            uint32_t written = units;
            if (header->fWide) {
                memcpy(names, from, (size_t)units * sizeof(char16_t));
            } else if (units) {
                int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(from), (int)units, W(names),
                                            (int)units);
                written = n > 0 ? (uint32_t)n : 0;
            }
            names[written] = 0;
            names[written + 1] = 0;
        }
    }
    GlobalUnlock(drop);
    return names;
}

void HandleDroppedFiles(HWND window, HDROP drop) {
    // The menu, dialog or run in progress still acts on the groups a drop
    // would replace; a reading in progress is still filling them.
    if (ActivityInProgress() || ReadingInProgress()) {
        DragFinish(drop);
        AppendReadingLogLine(window, Translate(u"busy: drop ignored"));
        return;
    }
    char16_t* names = DroppedNames(drop);
    DragFinish(drop);
    if (!names) return;
    TreeSink sink = TreeViewSink(Tree(window));
    sink.remove(sink.context, kTreeRoot);
    ClearGroups();
    StartReading(window, NameListSource(&g_dropPaths, names, PrepareReading(&g_pathInput)), FormatPathReadingLine,
                 FinishTreeFill);
}

void FinishScan(HWND window) {
    TreeSink sink = TreeViewSink(Tree(window));
    FlushGroupRootTexts(&sink);
}

// "Add everything below": the folders' block is the window's now.
void ScanBelowFolders(HWND window, char16_t* folders) {
    if (ActivityInProgress() || ReadingInProgress()) {
        HeapFreeBytes(folders);
        return;
    }
    StartReading(window, FolderListSource(&g_scanPaths, folders, PrepareReading(&g_pathInput)), FormatScanLine,
                 FinishScan);
}

void SelectItemUnderCursor(HWND tree) {
    TVHITTESTINFO hit = {};
    GetCursorPos(&hit.pt);
    ScreenToClient(tree, &hit.pt);
    HTREEITEM item = (HTREEITEM)SendMessageW(tree, TVM_HITTEST, 0, (LPARAM)&hit);
    if (item) SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, (LPARAM)item);
}

void HandleTreeNotify(HWND window, const NMHDR* header) {
    if (header->idFrom != (UINT_PTR)IDC_TREE) return;
    HWND tree = header->hwndFrom;
    switch (header->code) {
    case TVN_KEYDOWN: {
        const WORD key = reinterpret_cast<const NMTVKEYDOWN*>(header)->wVKey;
        if (key == VK_SPACE) ShowNodeMenu(window, tree);
        if (key == 'C' && GetKeyState(VK_CONTROL) < 0) CopySelectedNode(window, tree, GetKeyState(VK_SHIFT) < 0);
        if (key == 'F' && GetKeyState(VK_CONTROL) < 0) OpenFindDialog(window, tree);
        if (key == VK_F3) FindNextMatch(window, tree, GetKeyState(VK_SHIFT) < 0);
        if (key == 'Z' && GetKeyState(VK_CONTROL) < 0) UndoSelectedNodeChange(window, tree);
        break;
    }
    case NM_RCLICK:
        SelectItemUnderCursor(tree);
        ShowNodeMenu(window, tree);
        break;
    case NM_DBLCLK:
        ShowNodeMenu(window, tree);
        break;
    }
}

// A reading stops at once; a command running is ended only on the user's
// word, and without it the window stays.
void CloseOnUsersWord(HWND window, INT_PTR result) {
    StopReading(window);
    if (EndRunningCommand(window)) CloseMainWindow(window, result);
}

}  // namespace

void RegisterMainWindowClass() {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = g_instance;
    wc.hIcon = LoadIconW(g_instance, MAKEINTRESOURCEW(IDI_PROGRAM));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"ovrix";
    RegisterClassW(&wc);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HandleReadingMessage(window, message, wParam)) return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        InitMainDialog(window);
        return TRUE;
    case WM_SIZE:
        if (wParam != SIZE_MINIMIZED) LayoutControls(window);
        break;
    case WM_DPICHANGED:
        ChangeDpi(window, HIWORD(wParam), reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_CLOSE:
        CloseOnUsersWord(window, 0);
        return TRUE;   // handled: no IDCANCEL to follow
    case WM_DESTROY:
        AbandonReading();
        break;
    case WM_ENDSESSION:
        if (wParam && ActivityInProgress()) RequestStop(true);
        break;
    case WM_NOTIFY:
        if (!ReadingInProgress()) HandleTreeNotify(window, reinterpret_cast<const NMHDR*>(lParam));
        break;
    case WM_COMMAND:
        // Esc while reading stops the reading; the window stays.
        if (LOWORD(wParam) == IDCANCEL && ReadingInProgress()) {
            StopReading(window);
        } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            CloseOnUsersWord(window, 1);
        }
        break;
    case WM_DROPFILES:
        HandleDroppedFiles(window, (HDROP)wParam);
        break;
    case kScanBelowMessage:
        ScanBelowFolders(window, reinterpret_cast<char16_t*>(lParam));
        break;
    }
    return FALSE;
}
