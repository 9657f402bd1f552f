#include "tests/win32/testbed.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "app/main_window_win32.h"
#include "app/path_reading_win32.h"
#include "base/dialog_win32.h"
#include "base/platform_win32.h"
#include "resources/resource_ids.h"
#include "security/security_win32.h"


namespace {

std::wstring g_commandLine;
bool g_keepReading;
const std::function<void(HWND)>* g_body;
HWND g_mainWindow;

const wchar_t* TestCommandLine() { return g_commandLine.c_str(); }

BOOL CALLBACK FindOwnMainWindow(HWND window, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (pid == GetCurrentProcessId() && lstrcmpiW(cls, L"ovrix") == 0) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK RunBody(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    HWND main = nullptr;
    EnumWindows(FindOwnMainWindow, (LPARAM)&main);
    g_mainWindow = main;
    if (!main) {
        ADD_FAILURE() << "main window not found";
        return;
    }
    if (!g_keepReading) EXPECT_TRUE(WaitForReading(60000)) << "the start-up reading did not end";
    (*g_body)(main);
    if (IsWindow(main)) {
        EndDialog(main, 42);
        PostMessageW(main, WM_NULL, 0, 0);   // wakes the dialog loop at once
    }
}

}  // namespace

bool WaitForReading(int ms) {
    return WaitFor([] { return !ReadingInProgress(); }, ms);
}

INT_PTR RunWithMainWindow(const wchar_t* commandLine, const std::function<void(HWND)>& body, bool whileReading) {
    g_keepReading = whileReading;
    g_commandLine = commandLine;
    const wchar_t* (*original)() = g_commandLineSource;
    g_commandLineSource = TestCommandLine;
    g_body = &body;
    SetTimer(nullptr, 0, 10, RunBody);
    INT_PTR result = RunDialog(g_instance, IDD_MAIN_WINDOW, nullptr, MainDialogProc, 0);
    g_body = nullptr;
    g_commandLineSource = original;
    return result;
}

std::vector<NodeInfo> TreeNodes(HWND tree) {
    std::vector<NodeInfo> nodes;
    HTREEITEM selected = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0);
    std::function<void(HTREEITEM, int)> walk = [&](HTREEITEM item, int depth) {
        for (; item; item = (HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)item)) {
            wchar_t text[4096] = {};
            TVITEMW tv = {};
            tv.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_PARAM | TVIF_STATE;
            tv.hItem = item;
            tv.pszText = text;
            tv.cchTextMax = 4096;
            tv.stateMask = TVIS_EXPANDED;
            SendMessageW(tree, TVM_GETITEMW, 0, (LPARAM)&tv);
            NodeInfo n{item, depth, text, tv.iImage, tv.iSelectedImage, (uint32_t)tv.lParam,
                       (tv.state & TVIS_EXPANDED) != 0, item == selected};
            nodes.push_back(n);
            walk((HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)item), depth + 1);
        }
    };
    walk((HTREEITEM)SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0), 0);
    return nodes;
}

std::wstring DumpTree(HWND tree) {
    std::wstring out;
    for (const NodeInfo& n : TreeNodes(tree)) {
        wchar_t tail[64];
        wsprintfW(tail, L" [%d] k%x%s\n", n.image, (n.param >> 16) & 0xFF, n.expanded ? L" +" : L"");
        out += std::wstring(2 * n.depth, L' ') + n.text + tail;
    }
    return out;
}

std::wstring LogText(HWND mainWindow) {
    HWND log = GetDlgItem(mainWindow, IDC_LOG);
    int n = GetWindowTextLengthW(log);
    std::wstring text(n + 1, L'\0');
    GetWindowTextW(log, &text[0], n + 1);
    text.resize(n);
    return text;
}

