// The command runner with the stand-in command, inside the real main dialog.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "exec/runner_win32.h"
#include "tests/win32/exec_standin.h"
#include "tests/win32/testbed.h"

namespace {

const wchar_t kStandin[] = L"ovrix_standin";

std::vector<std::wstring> g_warnings;
void ObserveWarning(const char16_t* message) { g_warnings.push_back(W(message)); }

// Observes warnings instead of a blocking box, and gives every test a fresh
// stand-in log file.
class RunCommandTest : public testing::Test {
protected:
    void SetUp() override {
        g_warnings.clear();
        previousPresenter_ = SetWarningPresenter(ObserveWarning);
        ASSERT_TRUE(InstallStandin(kStandin));
        folder_ = NewTempFolder();
        ASSERT_FALSE(folder_.empty());
        standinLog_ = folder_ + L"\\runs.txt";
        env_.Set(L"OVRIX_STANDIN_LOG", standinLog_);
    }
    void TearDown() override {
        SetWarningPresenter(previousPresenter_);
        RemoveTree(folder_);
    }

    // RunCommand on a writable copy of the command line.
    bool Run(HWND main, const std::wstring& commandLine) {
        std::wstring line = commandLine;
        return RunCommand(main, U(&line[0]));
    }
    std::string StandinRuns() { return ReadFileBytes(standinLog_); }

    WarningPresenter previousPresenter_ = nullptr;
    std::wstring folder_;
    std::wstring standinLog_;
    ScopedEnvironment env_;
};

HWND Log(HWND main) { return GetDlgItem(main, kLogId); }
bool IsReadOnly(HWND edit) { return (GetWindowLongW(edit, GWL_STYLE) & ES_READONLY) != 0; }

// Counts the main window's switches to disabled.
WNDPROC g_mainProc;
int g_disables;
LRESULT CALLBACK CountDisables(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ENABLE && !wParam) g_disables++;
    return CallWindowProcW(g_mainProc, window, message, wParam, lParam);
}

// Looks at the window while a child runs, once the child's first output is in the log.
struct RunProbe {
    HWND main;
    bool seen;
    bool enabled;
    bool readOnly;
};
RunProbe g_probe;
void CALLBACK ProbeRun(HWND, UINT, UINT_PTR, DWORD) {
    if (g_probe.seen || LogText(g_probe.main).find(L"started") == std::wstring::npos) return;
    g_probe.seen = true;
    g_probe.enabled = IsWindowEnabled(g_probe.main) != FALSE;
    g_probe.readOnly = IsReadOnly(Log(g_probe.main));
}

std::wstring NumberedLines(const wchar_t* tag, int count) {
    std::wstring text;
    for (int i = 0; i < count; i++) {
        wchar_t line[64];
        wsprintfW(line, L"%s line %05d of the stand-in's output\r\n", tag, i);
        text += line;
    }
    return text;
}

}  // namespace

TEST_F(RunCommandTest, ExitCodeDecidesAndTheOutputStandsBetweenCommandLineAndEmptyLine) {
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,5");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        SetWindowTextW(Log(main), L"");
        EXPECT_TRUE(Run(main, L"ovrix_standin /quiet \"C:\\a b\""));
        EXPECT_EQ(LogText(main), L"ovrix_standin /quiet \"C:\\a b\"\r\n\r\n");

        env_.Set(L"OVRIX_STANDIN_STDOUT", L"processed file: x\r\n");
        env_.Set(L"OVRIX_STANDIN_STDERR", L"x: Access is denied.\r\n");
        SetWindowTextW(Log(main), L"");
        EXPECT_FALSE(Run(main, L"ovrix_standin x /grant:r y:(F)"));
        EXPECT_EQ(LogText(main),
                  L"ovrix_standin x /grant:r y:(F)\r\nprocessed file: x\r\nx: Access is denied.\r\n\r\n");
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_FALSE(IsReadOnly(Log(main)));
    });
    // The child got the command line as composed, not the resolved path.
    EXPECT_EQ(StandinRuns(), "ovrix_standin /quiet \"C:\\a b\"\novrix_standin x /grant:r y:(F)\n");
    EXPECT_TRUE(g_warnings.empty());
}

