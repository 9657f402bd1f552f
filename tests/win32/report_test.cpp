// ovrix-report on real files, and the window's copy keys.
#include <gtest/gtest.h>

#include "resources/resource_ids.h"
#include "tests/win32/testbed.h"

namespace {

// Runs ovrix-report with args; its exit code and what it wrote to a pipe
// (only standard error when standard output is given).
DWORD RunReport(const std::wstring& args, std::string* output, HANDLE standardOutput = nullptr) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inherit, 0)) return 99;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW si = {sizeof si};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = standardOutput ? standardOutput : write;
    si.hStdError = write;
    PROCESS_INFORMATION process = {};
    std::wstring exe = ExeDirectory() + L"ovrix-report.exe", line = L"\"" + exe + L"\" " + args;
    BOOL started = CreateProcessW(exe.c_str(), &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &process);
    CloseHandle(write);
    if (!started) return CloseHandle(read), 98;
    char buffer[4096];
    DWORD n;
    while (ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n) output->append(buffer, n);
    CloseHandle(read);
    DWORD code = 97;
    WaitForSingleObject(process.hProcess, 30000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess), CloseHandle(process.hThread);
    return code;
}

std::wstring JsonPath(const std::wstring& path) {
    std::wstring out;
    for (wchar_t c : path) out += c == L'\\' ? std::wstring(L"\\\\") : std::wstring(1, c);
    return L"\"" + out + L"\"";
}

