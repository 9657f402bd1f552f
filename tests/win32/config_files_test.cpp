// The language file and the list file beside the executable, as start-up
// reads and reports them, and the file reader underneath.
#include <gtest/gtest.h>

#include <string>

#include "app/main_window_win32.h"
#include "base/heap.h"
#include "base/platform_win32.h"
#include "config/config_win32.h"
#include "config/file_text_win32.h"
#include "input/list_file_win32.h"
#include "tests/win32/testbed.h"

namespace {

std::wstring LanguageFilePath() {
    char16_t name[32];
    LanguageFileName((uint32_t)GetUserDefaultLCID(), name, 32);
    return ExeDirectory() + W(name);
}

// A language file beside the test program for one test, always removed.
struct LanguageFileBeside {
    std::wstring path = LanguageFilePath();
    explicit LanguageFileBeside(const std::string& bytes) { EXPECT_TRUE(WriteFileBytes(path, bytes)); }
    ~LanguageFileBeside() {
        DeleteFileW(path.c_str());
        ReleaseConfigText(&g_languageFile);
    }
};

// Moves the shipped list file away for one test and puts it back.
struct ListFileAside {
    std::wstring path = ExeDirectory() + L"ovrix_list.cfg";
    std::wstring aside = path + L".aside";
    bool moved;
    ListFileAside() { moved = MoveFileExW(path.c_str(), aside.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; }
    ~ListFileAside() {
        if (moved) MoveFileExW(aside.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
};

std::wstring Caption(HWND main, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(main, id, text, 256);
    return text;
}

std::wstring Text(const ConfigText& config) {
    return config.text ? std::wstring(W(config.text)) : L"<none>";
}

}  // namespace

TEST(LanguageFile, TranslatesStartUpTextsIncludingItsOwnLogLine) {
    LanguageFileBeside lang(
        "\xEF\xBB\xBF; German\r\n"
        "Close = Schlie\xC3\x9F" "en\r\n"
        "(drop files/folder here)=(Dateien hier ablegen)\r\n"
        // Placeholders without arguments must come out empty, never read memory.
        "language file : %s = Sprachdatei %d: %s %s %x\r\n"
        "Action = \r\n");
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        EXPECT_EQ(Caption(main, IDOK), L"Schlie\u00DFen");
        EXPECT_EQ(Caption(main, kActionButtonId), L"");
        std::vector<NodeInfo> nodes = TreeNodes(GetDlgItem(main, kTreeId));
        ASSERT_EQ(nodes.size(), 3u);
        EXPECT_EQ(nodes[2].text, L"(Dateien hier ablegen)");
        EXPECT_EQ(nodes[1].text, L"Usage: ovrix [filename or @filelist or @8@utf8filelist]...");
        std::vector<std::wstring> log = LogLines(main);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[1], L"Sprachdatei " + lang.path + L":   ");
    });
}

TEST(LanguageFile, MissingFileKeepsEnglishAndStillLogsThePath) {
    DeleteFileW(LanguageFilePath().c_str());
    RunWithMainWindow(L"ovrix.exe", [](HWND main) {
        EXPECT_EQ(Caption(main, IDOK), L"Close");
        std::vector<std::wstring> log = LogLines(main);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[1], L"language file : " + LanguageFilePath());
        EXPECT_EQ(std::wstring(W(g_languageFile.path)), LanguageFilePath());
    });
    ReleaseConfigText(&g_languageFile);
}

TEST(ListFile, MissingFileGetsItsLogLineAndAPresentOneNone) {
    std::wstring listPath = ExeDirectory() + L"ovrix_list.cfg";
    RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
        for (const std::wstring& line : LogLines(main)) EXPECT_EQ(line.find(L"load error"), std::wstring::npos) << line;
        EXPECT_NE(FindConfigSection(&g_listFile, u"[ACCESS_TYPES]"), kNoSection) << "shipped list file not read";
    });
    {
        ListFileAside aside;
        ASSERT_TRUE(aside.moved);
        RunWithMainWindow(L"ovrix.exe", [&](HWND main) {
            std::vector<std::wstring> log = LogLines(main);
            ASSERT_GE(log.size(), 3u);
            EXPECT_EQ(log[2], L"list file " + listPath + L" load error.");
            EXPECT_EQ(FindConfigSection(&g_listFile, u"[ACCESS_TYPES]"), kNoSection);
        });
    }
    ReleaseConfigText(&g_listFile);
    EXPECT_TRUE(LoadListFile());
}

