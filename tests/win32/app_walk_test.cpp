// The walk below folders end to end: "/below" on the command line, "Add
// everything below" from a folder group's menu, and Esc stopping a walk.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "actions/action_platform_win32.h"
#include "actions/menus_win32.h"
#include "app/main_window_win32.h"
#include "app/path_reading_win32.h"
#include "resources/resource_ids.h"
#include "security/read_ahead.h"
#include "security/security_platform.h"
#include "tests/win32/testbed.h"

namespace {

HWND TreeOf(HWND main) { return GetDlgItem(main, IDC_TREE); }

// The root nodes' texts, sorted.
std::vector<std::wstring> RootTexts(HWND main) {
    std::vector<std::wstring> roots;
    for (const NodeInfo& n : TreeNodes(TreeOf(main)))
        if (n.depth == 0) roots.push_back(n.text);
    std::sort(roots.begin(), roots.end());
    return roots;
}

// The group sizes: "(n) path" roots hold n paths, others one.
std::vector<int> GroupSizes(const std::vector<std::wstring>& roots) {
    std::vector<int> sizes;
    for (const std::wstring& text : roots) sizes.push_back(text[0] == L'(' ? _wtoi(text.c_str() + 1) : 1);
    std::sort(sizes.begin(), sizes.end());
    return sizes;
}

// Three modes in a folder and a subfolder: folders (755), 644 twice, 600, 444
// (read-only).
std::wstring MakeTree(std::wstring* parent) {
    *parent = NewTempFolder();
    const std::wstring tree = *parent + L"\\t";
    CreateDirectoryW(tree.c_str(), nullptr);
    EXPECT_TRUE(RunUnixShell(tree, "mkdir sub && touch a sub/c sub/d sub/e && chmod 755 . sub && "
                                   "chmod 644 a sub/d && chmod 600 sub/c && chmod 444 sub/e"));
    return tree;
}

// A folder "t" of 300 files in a new folder.
std::wstring FolderOf300Files(std::wstring* parent) {
    *parent = NewTempFolder();
    const std::wstring tree = *parent + L"\\t";
    CreateDirectoryW(tree.c_str(), nullptr);
    EXPECT_TRUE(RunUnixShell(tree, "for i in $(seq 300); do echo x > f$i; done"));
    return tree;
}

// Chooses "Add everything below" on the first group's root.
void AddEverythingBelow(HWND main) {
    g_popupTracker = [](HMENU popup, HWND) -> UINT {
        for (int i = 0; i < GetMenuItemCount(popup); i++) {
            wchar_t text[64] = {};
            GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
            if (wcscmp(text, L"Add everything below") == 0) return GetMenuItemID(popup, i);
        }
        return 0;
    };
    SendMessageW(TreeOf(main), TVM_SELECTITEM, TVGN_CARET, (LPARAM)TreeNodes(TreeOf(main))[0].item);
    ShowNodeMenu(main, TreeOf(main));
    g_popupTracker = TrackPopupAtCursor;
}

// Esc as the user presses it, with the main window in front.
void PressEscape(HWND main) {
    SetForegroundWindow(main);
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == main; }));
    INPUT keys[2] = {};
    keys[0].type = keys[1].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = keys[1].ki.wVk = VK_ESCAPE;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    ASSERT_EQ(SendInput(2, keys, sizeof *keys), 2u);
}

bool LastLogLineStarts(HWND main, const wchar_t* prefix) { return LogLines(main).back().rfind(prefix, 0) == 0; }

// While it lives, every descriptor query waits 2 s first, as on a share that
// has gone slow; inFlight counts the queries under way.
struct SlowQueries {
    static inline const SecurityPlatform* real;
    static inline volatile LONG inFlight;
    static bool ReadDescriptor(const char16_t* path, uint32_t information, uint8_t* buffer, uint32_t capacity,
                               uint32_t* size) {
        InterlockedIncrement(&inFlight);
        Sleep(2000);
        const bool read = real->readDescriptor(path, information, buffer, capacity, size);
        InterlockedDecrement(&inFlight);
        return read;
    }
    static bool ReadSecurity(const char16_t*, bool, PathSecurity*) { return false; }   // part by part
    SecurityPlatform slow = *CurrentSecurityPlatform();
    SlowQueries() {
        real = CurrentSecurityPlatform();
        slow.readDescriptor = ReadDescriptor;
        slow.readSecurity = ReadSecurity;
        SetSecurityPlatform(&slow);
    }
    ~SlowQueries() { SetSecurityPlatform(real); }
};

}  // namespace