std::vector<std::wstring> LogLines(HWND mainWindow) {
    std::wstring text = LogText(mainWindow);
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) {
            if (start < text.size()) lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

RECT ChildRect(HWND main, int id) {
    RECT r;
    GetWindowRect(GetDlgItem(main, id), &r);
    MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

bool WaitFor(const std::function<bool()>& condition, int ms) {
    DWORD start = GetTickCount();
    for (;;) {
        PumpMessages();
        if (condition()) return true;
        if ((int)(GetTickCount() - start) > ms) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

void DropFiles(HWND mainWindow, const std::vector<std::wstring>& names) {
    size_t chars = 1;
    for (const std::wstring& n : names) chars += n.size() + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    wchar_t* p = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& n : names) {
        memcpy(p, n.c_str(), (n.size() + 1) * sizeof(wchar_t));
        p += n.size() + 1;
    }
    GlobalUnlock(memory);
    SendMessageW(mainWindow, WM_DROPFILES, (WPARAM)memory, 0);   // DragFinish frees it
    WaitForReading();
}

std::wstring ExeDirectory() {
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s(path, n);
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

std::wstring NewTempFolder() {
    static int counter;
    wchar_t base[MAX_PATH];
    GetTempPathW(MAX_PATH, base);
    for (;;) {
        wchar_t name[MAX_PATH];
        wsprintfW(name, L"%sovrix-test-%lu-%d", base, GetCurrentProcessId(), ++counter);
        if (CreateDirectoryW(name, nullptr)) return name;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return L"";
    }
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
            else DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

std::string Utf8(const std::wstring& s) {
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), (int)s.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), (int)s.size(), &out[0], n, nullptr, nullptr);
    return out;
}

namespace {

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindProcessMainWindow(HWND window, LPARAM param) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t cls[16] = {};
    GetClassNameW(window, cls, 16);
    if (pid == search->pid && lstrcmpiW(cls, L"ovrix") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

bool StartOvrix(const std::wstring& args, OvrixProcess* out, int ms, const std::wstring& copy) {
    std::wstring exe = copy.empty() ? ExeDirectory() + L"ovrix.exe" : copy;
    std::wstring line = L"\"" + exe + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    *out = OvrixProcess{};
    if (!CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &out->info))
        return false;
    WindowSearch search{out->info.dwProcessId, nullptr};
    bool up = WaitFor([&] {
        search.found = nullptr;
        EnumWindows(FindProcessMainWindow, (LPARAM)&search);
        // The tree is disabled at the first batch and enabled again, with its
        // paths or the placeholders, once the paths named have been read.
        HWND tree = search.found ? GetDlgItem(search.found, IDC_TREE) : nullptr;
        return search.found && IsWindowVisible(search.found) && IsWindowEnabled(search.found) &&
               IsWindowEnabled(tree) && SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) != 0;
    }, ms);
    out->window = search.found;
    return up;
}

DWORD WaitForExit(OvrixProcess* process, int ms) {
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(process->info.hProcess, ms) != WAIT_OBJECT_0) {
        TerminateProcess(process->info.hProcess, 1);
        WaitForSingleObject(process->info.hProcess, 5000);
    } else {
        GetExitCodeProcess(process->info.hProcess, &code);
    }
    CloseHandle(process->info.hProcess);
    CloseHandle(process->info.hThread);
    return code;
}

int main(int argc, char** argv) {
    g_instance = GetModuleHandleW(nullptr);
    UseProcessHeap();
    UseSystemThreads();
    InstallSecurityPlatform();
    RegisterMainWindowClass();
    InitCommonControls();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

// Runs a command of the host's shell in the folder, from which Wine derives
// the DACLs. A Unix process gives no handle to wait on, so the marker file it
// makes last, "<folder>.marker" beside the folder, is waited for instead.
bool RunUnixShell(const std::wstring& folder, const std::string& command) {
    auto unixName = reinterpret_cast<char*(CDECL*)(LPCWSTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(folder.c_str()) : nullptr;
    if (!name) return false;
    const std::string unix = name;
    std::string line = "/bin/sh -c \"cd '" + unix + "' && " + command + " && touch '" + unix + ".marker'\"";
    HeapFree(GetProcessHeap(), 0, name);
    std::wstring wide(line.begin(), line.end());
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &wide[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hProcess), CloseHandle(process.hThread);
    const std::wstring marker = folder + L".marker";
    if (!WaitFor([&] { return GetFileAttributesW(marker.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000)) return false;
    DeleteFileW(marker.c_str());
    return true;
}

namespace {
uint64_t g_slowNow;
uint64_t SlowNow() { return g_slowNow += 100; }
}  // namespace

SlowReadingClock::SlowReadingClock() {
    g_slowNow = GetTickCount64();
    g_readingClock = SlowNow;
}

SlowReadingClock::~SlowReadingClock() { g_readingClock = GetTickCount64; }
