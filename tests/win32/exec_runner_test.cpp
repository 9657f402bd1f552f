// The command runner with the stand-in command, inside the real main dialog.
#include <gtest/gtest.h>
#include <windows.h>
#include <stdio.h>
#include <tlhelp32.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "exec/log_pane_win32.h"
#include "exec/runner_win32.h"
#include "resources/resource_ids.h"
#include "tests/win32/exec_standin.h"

namespace {

std::vector<std::wstring> g_warnings;
int ObserveWarning(HWND, const char16_t* message, UINT) {
    g_warnings.push_back(W(message));
    return IDOK;
}

HWND Log(HWND main) { return GetDlgItem(main, IDC_LOG); }
// 0: the window enabled and the log writable; 3: the window disabled and the log read-only.
int Locks(HWND main) { return !IsWindowEnabled(main) + ((GetWindowLongW(Log(main), GWL_STYLE) & ES_READONLY) ? 2 : 0); }

// Runs a command line (a writable copy), the log emptied first unless keepLog; the log afterwards.
std::wstring RunLogged(HWND main, std::wstring commandLine, bool expected, bool keepLog = false) {
    if (!keepLog) SetWindowTextW(Log(main), L"");
    EXPECT_EQ(RunCommand(main, U(&commandLine[0])), expected) << Utf8(commandLine);
    return LogText(main);
}

// Observes warnings instead of a blocking box; the stand-in, also as icacls
// and takeown, and a fresh log of its runs for every test.
struct RunCommandTest : testing::Test {
    void SetUp() override {
        g_warnings.clear();
        SetMessagePresenter(ObserveWarning);
        ASSERT_TRUE(InstallStandin(L"ovrix_standin") && InstallStandin(L"icacls") && InstallStandin(L"takeown"));
        env_.Set(L"OVRIX_STANDIN_LOG", folder_ + L"\\runs.txt");
    }
    void TearDown() override {
        SetMessagePresenter(nullptr);
        RemoveTree(folder_);
    }

    std::wstring folder_ = NewTempFolder();
    ScopedEnvironment env_;
};

// Counts the main window's switches to disabled.
WNDPROC g_mainProc;
int g_disables;
LRESULT CALLBACK CountDisables(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    g_disables += message == WM_ENABLE && !wParam;
    return CallWindowProcW(g_mainProc, window, message, wParam, lParam);
}

// Looks at the main window once while a child runs (timers fire only where
// messages are pumped), and posts a quit message that the run must keep for
// the loop outside.
int g_locksInRun;
void CALLBACK ProbeRun(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    g_locksInRun = Locks(FindWindowW(L"ovrix", nullptr));
    PostQuitMessage(7);
}

}  // namespace

TEST_F(RunCommandTest, ExitCodeDecidesAllOutputStandsInOrderAndTheWindowIsLockedOnlyMeanwhile) {
    // Over 64 KiB: two copies of the standard output text, then standard
    // error, written right before the child exits (and still in the pipe
    // when it has ended).
    std::wstring out, err;
    for (int i = 0; i < 1000; i++)
        (i < 800 ? out : err) += std::to_wstring(10000 + i) + L" line of the stand-in's output\r\n";
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,5");
    env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"1500");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        SetTimer(nullptr, 0, 25, ProbeRun);
        EXPECT_EQ(RunLogged(main, L"icacls \"C:\\a b\" /reset", true), L"icacls \"C:\\a b\" /reset\r\n\r\n");
        // The probe ran inside the run, where messages kept flowing.
        EXPECT_EQ(std::make_pair(g_locksInRun, Locks(main)), std::make_pair(3, 0));
        // A quit taken by the run is posted again; taken here, so that the test's own loop goes on.
        MSG quit;
        EXPECT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && quit.wParam == 7);
        env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"0");
        env_.Set(L"OVRIX_STANDIN_STDOUT", out);
        env_.Set(L"OVRIX_STANDIN_REPEAT", L"2");
        env_.Set(L"OVRIX_STANDIN_STDERR", err);
        std::wstring expected = L"takeown.exe /F x\r\n" + out + out + err + L"\r\n";
        EXPECT_TRUE(expected.size() > 65536 && RunLogged(main, L"takeown.exe /F x", false) == expected);
    });
    // icacls and takeown ran from the system folder by their bare names and
    // got the command lines as composed, not the resolved paths.
    EXPECT_EQ(ReadFileBytes(folder_ + L"\\runs.txt"), "icacls \"C:\\a b\" /reset\ntakeown.exe /F x\n");
    EXPECT_TRUE(g_warnings.empty());
}