TEST(WalkBelow, CommandLineAndMenuGiveTheSameGroups) {
    std::wstring parent;
    const std::wstring tree = MakeTree(&parent);
    std::vector<std::wstring> fromCommandLine, fromMenu;
    RunWithMainWindow((L"ovrix.exe /below " + tree).c_str(), [&](HWND main) { fromCommandLine = RootTexts(main); });
    EXPECT_EQ(GroupSizes(fromCommandLine), (std::vector<int>{1, 1, 2, 2}));
    RunWithMainWindow((L"ovrix.exe " + tree).c_str(), [&](HWND main) {
        ASSERT_EQ(RootTexts(main).size(), 1u);
        AddEverythingBelow(main);
        ASSERT_TRUE(WaitFor([&] { return RootTexts(main).size() == fromCommandLine.size(); }) && WaitForReading());
        fromMenu = RootTexts(main);
    });
    EXPECT_EQ(fromMenu, fromCommandLine);
    RemoveTree(parent);
}

// The reading of a folder and all below it, then a scan of it: Esc stops
// each whichever control has the focus (none, as the disabled tree lost it;
// then the log), keeps what was read, and the window goes on with the tree
// focused.
TEST(WalkBelow, EscStopsAReadingOrAScanWhereverTheFocusIsAndTheWindowGoesOn) {
    std::wstring parent;
    const std::wstring tree = FolderOf300Files(&parent);
    SlowReadingClock clock;
    RunWithMainWindow((L"ovrix.exe /below " + tree).c_str(), [&](HWND main) {
        auto stopWithEscape = [&](const wchar_t* stopped) {
            PressEscape(main);
            ASSERT_TRUE(WaitForReading(5000)) << Utf8(LogLines(main).back());
            EXPECT_TRUE(LastLogLineStarts(main, stopped)) << Utf8(LogLines(main).back());
            EXPECT_LT(GroupSizes(RootTexts(main)).back(), 300);
            EXPECT_TRUE(IsWindowVisible(main) && GetFocus() == TreeOf(main));
        };
        ASSERT_TRUE(WaitFor([&] { return LastLogLineStarts(main, L"Reading: ") && !IsWindowEnabled(TreeOf(main)); }));
        stopWithEscape(L"Stopped after ");
        AddEverythingBelow(main);
        ASSERT_TRUE(WaitFor([&] { return LastLogLineStarts(main, L"Scanning: "); }));
        SetFocus(GetDlgItem(main, IDC_LOG));
        stopWithEscape(L"Scan stopped after ");
        // The scan again adds only what the earlier ones did not: each file once.
        int filesRead = -1;   // the folder's own group
        for (int size : GroupSizes(RootTexts(main))) filesRead += size;
        AddEverythingBelow(main);
        ASSERT_TRUE(WaitForReading());
        EXPECT_EQ(GroupSizes(RootTexts(main)), (std::vector<int>{1, 300}));
        const std::wstring added = std::to_wstring(300 - filesRead) + L" paths in 2 groups, ";
        EXPECT_EQ(LogLines(main).back().rfind(added, 0), 0u) << Utf8(LogLines(main).back());
        DropFiles(main, {tree + L"\\f1"});
        EXPECT_EQ(RootTexts(main).size(), 1u);
    }, true);
    RemoveTree(parent);
}

