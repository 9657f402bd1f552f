// Output speed of the command runner: a stand-in printing 1 MiB, run through
// RunCommand in the main dialog, against the stand-in alone. Not a timed
// test: disabled in normal runs; bench/runner_output_wine.sh runs it and
// prints the figures.
#include <gtest/gtest.h>

#include <stdio.h>

#include <string>

#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "exec/runner_win32.h"
#include "tests/win32/exec_standin.h"
#include "tests/win32/testbed.h"

namespace {

const int kLineBytes = 1024;
const int kLines = 1024;

double Seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return (double)now.QuadPart / (double)frequency.QuadPart;
}

// The stand-in on its own, its output going to the null device.
double StandinAloneSeconds() {
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE null = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                              0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = null;
    startup.hStdOutput = null;
    startup.hStdError = null;
    std::wstring program = SystemFolder() + L"\\ovrix_standin.exe";
    std::wstring line = L"ovrix_standin alone";
    PROCESS_INFORMATION info = {};
    double start = Seconds();
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, TRUE, CREATE_DEFAULT_ERROR_MODE, nullptr,
                        nullptr, &startup, &info)) {
        CloseHandle(null);
        return -1;
    }
    WaitForSingleObject(info.hProcess, INFINITE);
    double seconds = Seconds() - start;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    CloseHandle(null);
    return seconds;
}

}  // namespace

TEST(RunnerOutputSpeed, DISABLED_OneMebibyteOfOutput) {
    ASSERT_TRUE(InstallStandin(L"ovrix_standin"));
    ScopedEnvironment env;
    env.Set(L"OVRIX_STANDIN_STDOUT", std::wstring(kLineBytes - 2, L'x') + L"\r\n");
    env.Set(L"OVRIX_STANDIN_REPEAT", std::to_wstring(kLines));

    double alone = StandinAloneSeconds();
    ASSERT_GE(alone, 0.0);
    double runner = 0;
    size_t logged = 0;
    bool ok = false;
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        SetWindowTextW(GetDlgItem(main, kLogId), L"");
        std::wstring line = L"ovrix_standin bench";
        double start = Seconds();
        ok = RunCommand(main, U(&line[0]));
        runner = Seconds() - start;
        logged = LogText(main).size();
    });
    EXPECT_TRUE(ok);
    double bytes = (double)kLineBytes * kLines;
    // What a 300 ms wait after every 1022-byte chunk would cost at least.
    double waitingAfterReads = bytes / 1022.0 * 0.3;
    printf("output: %.0f bytes\n", bytes);
    printf("stand-in alone:     %8.3f s\n", alone);
    printf("through RunCommand: %8.3f s (%.1f KB/s; the log pane kept %zu characters)\n", runner,
           bytes / runner / 1e3, logged);
    printf("waiting 300 ms after each chunk would add about %.0f s\n", waitingAfterReads);
}
