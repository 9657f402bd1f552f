// The scripted stand-in command for Windows tests: installed into the system
// folder under any name, configured through this process's environment,
// which the children inherit.
#pragma once
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/win32/testbed.h"

inline std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH] = {};
    return std::wstring(folder, GetSystemDirectoryW(folder, MAX_PATH));
}

// Copies the built standin.exe to <system folder>\<name>.exe.
inline bool InstallStandin(const wchar_t* name) {
    return CopyFileW((ExeDirectory() + L"standin.exe").c_str(), (SystemFolder() + L"\\" + name + L".exe").c_str(), 0);
}

// Sets the stand-in's variables for the length of a scope; they are unset
// again afterwards (the test program itself never sets them).
struct ScopedEnvironment {
    std::vector<std::wstring> names;
    ~ScopedEnvironment() { for (const std::wstring& name : names) SetEnvironmentVariableW(name.c_str(), nullptr); }
    void Set(const wchar_t* name, const std::wstring& value) {
        names.push_back(name);
        SetEnvironmentVariableW(name, value.c_str());
    }
};

inline std::string ReadFileBytes(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}