// One reader or many: the same tree. With calls that take 2 s, Esc ends the
// reading at once, though no drop is taken until the readers' calls have
// returned; closing the window waits for them, and none runs afterwards.
TEST(WalkBelow, ManyReadersGiveTheTreeOfOneAndEscOrCloseNeverWaitOnSlowCalls) {
    std::wstring parent;
    const std::wstring tree = MakeTree(&parent);
    const std::wstring commandLine = L"ovrix.exe /below " + tree;
    std::wstring one, many;
    g_readerCount = 1;
    RunWithMainWindow(commandLine.c_str(), [&](HWND main) { one = DumpTree(TreeOf(main)); });
    g_readerCount = kReaders;
    RunWithMainWindow(commandLine.c_str(), [&](HWND main) { many = DumpTree(TreeOf(main)); });
    EXPECT_EQ(many, one);
    EXPECT_NE(one.find(L"(2) "), std::wstring::npos);

    SlowQueries slow;
    RunWithMainWindow(commandLine.c_str(), [&](HWND main) {
        ASSERT_TRUE(WaitFor([&] { return SlowQueries::inFlight > 0 && !IsWindowEnabled(TreeOf(main)); }));
        const DWORD start = GetTickCount();
        PressEscape(main);
        ASSERT_TRUE(WaitFor([&] { return LastLogLineStarts(main, L"Stopped after "); }, 1500));
        EXPECT_LT(GetTickCount() - start, 1000u);
        EXPECT_TRUE(IsWindowEnabled(TreeOf(main)) && SlowQueries::inFlight > 0);
        DropFiles(main, {tree + L"\\a"});
        EXPECT_TRUE(LastLogLineStarts(main, L"busy: drop ignored"));
        ASSERT_TRUE(WaitFor([&] { return !ReadingInProgress(); }, 6000));
        EXPECT_EQ(SlowQueries::inFlight, 0);
    }, true);
    RunWithMainWindow(commandLine.c_str(), [&](HWND main) {
        ASSERT_TRUE(WaitFor([&] { return SlowQueries::inFlight > 0; }));
        SendMessageW(main, WM_CLOSE, 0, 0);
    }, true);
    EXPECT_EQ(SlowQueries::inFlight, 0);
    EXPECT_FALSE(ReadingInProgress());
    RemoveTree(parent);
}

namespace {

// Every file-system call of this program made 1 ms slower, as on a share:
// its import table's entries for them are pointed at wrappers that wait
// first, and put back when the hook goes. Each call's whole duration is
// added up, so the figure is the time the calls take one after another.
struct SlowFileSystem {
    static inline volatile LONG64 calls, callMicroseconds;
    struct Timed {
        LARGE_INTEGER start;
        Timed() { Sleep(1), QueryPerformanceCounter(&start); }
        ~Timed() {
            LARGE_INTEGER end, frequency;
            QueryPerformanceCounter(&end);
            QueryPerformanceFrequency(&frequency);
            // The wait counts as 1 ms: Wine's Sleep(1) may take longer.
            InterlockedAdd64(&callMicroseconds, 1000 + (end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
            InterlockedIncrement64(&calls);
        }
    };
#define OVRIX_SLOW(name, result, params, args)                                      \
    static inline decltype(&::name) name##Real;                                     \
    static result WINAPI name##Slow params {                                        \
        Timed timed;                                                                \
        return name##Real args;                                                     \
    }
    OVRIX_SLOW(CreateFileW, HANDLE, (LPCWSTR a, DWORD b, DWORD c, LPSECURITY_ATTRIBUTES d, DWORD e, DWORD f, HANDLE g),
               (a, b, c, d, e, f, g))
    OVRIX_SLOW(CloseHandle, BOOL, (HANDLE a), (a))
    OVRIX_SLOW(GetFileInformationByHandleEx, BOOL, (HANDLE a, FILE_INFO_BY_HANDLE_CLASS b, LPVOID c, DWORD d),
               (a, b, c, d))
    OVRIX_SLOW(GetFileInformationByHandle, BOOL, (HANDLE a, LPBY_HANDLE_FILE_INFORMATION b), (a, b))
    OVRIX_SLOW(GetKernelObjectSecurity, BOOL, (HANDLE a, SECURITY_INFORMATION b, PSECURITY_DESCRIPTOR c, DWORD d,
               LPDWORD e), (a, b, c, d, e))
    OVRIX_SLOW(GetFileSecurityW, BOOL, (LPCWSTR a, SECURITY_INFORMATION b, PSECURITY_DESCRIPTOR c, DWORD d, LPDWORD e),
               (a, b, c, d, e))
    OVRIX_SLOW(GetFileAttributesW, DWORD, (LPCWSTR a), (a))
    OVRIX_SLOW(FindFirstFileExW, HANDLE, (LPCWSTR a, FINDEX_INFO_LEVELS b, LPVOID c, FINDEX_SEARCH_OPS d, LPVOID e,
               DWORD f), (a, b, c, d, e, f))
    OVRIX_SLOW(FindNextFileW, BOOL, (HANDLE a, LPWIN32_FIND_DATAW b), (a, b))
    OVRIX_SLOW(FindClose, BOOL, (HANDLE a), (a))
#undef OVRIX_SLOW
    struct Hook {
        const char* name;
        void* slow;
        void** real;
    };
    std::vector<Hook> hooks = {
#define OVRIX_HOOK(name) {#name, (void*)name##Slow, (void**)&name##Real}
        OVRIX_HOOK(CreateFileW), OVRIX_HOOK(CloseHandle), OVRIX_HOOK(GetFileInformationByHandleEx),
        OVRIX_HOOK(GetFileInformationByHandle), OVRIX_HOOK(GetKernelObjectSecurity), OVRIX_HOOK(GetFileSecurityW),
        OVRIX_HOOK(GetFileAttributesW), OVRIX_HOOK(FindFirstFileExW), OVRIX_HOOK(FindNextFileW), OVRIX_HOOK(FindClose)
#undef OVRIX_HOOK
    };
    std::vector<std::pair<void**, void*>> patched;   // import table entry, its first value