TEST(ShippedListFile, OffersTheUsualAccessTypesAndAccountLists) {
    ConfigText list = {};
    ASSERT_TRUE(LoadConfigText(&list, U((ExeDirectory() + L"ovrix_list.cfg").c_str())));
    char16_t line[kListLineUnits];
    std::wstring types;
    uint32_t offset = FindConfigSection(&list, u"[ACCESS_TYPES]");
    ASSERT_NE(offset, kNoSection);
    while (NextConfigLine(&list, &offset, line, kListLineUnits) && line[0] && line[0] != u'[')
        types += std::wstring(W(line)) + L"|";
    EXPECT_EQ(types, L"Full Control = F|Modify = M|Read & Execute = RX|Read = R|Write = W|");
    for (const char16_t* header : {u"[PC_USER_LIST]", u"[DOMAIN_USER_LIST]"}) {
        offset = FindConfigSection(&list, header);
        ASSERT_NE(offset, kNoSection);
        ASSERT_TRUE(NextConfigLine(&list, &offset, line, kListLineUnits));
        EXPECT_NE(line[0], 0) << "an explanation ends the list before its first entry";
    }
    ReleaseConfigText(&list);
}

TEST(LoadConfigText, DecodesUtf8CutsAtZeroAndKeepsThePathOfAMissingFile) {
    std::wstring folder = NewTempFolder();
    std::wstring file = folder + L"\\t.cfg";
    ConfigText config = {};

    ASSERT_TRUE(WriteFileBytes(file, "\xEF\xBB\xBFk = \xE2\x82\xAC\r\n"));
    EXPECT_TRUE(LoadConfigText(&config, U(file.c_str())));
    EXPECT_EQ(Text(config), L"k = \u20AC\r\n");
    EXPECT_EQ(config.length, 8u);

    // Saved as UTF-16: the text ends at the first zero byte.
    ASSERT_TRUE(WriteFileBytes(file, std::string("\xFF\xFEk\0=\0", 6)));
    EXPECT_TRUE(LoadConfigText(&config, U(file.c_str())));
    EXPECT_EQ(config.length, 4u);
    EXPECT_EQ(config.text[0], 0xFFFD);
    EXPECT_EQ(config.text[2], u'k');

    ASSERT_TRUE(WriteFileBytes(file, ""));
    EXPECT_TRUE(LoadConfigText(&config, U(file.c_str())));
    EXPECT_EQ(config.length, 1u);

    std::wstring missing = folder + L"\\missing.cfg";
    EXPECT_FALSE(LoadConfigText(&config, U(missing.c_str())));
    EXPECT_EQ(config.length, 0u);
    EXPECT_EQ(std::wstring(W(config.path)), missing);
    ASSERT_NE(config.text, nullptr);
    EXPECT_EQ(config.text[0], 0);

    ReleaseConfigText(&config);
    RemoveTree(folder);
}

TEST(ReadWholeFile, AppendsZerosAndRefusesWhatDoesNotFit) {
    std::wstring folder = NewTempFolder();
    std::wstring file = folder + L"\\bytes.bin";
    ASSERT_TRUE(WriteFileBytes(file, std::string("a\0b", 3)));

    char* buffer = nullptr;
    ASSERT_EQ(ReadWholeFile(U(file.c_str()), 8, &buffer), 0u);
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(std::string(buffer, 11), std::string("a\0b\0\0\0\0\0\0\0\0", 11));
    HeapFreeBytes(buffer);

    // Readable while someone else has it open for writing.
    HANDLE writer = CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    buffer = nullptr;
    EXPECT_EQ(ReadWholeFile(U(file.c_str()), 0, &buffer), 0u);
    HeapFreeBytes(buffer);

    // A file of 4 GiB (sparse, nothing written): refused before any read.
    LARGE_INTEGER big;
    big.QuadPart = 0x100000000LL;
    if (SetFilePointerEx(writer, big, nullptr, FILE_BEGIN) && SetEndOfFile(writer)) {
        buffer = reinterpret_cast<char*>(1);
        EXPECT_NE(ReadWholeFile(U(file.c_str()), 8, &buffer), 0u);
        EXPECT_EQ(buffer, nullptr);
        // Fits alone, but not with the zeros behind it.
        big.QuadPart = 0xFFFFFFFCLL;
        ASSERT_TRUE(SetFilePointerEx(writer, big, nullptr, FILE_BEGIN) && SetEndOfFile(writer));
        buffer = reinterpret_cast<char*>(1);
        EXPECT_EQ(ReadWholeFile(U(file.c_str()), 8, &buffer), (DWORD)ERROR_FILE_TOO_LARGE);
        EXPECT_EQ(buffer, nullptr);
    } else {
        ADD_FAILURE() << "could not make a large sparse file, error " << GetLastError();
    }
    CloseHandle(writer);

    buffer = reinterpret_cast<char*>(1);
    EXPECT_EQ(ReadWholeFile(U((folder + L"\\none").c_str()), 8, &buffer), (DWORD)ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(buffer, nullptr);
    RemoveTree(folder);
}