TEST_F(RunCommandTest, MissingProgramWarnsNotFoundAndNeverLocksTheWindow) {
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        g_disables = 0;
        g_mainProc = (WNDPROC)SetWindowLongPtrW(main, GWLP_WNDPROC, (LONG_PTR)CountDisables);
        SetWindowTextW(Log(main), L"");
        EXPECT_FALSE(Run(main, L"ovrix_no_such_program /T"));
        EXPECT_EQ(LogText(main), L"ovrix_no_such_program /T\r\n");
        SetWindowLongPtrW(main, GWLP_WNDPROC, (LONG_PTR)g_mainProc);
        EXPECT_EQ(g_disables, 0);
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_FALSE(IsReadOnly(Log(main)));
    });
    EXPECT_EQ(g_warnings, std::vector<std::wstring>{L"run exe error (code:2)"});
}

TEST_F(RunCommandTest, ProgramsBesideTheExecutableOrInTheCurrentFolderAreNeverRun) {
    // standin.exe lies beside the test program; a planted copy goes into the
    // current folder. Neither is in the system folder, so neither may run.
    std::wstring planted = folder_ + L"\\ovrix_planted.exe";
    ASSERT_TRUE(CopyFileW((ExeDirectory() + L"standin.exe").c_str(), planted.c_str(), FALSE));
    DeleteFileW((SystemFolder() + L"\\standin.exe").c_str());
    DeleteFileW((SystemFolder() + L"\\ovrix_planted.exe").c_str());
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    SetCurrentDirectoryW(folder_.c_str());
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        EXPECT_FALSE(Run(main, L"standin /T"));
        EXPECT_FALSE(Run(main, L"ovrix_planted.exe /T"));
        // Named by its path, a program runs as named.
        EXPECT_TRUE(Run(main, L"\"" + planted + L"\" /T"));
    });
    SetCurrentDirectoryW(previous);
    EXPECT_EQ(g_warnings, (std::vector<std::wstring>{L"run exe error (code:2)", L"run exe error (code:2)"}));
    EXPECT_EQ(StandinRuns(), "\"" + Utf8(planted) + "\" /T\n");
}

TEST_F(RunCommandTest, LargeAndLastMomentOutputArrivesWholeAndInOrder) {
    // Over 64 KiB: two copies of the standard output text, then standard
    // error, written right before the child exits.
    std::wstring out = NumberedLines(L"out", 700);
    std::wstring err = NumberedLines(L"err", 300);
    env_.Set(L"OVRIX_STANDIN_STDOUT", out);
    env_.Set(L"OVRIX_STANDIN_REPEAT", L"2");
    env_.Set(L"OVRIX_STANDIN_STDERR", err);
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        SetWindowTextW(Log(main), L"");
        EXPECT_TRUE(Run(main, L"ovrix_standin big"));
        std::wstring expected = L"ovrix_standin big\r\n" + out + out + err + L"\r\n";
        ASSERT_GT(expected.size(), 65536u);
        EXPECT_TRUE(LogText(main) == expected) << "log has " << LogText(main).size() << " of " << expected.size();

        // A few chunks' worth that is all in the pipe when the child ends.
        std::wstring small = NumberedLines(L"end", 80);
        env_.Set(L"OVRIX_STANDIN_STDOUT", small);
        env_.Set(L"OVRIX_STANDIN_REPEAT", L"1");
        env_.Set(L"OVRIX_STANDIN_STDERR", L"");
        env_.Set(L"OVRIX_STANDIN_EXIT", L"3");
        SetWindowTextW(Log(main), L"");
        EXPECT_FALSE(Run(main, L"ovrix_standin small"));
        EXPECT_TRUE(LogText(main) == L"ovrix_standin small\r\n" + small + L"\r\n") << Utf8(LogText(main));
    });
}