    // Points every import table entry named by a hook at its wrapper.
    SlowFileSystem() {
        BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
        auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
        const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
        for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); d->Name; d++) {
            auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->OriginalFirstThunk);
            auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
            for (; names->u1.AddressOfData; names++, entries++) {
                if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
                const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
                for (const Hook& h : hooks) {
                    if (strcmp(h.name, name) != 0) continue;
                    void** entry = reinterpret_cast<void**>(&entries->u1.Function);
                    *h.real = *entry;
                    Write(entry, h.slow);
                    patched.push_back({entry, *h.real});
                }
            }
        }
    }
    ~SlowFileSystem() {
        for (auto& p : patched) Write(p.first, p.second);
    }
    static void Write(void** entry, void* value) {
        DWORD protection;
        VirtualProtect(entry, sizeof(void*), PAGE_READWRITE, &protection);
        InterlockedExchangePointer(entry, value);
        VirtualProtect(entry, sizeof(void*), protection, &protection);
    }
};

// The tree after "Add everything below" on the folder, and how long the
// scan took.
std::vector<std::wstring> ScanBelow(const std::wstring& folder, double* seconds) {
    std::vector<std::wstring> roots;
    RunWithMainWindow((L"ovrix.exe " + folder).c_str(), [&](HWND main) {
        SlowFileSystem::calls = SlowFileSystem::callMicroseconds = 0;
        const ULONGLONG start = GetTickCount64();
        AddEverythingBelow(main);
        EXPECT_TRUE(WaitForReading(600000));
        *seconds = (GetTickCount64() - start) / 1e3;
        roots = RootTexts(main);
    });
    return roots;
}

}  // namespace

// "Add everything below" over 2,000 files in 40 folders with every
// file-system call 1 ms slower, against the time those calls take one after
// another. Not a timed test: disabled in normal runs; bench/slow_walk_wine.sh
// runs it and prints the figures.
TEST(WalkBelow, DISABLED_SlowFileSystemBenchmark) {
    const std::wstring parent = NewTempFolder();
    const std::wstring tree = parent + L"\\t";
    CreateDirectoryW(tree.c_str(), nullptr);
    ASSERT_TRUE(RunUnixShell(tree, "for d in $(seq 40); do mkdir d$d; "
                                   "case $((d % 3)) in 0) chmod 700 d$d;; 1) chmod 750 d$d;; esac; "
                                   "for f in $(seq 50); do echo x > d$d/f$f; done; chmod 640 d$d/f1; done"));
    double plain = 0, slow = 0;
    const std::vector<std::wstring> expected = ScanBelow(tree, &plain);
    std::vector<std::wstring> roots;
    {
        SlowFileSystem hook;
        ASSERT_GE(hook.patched.size(), 8u);
        roots = ScanBelow(tree, &slow);
    }
    const double serial = SlowFileSystem::callMicroseconds / 1e6;
    printf("2,000 files in 40 folders: %.2f s without the delay; with 1 ms per call %.2f s for %lld calls that take "
           "%.2f s one after another: %.2f of it, %s groups\n",
           plain, slow, (long long)SlowFileSystem::calls, serial, slow / serial,
           roots == expected ? "same" : "DIFFERENT");
    EXPECT_EQ(roots, expected);
    RemoveTree(parent);
}
