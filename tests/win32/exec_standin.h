// The scripted stand-in command for Windows tests: installed into the system
// folder under any name, configured through this process's environment,
// which the children inherit.
#pragma once
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "tests/win32/testbed.h"

// Copies the built standin.exe to <system folder>\<name>.exe.
inline bool InstallStandin(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    std::wstring target = std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH)) + L"\\" + name + L".exe";
    return CopyFileW((ExeDirectory() + L"standin.exe").c_str(), target.c_str(), 0);
}

// Sets the stand-in's variables for the length of a scope; all of them are
// unset again afterwards (the test program itself never sets them).
struct ScopedEnvironment {
    ~ScopedEnvironment() {
        for (const wchar_t* name : {L"LOG", L"EXIT", L"STDOUT", L"REPEAT", L"STDERR", L"SLEEP_MS", L"READ_INPUT", L"SPAWN", L"COPY"})
            SetEnvironmentVariableW((std::wstring(L"OVRIX_STANDIN_") + name).c_str(), nullptr);
    }
    void Set(const wchar_t* name, const std::wstring& value) { SetEnvironmentVariableW(name, value.c_str()); }
};

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
