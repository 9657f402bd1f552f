// The scripted stand-in command for Windows tests: installed into the system
// folder under any name, configured through this process's environment,
// which the children inherit.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "tests/win32/testbed.h"

inline std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    return std::wstring(folder, n < MAX_PATH ? n : 0);
}

// Copies the built standin.exe to <system folder>\<name>.exe.
inline bool InstallStandin(const wchar_t* name) {
    std::wstring from = ExeDirectory() + L"standin.exe";
    std::wstring to = SystemFolder() + L"\\" + name + L".exe";
    return CopyFileW(from.c_str(), to.c_str(), FALSE) != FALSE;
}

// Sets environment variables for the length of a scope and puts the old
// values back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment() {
        for (size_t i = saved_.size(); i-- > 0;)
            SetEnvironmentVariableW(saved_[i].name.c_str(), saved_[i].existed ? saved_[i].value.c_str() : nullptr);
    }
    void Set(const wchar_t* name, const std::wstring& value) {
        Saved s{name, L"", false};
        DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
        if (n > 0) {
            s.value.assign(n, L'\0');
            n = GetEnvironmentVariableW(name, &s.value[0], n);
            s.value.resize(n);
            s.existed = true;
        }
        saved_.push_back(s);
        SetEnvironmentVariableW(name, value.c_str());
    }

private:
    struct Saved {
        std::wstring name;
        std::wstring value;
        bool existed;
    };
    std::vector<Saved> saved_;
};

inline std::string ReadFileBytes(const std::wstring& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}
