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
//   OVRIX_STANDIN_READ_INPUT  when set: standard input is read to its end first
//   OVRIX_STANDIN_SPAWN     when set: a copy of the stand-in is started first with this text as its
//                           arguments (and this variable unset) and left running
//   OVRIX_STANDIN_COPY      where the file named after "/restore" is copied, with the
//                           run's index appended, as it was while the command ran
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

namespace {

const wchar_t* Env(const wchar_t* name) {
    const wchar_t* value = _wgetenv(name);
    return value ? value : L"";
}

std::string Encode(const std::wstring& text, UINT codePage) {
    std::string out(text.size() * 4, '\0');
    out.resize(WideCharToMultiByte(codePage, 0, text.c_str(), (int)text.size(), &out[0], (int)out.size(), 0, 0));
    return out;
}

void Print(DWORD stream, const wchar_t* text, long repeat) {
    std::string bytes = Encode(text, CP_ACP);
    for (DWORD written; repeat-- > 0 && !bytes.empty();)
        WriteFile(GetStdHandle(stream), bytes.data(), (DWORD)bytes.size(), &written, nullptr);
}

void ReadInputToItsEnd() {
    char bytes[256];
    for (DWORD read; ReadFile(GetStdHandle(STD_INPUT_HANDLE), bytes, sizeof bytes, &read, nullptr) && read;) {
    }
}

void SpawnCopy(const wchar_t* arguments) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = std::wstring(L"\"") + self + L"\" " + arguments;
    SetEnvironmentVariableW(L"OVRIX_STANDIN_SPAWN", nullptr);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION info;
    if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info)) return;
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // This run's index is the count of lines already in the log.
    FILE* log = *Env(L"OVRIX_STANDIN_LOG") ? _wfopen(Env(L"OVRIX_STANDIN_LOG"), L"a+b") : nullptr;
    size_t run = 0;
    for (int c; log && (c = fgetc(log)) != EOF;) run += c == '\n';
    if (log && fseek(log, 0, SEEK_END) == 0) fprintf(log, "%s\n", Encode(GetCommandLineW(), CP_UTF8).c_str());
    if (log) fclose(log);
    if (*Env(L"OVRIX_STANDIN_SPAWN")) SpawnCopy(std::wstring(Env(L"OVRIX_STANDIN_SPAWN")).c_str());
    if (*Env(L"OVRIX_STANDIN_READ_INPUT")) ReadInputToItsEnd();
    for (int i = 1; i + 1 < argc && *Env(L"OVRIX_STANDIN_COPY"); i++)
        if (_wcsicmp(argv[i], L"/restore") == 0)
            CopyFileW(argv[i + 1], (Env(L"OVRIX_STANDIN_COPY") + std::to_wstring(run)).c_str(), FALSE);
    const wchar_t* repeat = Env(L"OVRIX_STANDIN_REPEAT");
    Print(STD_OUTPUT_HANDLE, Env(L"OVRIX_STANDIN_STDOUT"), *repeat ? wcstol(repeat, nullptr, 10) : 1);
    Print(STD_ERROR_HANDLE, Env(L"OVRIX_STANDIN_STDERR"), 1);
    Sleep((DWORD)_wtoi(Env(L"OVRIX_STANDIN_SLEEP_MS")));
    const wchar_t* code = Env(L"OVRIX_STANDIN_EXIT");
    for (; run > 0 && wcschr(code, L','); run--) code = wcschr(code, L',') + 1;
    return _wtoi(code);
}