TEST_F(RunCommandTest, ProgramsOutsideTheSystemFolderNeverRunAndNeverLockTheWindow) {
    // standin.exe lies beside the test program and a planted copy in the
    // current folder; neither is in the system folder.
    std::wstring planted = folder_ + L"\\ovrix_planted.exe";
    ASSERT_TRUE(CopyFileW((ExeDirectory() + L"standin.exe").c_str(), planted.c_str(), FALSE));
    SetCurrentDirectoryW(folder_.c_str());
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        g_mainProc = (WNDPROC)SetWindowLongPtrW(main, GWLP_WNDPROC, (LONG_PTR)CountDisables);
        for (std::wstring line : {L"ovrix_no_such_program /T", L"standin /T", L"ovrix_planted.exe /T"})
            EXPECT_EQ(RunLogged(main, line, false), line + L"\r\n");
        EXPECT_EQ(std::make_pair(g_disables, Locks(main)), std::make_pair(0, 0));
        // Named by its path, a program runs as named.
        RunLogged(main, L"\"" + planted + L"\" /T", true);
    });
    SetCurrentDirectoryW(ExeDirectory().c_str());
    EXPECT_EQ(g_warnings, std::vector<std::wstring>(3, L"run exe error (code:2)"));
    EXPECT_EQ(ReadFileBytes(folder_ + L"\\runs.txt"), "\"" + Utf8(planted) + "\" /T\n");
}

TEST_F(RunCommandTest, OutputKeepsAllTheLogHoldsInWholeLinesAndOnlyMoreLosesItsStart) {
    std::wstring lines;
    for (int i = 0; i < 20; i++) lines += std::to_wstring(100 + i) + std::wstring(45, L'.') + L"\r\n";
    env_.Set(L"OVRIX_STANDIN_STDOUT", lines);
    env_.Set(L"OVRIX_STANDIN_STDERR", L"Failed processing 3 files");
    const std::wstring mark = L"(earlier lines removed)\r\n";
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        // 100,000 characters at once fit; 200,000 keep their newest whole lines that fit.
        for (int repeat : {100, 200}) {
            env_.Set(L"OVRIX_STANDIN_REPEAT", std::to_wstring(repeat));
            std::wstring full = L"icacls big\r\n";
            for (int i = 0; i < repeat; i++) full += lines;
            full += L"Failed processing 3 files\r\n";
            std::wstring log = RunLogged(main, L"icacls big", true);
            if (repeat == 100) {
                EXPECT_TRUE(log == full) << log.size() << " of " << full.size();
                continue;
            }
            ASSERT_EQ(log.rfind(mark, 0), 0u) << Utf8(log.substr(0, 100));
            std::wstring rest = log.substr(mark.size());
            EXPECT_LE(log.size(), (size_t)kLogLimit);
            EXPECT_GT(rest.size(), (size_t)kLogLimit - 100);
            EXPECT_TRUE(full.compare(full.size() - rest.size(), rest.size(), rest) == 0 &&
                        full[full.size() - rest.size() - 1] == L'\n')
                << "the log holds the output's end from a line start";
        }
        // The next command line starts a line of its own.
        env_.Set(L"OVRIX_STANDIN_REPEAT", L"0");
        env_.Set(L"OVRIX_STANDIN_STDERR", L"");
        std::wstring log = RunLogged(main, L"ovrix_standin", true, true);
        const std::wstring end = L"Failed processing 3 files\r\novrix_standin\r\n\r\n";
        EXPECT_EQ(log.substr(log.size() - end.size()), end);
    });
}

TEST_F(RunCommandTest, LogOfAtLeast65536CharactersLosesItsFirstHalfOfLines) {
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        // Lines must not wrap for the line count to be the text's: a very
        // wide pane with a tiny font.
        HFONT tiny = CreateFontW(-2, 1, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        SendMessageW(Log(main), WM_SETFONT, (WPARAM)tiny, FALSE);
        MoveWindow(Log(main), 0, 0, 30000, 200, FALSE);
        for (size_t total : {65536u, 65535u}) {
            // Nine lines "1....", "2....", the last one taking the rest.
            std::wstring text = L"1" + std::wstring(7270, L'.');
            for (int i = 2; i <= 9; i++) text += L"\r\n" + std::to_wstring(i) + std::wstring(7270, L'.');
            text.resize(total, L'.');
            SetWindowTextW(Log(main), text.c_str());
            std::wstring kept = total == 65536 ? L"(earlier lines removed)\r\n" + text.substr(4 * 7273) : text;
            EXPECT_TRUE(RunLogged(main, L"ovrix_standin", true, true) == kept + L"ovrix_standin\r\n\r\n") << total;
        }
    });
}

