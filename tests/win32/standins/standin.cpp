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
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

namespace {

std::wstring Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::string Encode(const std::wstring& text, UINT codePage) {
    std::string out(text.size() * 4, '\0');
    out.resize(WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), &out[0], (int)out.size(), 0, 0));
    return out;
}

// Appends this run's command line; returns the run's index (lines before it).
size_t RecordRun(const std::wstring& logPath) {
    FILE* file = logPath.empty() ? nullptr : _wfopen(logPath.c_str(), L"a+b");
    size_t lines = 0;
    for (int c; file && (c = fgetc(file)) != EOF;) lines += c == '\n';
    std::string line = Encode(GetCommandLineW(), CP_UTF8) + "\n";
    if (file && fseek(file, 0, SEEK_END) == 0) fwrite(line.data(), 1, line.size(), file);
    if (file) fclose(file);
    return lines;
}

void Print(DWORD stream, const wchar_t* variable, long repeat) {
    std::string bytes = Encode(Env(variable), CP_ACP);
    DWORD written = 0;
    for (long i = 0; i < repeat && !bytes.empty(); i++)
        WriteFile(GetStdHandle(stream), bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

}  // namespace

int wmain() {
    size_t run = RecordRun(Env(L"OVRIX_STANDIN_LOG"));
    const wchar_t* repeat = _wgetenv(L"OVRIX_STANDIN_REPEAT");
    Print(STD_OUTPUT_HANDLE, L"OVRIX_STANDIN_STDOUT", repeat ? wcstol(repeat, nullptr, 10) : 1);
    Print(STD_ERROR_HANDLE, L"OVRIX_STANDIN_STDERR", 1);
    Sleep((DWORD)_wtoi(Env(L"OVRIX_STANDIN_SLEEP_MS").c_str()));
    const wchar_t* code = _wgetenv(L"OVRIX_STANDIN_EXIT");
    for (; code && run > 0 && wcschr(code, L','); run--) code = wcschr(code, L',') + 1;
    return code ? _wtoi(code) : 0;
}
