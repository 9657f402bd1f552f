// Command-line tokens and path list files as start-up adds them.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/main_window_win32.h"
#include "base/platform_win32.h"
#include "security/groups.h"
#include "tests/win32/testbed.h"

namespace {

// A temporary folder that is also the current folder, so list files and
// @names are found by their plain names.
struct WorkFolder {
    std::wstring path = NewTempFolder();
    wchar_t previous[MAX_PATH] = {};
    WorkFolder() {
        GetCurrentDirectoryW(MAX_PATH, previous);
        SetCurrentDirectoryW(path.c_str());
    }
    ~WorkFolder() {
        SetCurrentDirectoryW(previous);
        RemoveTree(path);
    }
    std::wstring Add(const std::wstring& name, const std::string& bytes = "x") {
        std::wstring full = path + L"\\" + name;
        EXPECT_TRUE(WriteFileBytes(full, bytes));
        return full;
    }
};

// Every path the window took: the paths of every group and the texts of the
// root nodes that belong to no group.
std::vector<std::wstring> AddedPaths(HWND main) {
    std::vector<std::wstring> paths;
    for (uint32_t g = 0; g < GroupCount(); g++) {
        GroupSnapshot group;
        if (!ReadGroup(g, &group)) continue;
        const char16_t* p = group.paths;
        for (uint32_t i = 0; i < group.pathCount; i++) {
            paths.push_back(W(p));
            while (*p) p++;
            p++;
        }
    }
    for (const NodeInfo& n : TreeNodes(GetDlgItem(main, kTreeId))) {
        if (n.depth == 0 && (n.param & 0xFFFF) == kNoGroup) paths.push_back(n.text);
    }
    return paths;
}

std::wstring Joined(const std::vector<std::wstring>& v) {
    std::wstring s;
    for (const std::wstring& x : v) s += x + L" | ";
    return s;
}

bool Contains(const std::vector<std::wstring>& v, const std::wstring& text) {
    return std::any_of(v.begin(), v.end(), [&](const std::wstring& x) { return x.find(text) != std::wstring::npos; });
}

std::vector<std::wstring> PathsForCommandLine(const std::wstring& args) {
    std::vector<std::wstring> paths;
    RunWithMainWindow((L"ovrix.exe " + args).c_str(), [&](HWND main) { paths = AddedPaths(main); });
    return paths;
}

}  // namespace

TEST(ListFileTokens, AnsiAndUtf8ListsAddTheirPathsInOrder) {
    WorkFolder work;
    std::wstring a = work.Add(L"a file.txt");
    std::wstring b = work.Add(L"b.txt");
    std::wstring u = work.Add(L"d\u00E9j\u00E0 \u65E5.txt");
    work.Add(L"list.txt", "\"" + Utf8(a) + "\"\r\n" + Utf8(b) + "\r\n");
    work.Add(L"utf8.txt", "\"" + Utf8(u) + "\" " + Utf8(b));

    std::vector<std::wstring> paths = PathsForCommandLine(L"@list.txt");
    EXPECT_EQ(paths, (std::vector<std::wstring>{a, b})) << Joined(paths);

    paths = PathsForCommandLine(L"@8@utf8.txt");
    EXPECT_EQ(paths, (std::vector<std::wstring>{u, b})) << Joined(paths);

    // A list read in the ANSI page, but marked as UTF-8.
    work.Add(L"marked.txt", "\xEF\xBB\xBF\"" + Utf8(u) + "\"");
    paths = PathsForCommandLine(L"@marked.txt");
    EXPECT_EQ(paths, (std::vector<std::wstring>{u})) << Joined(paths);
}

TEST(ListFileTokens, WhenATokenIsNotReadAsAList) {
    WorkFolder work;
    std::wstring listed = work.Add(L"listed.txt");
    work.Add(L"list.txt", Utf8(listed));
    std::wstring atName = work.Add(L"@list.txt");

    // An existing file named @list.txt is a path.
    std::vector<std::wstring> paths = PathsForCommandLine(L"@list.txt");
    EXPECT_EQ(paths, (std::vector<std::wstring>{atName})) << Joined(paths);

    // A quoted token is never a list file, even when no such file exists.
    DeleteFileW(atName.c_str());
    paths = PathsForCommandLine(L"\"@list.txt\"");
    EXPECT_FALSE(Contains(paths, listed)) << Joined(paths);
    EXPECT_TRUE(Contains(paths, L"@list.txt")) << Joined(paths);

    // A list file that cannot be read leaves the token as a path.
    paths = PathsForCommandLine(L"@missing.txt");
    EXPECT_EQ(paths.size(), 1u) << Joined(paths);
    EXPECT_TRUE(Contains(paths, L"@missing.txt")) << Joined(paths);

    // A line of a list that begins with '@' is a path, not another list.
    work.Add(L"outer.txt", "@list.txt");
    paths = PathsForCommandLine(L"@outer.txt");
    EXPECT_FALSE(Contains(paths, listed)) << Joined(paths);
    EXPECT_TRUE(Contains(paths, L"@list.txt")) << Joined(paths);
}

TEST(ListFileTokens, EmptyAndUtf16ListsAddNothingUseful) {
    WorkFolder work;
    std::wstring listed = work.Add(L"listed.txt");
    work.Add(L"empty.txt", "");
    RunWithMainWindow(L"ovrix.exe @empty.txt", [&](HWND main) {
        EXPECT_TRUE(AddedPaths(main).empty()) << Joined(AddedPaths(main));
        std::vector<NodeInfo> nodes = TreeNodes(GetDlgItem(main, kTreeId));
        ASSERT_EQ(nodes.size(), 3u) << "placeholders expected";
        EXPECT_EQ(nodes[0].text, L"ovrix  Version 0.6");
    });

    // Saved as UTF-16 with its mark: read only up to the first zero byte.
    std::wstring utf16 = L"\xFEFF" + listed;
    work.Add(L"utf16.txt", std::string(reinterpret_cast<const char*>(utf16.c_str()), utf16.size() * 2));
    std::vector<std::wstring> paths = PathsForCommandLine(L"@utf16.txt");
    EXPECT_FALSE(Contains(paths, listed)) << Joined(paths);
    EXPECT_LE(paths.size(), 1u) << Joined(paths);
    EXPECT_FALSE(Contains(paths, L"@utf16.txt")) << Joined(paths);
}
