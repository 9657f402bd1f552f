// Stand-in for icacls.exe and takeown.exe (and any other command the tests
// run), scripted through its environment, which it inherits from the
// program under test:
//   OVRIX_STANDIN_LOG       file to which each run appends its command line (UTF-8) and "\n"
//   OVRIX_STANDIN_EXIT      comma-separated exit codes; run k (k = lines already in the
//                           log file) takes element k, the last one repeats; default 0
//   OVRIX_STANDIN_STDOUT    text printed to standard output (ANSI code page)
//   OVRIX_STANDIN_REPEAT    how many times the standard output text is printed; default 1
//   OVRIX_STANDIN_STDERR    text printed to standard error after that
//   OVRIX_STANDIN_SLEEP_MS  pause before exiting
#include <windows.h>

#include <string>

namespace {

std::wstring Env(const wchar_t* name) {
    DWORD n = GetEnvironmentVariableW(name, nullptr, 0);
    if (n == 0) return std::wstring();
    std::wstring value(n, L'\0');
    n = GetEnvironmentVariableW(name, &value[0], n);
    value.resize(n);
    return value;
}

std::string Encode(const std::wstring& text, UINT codePage) {
    if (text.empty()) return std::string();
    int n = WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), &out[0], n, nullptr, nullptr);
    return out;
}

long long Number(const std::wstring& text, long long fallback) {
    size_t i = 0;
    while (i < text.size() && text[i] == L' ') i++;
    bool negative = i < text.size() && text[i] == L'-';
    if (negative) i++;
    if (i >= text.size() || text[i] < L'0' || text[i] > L'9') return fallback;
    long long value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; i++)
        value = value * 10 + (text[i] - L'0');
    return negative ? -value : value;
}

// Appends this run's command line; returns the run's index (lines before it).
size_t RecordRun(const std::wstring& logPath) {
    if (logPath.empty()) return 0;
    HANDLE file = CreateFileW(logPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    size_t lines = 0;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        for (DWORD i = 0; i < got; i++) lines += buffer[i] == '\n';
    std::string line = Encode(GetCommandLineW(), CP_UTF8) + "\n";
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, line.data(), (DWORD)line.size(), &written, nullptr);
    CloseHandle(file);
    return lines;
}

DWORD ExitCodeOfRun(const std::wstring& codes, size_t run) {
    size_t start = 0;
    for (size_t k = 0;; k++) {
        size_t comma = codes.find(L',', start);
        if (k == run || comma == std::wstring::npos)
            return (DWORD)Number(codes.substr(start, comma == std::wstring::npos ? comma : comma - start), 0);
        start = comma + 1;
    }
}

void WriteAll(HANDLE handle, const char* data, size_t size) {
    while (size > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, data, (DWORD)size, &written, nullptr) || written == 0) return;
        data += written;
        size -= written;
    }
}

// Writes text `repeat` times, in blocks of many copies so that even one-byte
// texts print quickly.
void Print(HANDLE handle, const std::string& text, long long repeat) {
    if (text.empty() || repeat <= 0) return;
    long long perBlock = text.size() >= 65536 ? 1 : (long long)(65536 / text.size());
    std::string block;
    for (long long i = 0; i < perBlock && i < repeat; i++) block += text;
    for (; repeat >= perBlock; repeat -= perBlock) WriteAll(handle, block.data(), block.size());
    if (repeat > 0) WriteAll(handle, block.data(), (size_t)repeat * text.size());
}

}  // namespace

int wmain() {
    size_t run = RecordRun(Env(L"OVRIX_STANDIN_LOG"));
    Print(GetStdHandle(STD_OUTPUT_HANDLE), Encode(Env(L"OVRIX_STANDIN_STDOUT"), CP_ACP),
          Number(Env(L"OVRIX_STANDIN_REPEAT"), 1));
    Print(GetStdHandle(STD_ERROR_HANDLE), Encode(Env(L"OVRIX_STANDIN_STDERR"), CP_ACP), 1);
    long long sleepMs = Number(Env(L"OVRIX_STANDIN_SLEEP_MS"), 0);
    if (sleepMs > 0) Sleep((DWORD)sleepMs);
    return (int)ExitCodeOfRun(Env(L"OVRIX_STANDIN_EXIT"), run);
}