std::wstring ClipboardText() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return L"(not open)";
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (const wchar_t* p = data ? static_cast<const wchar_t*>(GlobalLock(data)) : nullptr) {
        text = p;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Ctrl+C, with Shift when asked, as the tree receives it.
void PressCopy(HWND tree, bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageW(tree, WM_KEYDOWN, 'C', 0);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

}  // namespace

TEST(Report, GroupsOfRealFilesAsTextAndJsonAndUnreadablePaths) {
    std::wstring folder = NewTempFolder(), a = folder + L"\\a.txt", b = folder + L"\\b.txt", r = folder + L"\\r.txt";
    std::wstring missing = folder + L"\\missing.txt";
    for (const std::wstring& p : {a, b, r}) WriteFileBytes(p, "data");
    SetFileAttributesW(r.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    std::string text, json, broken;
    EXPECT_EQ(RunReport(L"\"" + a + L"\" \"" + r + L"\" \"" + b + L"\"", &text), 0u);
    EXPECT_EQ(text.find(Utf8(L"(2) " + a + L"\r\n  = " + b + L"\r\n  attributes [A]\r\n")), 0u) << text;
    EXPECT_NE(text.find(Utf8(L"\r\n" + r + L"\r\n  attributes [RA]\r\n")), std::string::npos) << text;
    EXPECT_EQ(RunReport(L"/json \"" + a + L"\" \"" + r + L"\" \"" + b + L"\"", &json), 0u);
    EXPECT_NE(json.find(Utf8(L"{\"paths\":[" + JsonPath(a) + L"," + JsonPath(b) + L"],")), std::string::npos) << json;
    EXPECT_NE(json.find(Utf8(L"{\"paths\":[" + JsonPath(r) + L"],\"attributes\":\"attributes [RA]\"")),
              std::string::npos) << json;
    EXPECT_NE(json.find("\"unreadable\":[]}"), std::string::npos) << json;

    EXPECT_EQ(RunReport(L"/json \"" + a + L"\" \"" + missing + L"\"", &broken), 1u);
    EXPECT_NE(broken.find(Utf8(L"\"unreadable\":[\r\n{\"path\":" + JsonPath(missing) + L",\"error\":\"unknown attributes")),
              std::string::npos) << broken;
    std::string usage;
    EXPECT_EQ(RunReport(L"/?", &usage), 2u);
    EXPECT_EQ(usage.find("Usage: ovrix-report"), 0u) << usage;
    RemoveTree(folder);
}

// Standard output on a full disk: the report ends with the reason on
// standard error and exit code 3, never as if some paths were unreadable.
TEST(Report, AReportThatCannotBeWrittenSaysSoAndExitsWith3) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE full = CreateFileW(L"Z:\\dev\\full", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    std::string errors;
    EXPECT_EQ(RunReport(L"/json " + ExeDirectory() + L"ovrix-report.exe", &errors, full), 3u);
    CloseHandle(full);
    EXPECT_EQ(errors.find("cannot write the report: "), 0u) << errors;
    EXPECT_GT(errors.size(), strlen("cannot write the report: \r\n")) << "the reason is given";
}

// UTF-8 named so, and UTF-16 as Windows PowerShell 5 writes it with ">".
TEST(Report, Utf8AndUtf16ListFileNamesRoundTripIntoTheJson) {
    std::wstring folder = NewTempFolder(), name = folder + L"\\\u00e9t\u00e9 \u2713.txt", list = folder + L"\\list.txt";
    WriteFileBytes(name, "data");
    WriteFileBytes(list, Utf8(L"\"" + name + L"\"\r\n"));
    const std::wstring utf16 = L"\xFEFF\"" + name + L"\"\r\n";
    WriteFileBytes(folder + L"\\ps.txt", std::string(reinterpret_cast<const char*>(utf16.data()), utf16.size() * 2));
    for (const std::wstring& named : {L"@8@" + list, L"@" + folder + L"\\ps.txt"}) {
        std::string json;
        EXPECT_EQ(RunReport(L"/json " + named, &json), 0u);
        EXPECT_NE(json.find(Utf8(L"\"paths\":[" + JsonPath(name) + L"]")), std::string::npos) << json;
    }
    RemoveTree(folder);
}

// "victim." and "victim " beside "victim", and a folder "d." beside "d": the
// system would read each as its neighbour, so each is an unknown name, never
// read or walked, and the report says some paths were not read.
TEST(Report, NamesEndingInADotOrABlankAreUnreadableNotReadAsTheirNeighbours) {
    const std::wstring folder = NewTempFolder();
    ASSERT_TRUE(RunUnixShell(folder, "echo a > victim && echo b > 'victim.' && echo c > 'victim ' && "
                                     "mkdir d d. && touch d/x d./y && chmod 600 'victim.' 'victim '"));
    std::string json;
    EXPECT_EQ(RunReport(L"/json /below " + folder, &json), 1u);
    for (const wchar_t* name : {L"\\d.", L"\\victim ", L"\\victim."})
        EXPECT_NE(json.find(Utf8(L"{\"path\":" + JsonPath(folder + name) + L",\"error\":\"unknown name\"}")),
                  std::string::npos) << json;
    EXPECT_NE(json.find(Utf8(JsonPath(folder + L"\\d\\x"))), std::string::npos) << json;
    EXPECT_EQ(json.find(Utf8(L"\\\\d.\\\\")), std::string::npos) << json;   // d. was not walked
    const std::string victim = Utf8(JsonPath(folder + L"\\victim"));   // once, as itself
    EXPECT_EQ(json.find(victim), json.rfind(victim)) << json;
    RunUnixShell(folder, "find . -mindepth 1 -delete");
    RemoveTree(folder);
}

TEST(Report, CtrlCCopiesTheNodeAndCtrlShiftCItsSubtreeWithTheGroupsPaths) {
    std::wstring folder = NewTempFolder(), a = folder + L"\\a.txt", b = folder + L"\\b.txt";
    for (const std::wstring& p : {a, b}) WriteFileBytes(p, "data");
    RunWithMainWindow((L"ovrix.exe \"" + a + L"\" \"" + b + L"\"").c_str(), [&](HWND main) {
        HWND tree = GetDlgItem(main, IDC_TREE);
        HTREEITEM root = TreeView_GetRoot(tree);
        TreeView_SelectItem(tree, root);
        PressCopy(tree, false);
        EXPECT_EQ(ClipboardText(), L"(2) " + a);
        PressCopy(tree, true);
        std::wstring subtree = ClipboardText();
        EXPECT_EQ(subtree.find(L"(2) " + a + L"\r\n  = " + b + L"\r\n  attributes [A]\r\n    Readonly\r\n"), 0u)
            << Utf8(subtree);
        EXPECT_EQ(subtree.substr(subtree.size() - 2), L"\r\n");
    });
    RemoveTree(folder);
}