// The stand-ins running now, the command's own and those it started.
int RunningStandins() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {sizeof entry};
    int n = 0;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry))
        n += _wcsicmp(entry.szExeFile, L"ovrix_standin.exe") == 0;
    CloseHandle(snapshot);
    return n;
}

// The question "End the running command?" answered No, then Yes; the
// window it was asked over and the stand-ins running at each answer.
std::vector<std::pair<HWND, int>> g_asked;
int AnswerNoThenYes(HWND owner, const char16_t* message, UINT type) {
    EXPECT_EQ(std::wstring(W(message)), L"End the running command?");
    EXPECT_EQ(type & MB_TYPEMASK, (UINT)MB_YESNO);
    g_asked.push_back({owner, RunningStandins()});
    return g_asked.size() == 1 ? IDNO : IDYES;
}

// Once the command and the copy it started run: a close asked for, then
// Esc pressed as the user presses it.
void CALLBACK CloseThenEsc(HWND, UINT, UINT_PTR timer, DWORD) {
    if (RunningStandins() < 2) return;
    KillTimer(nullptr, timer);
    HWND main = FindWindowW(L"ovrix", nullptr);
    SendMessageW(main, WM_CLOSE, 0, 0);
    keybd_event(VK_ESCAPE, 0, 0, 0);
    keybd_event(VK_ESCAPE, 0, KEYEVENTF_KEYUP, 0);
}

TEST_F(RunCommandTest, ACommandNeverWaitsForInputAndAnEndlessOneEndsWithAllItStartedOnlyOnYes) {
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        // Input from a pipe nobody writes to would never end.
        env_.Set(L"OVRIX_STANDIN_READ_INPUT", L"1");
        RunLogged(main, L"ovrix_standin asks", true);
        env_.Set(L"OVRIX_STANDIN_READ_INPUT", L"");
        env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"600000");
        env_.Set(L"OVRIX_STANDIN_SPAWN", L"started");
        g_asked.clear();
        SetMessagePresenter(AnswerNoThenYes);
        SetForegroundWindow(main);
        SetTimer(nullptr, 0, 50, CloseThenEsc);
        const ULONGLONG start = GetTickCount64();
        RunLogged(main, L"ovrix_standin endless", false);
        EXPECT_LT(GetTickCount64() - start, 60000u);
        EXPECT_TRUE(WaitFor([] { return RunningStandins() == 0; }, 5000)) << RunningStandins();
        // No kept both running and the window; Yes came back with the window enabled.
        EXPECT_EQ(g_asked, (std::vector<std::pair<HWND, int>>{{main, 2}, {main, 2}}));
        EXPECT_TRUE(IsWindowVisible(main) && Locks(main) == 0);
    });
    EXPECT_EQ(ReadFileBytes(folder_ + L"\\runs.txt").rfind("ovrix_standin asks\novrix_standin endless\n", 0), 0u);
}

// Output speed: a stand-in printing 1 MiB and 10 MiB through RunCommand,
// against the stand-in alone writing to the null device (started by the
// command interpreter, whose own start is in that figure). Not a timed test:
// disabled in normal runs; bench/runner_output_wine.sh runs it and prints
// the figures.
TEST_F(RunCommandTest, DISABLED_OutputBenchmark) {
    env_.Set(L"OVRIX_STANDIN_STDOUT", std::wstring(1022, L'x') + L"\r\n");
    for (int mebibytes : {1, 10}) {
        env_.Set(L"OVRIX_STANDIN_REPEAT", std::to_wstring(1024 * mebibytes));
        ULONGLONG start = GetTickCount64(), runner = 0;
        EXPECT_EQ(_wsystem(L"ovrix_standin alone >NUL"), 0);
        ULONGLONG aloneMs = GetTickCount64() - start;
        RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
            start = GetTickCount64();
            RunLogged(main, L"ovrix_standin bench", true);
            runner = GetTickCount64() - start;
        });
        printf("%d MiB of output: stand-in alone %.3f s, through RunCommand %.3f s\n", mebibytes, aloneMs / 1e3,
               runner / 1e3);
    }
}