TEST_F(RunCommandTest, WindowIsDisabledAndLogReadOnlyOnlyWhileTheChildRuns) {
    env_.Set(L"OVRIX_STANDIN_STDOUT", L"started\r\n");
    env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"1500");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        g_probe = RunProbe{main, false, true, false};
        UINT_PTR timer = SetTimer(nullptr, 0, 25, ProbeRun);
        EXPECT_TRUE(Run(main, L"ovrix_standin slow"));
        KillTimer(nullptr, timer);
        // The probe ran inside the run: messages kept flowing.
        EXPECT_TRUE(g_probe.seen);
        EXPECT_FALSE(g_probe.enabled);
        EXPECT_TRUE(g_probe.readOnly);
        EXPECT_TRUE(IsWindowEnabled(main));
        EXPECT_FALSE(IsReadOnly(Log(main)));
    });
}

TEST_F(RunCommandTest, LogOfAtLeast65536CharactersLosesItsFirstHalfOfLines) {
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        HWND log = Log(main);
        // Lines must not wrap for the line count to be the text's: a very
        // wide pane with a tiny font.
        HFONT tiny = CreateFontW(-2, 1, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
        SendMessageW(log, WM_SETFONT, (WPARAM)tiny, FALSE);
        MoveWindow(log, 0, 0, 30000, 200, FALSE);
        for (size_t total : {65536u, 65535u}) {
            std::vector<std::wstring> lines;
            for (int i = 1; i <= 9; i++) lines.push_back(std::wstring(1, L'0' + i) + L":");
            size_t body = (total - 8 * 2) / 9;   // nine lines, eight line breaks
            std::wstring text;
            for (int i = 0; i < 9; i++) {
                lines[i].resize(i == 8 ? total - 16 - 8 * body : body, L'.');
                text += lines[i] + (i < 8 ? L"\r\n" : L"");
            }
            ASSERT_EQ(text.size(), total);
            SetWindowTextW(log, text.c_str());
            ASSERT_EQ(SendMessageW(log, EM_GETLINECOUNT, 0, 0), 9) << "lines wrap";
            EXPECT_TRUE(Run(main, L"ovrix_standin"));
            std::wstring kept = total == 65536 ? text.substr(4 * (body + 2)) : text;
            EXPECT_TRUE(LogText(main) == kept + L"ovrix_standin\r\n\r\n") << total << " characters: log starts with "
                                                                          << Utf8(LogText(main).substr(0, 3));
        }
        SendMessageW(log, WM_SETFONT, 0, FALSE);
        DeleteObject(tiny);
    });
}

namespace {
void CALLBACK PostQuitOnce(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    PostQuitMessage(7);
}
}  // namespace

TEST_F(RunCommandTest, QuitPostedDuringARunIsKeptForTheLoopOutside) {
    env_.Set(L"OVRIX_STANDIN_SLEEP_MS", L"400");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        SetTimer(nullptr, 0, 20, PostQuitOnce);
        EXPECT_TRUE(Run(main, L"ovrix_standin"));
        MSG quit;
        // Taken here, so that the test's own dialog loop goes on.
        ASSERT_TRUE(PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(quit.wParam, 7u);
    });
}

TEST_F(RunCommandTest, IcaclsAndTakeownRunFromTheSystemFolderByTheirBareNames) {
    ASSERT_TRUE(InstallStandin(L"icacls"));
    ASSERT_TRUE(InstallStandin(L"takeown"));
    env_.Set(L"OVRIX_STANDIN_EXIT", L"0,0,1");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        EXPECT_TRUE(Run(main, L"icacls \"C:\\x y\" /setintegritylevel (OI)(CI)L"));
        EXPECT_TRUE(Run(main, L"takeown /F \"C:\\x y\""));
        EXPECT_FALSE(Run(main, L"icacls.exe \"C:\\x y\" /reset"));
    });
    EXPECT_EQ(StandinRuns(), "icacls \"C:\\x y\" /setintegritylevel (OI)(CI)L\n"
                             "takeown /F \"C:\\x y\"\n"
                             "icacls.exe \"C:\\x y\" /reset\n");
    EXPECT_TRUE(g_warnings.empty());
}
