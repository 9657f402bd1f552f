// Security subtrees and groups of real files as Wine reports them: the DACL
// follows the Unix mode bits, auditing and labels cannot be read.
#include <gtest/gtest.h>

#include "app/main_window_win32.h"
#include "base/tree_sink.h"
#include "security/groups.h"
#include "tests/win32/testbed.h"

namespace {

typedef char*(CDECL* UnixFileNameFn)(LPCWSTR);

// Whether the file's DACL, as Windows reports it, grants Everyone anything.
bool EveryoneHasAnAce(const std::wstring& path) {
    static BYTE descriptor[32768];
    DWORD needed = 0;
    if (!GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor, sizeof descriptor, &needed))
        return false;
    BOOL present = FALSE, defaulted = FALSE;
    PACL acl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl) return false;
    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof everyone;
    CreateWellKnownSid(WinWorldSid, nullptr, everyone, &size);
    for (DWORD i = 0; i < acl->AceCount; i++) {
        ACCESS_ALLOWED_ACE* ace;
        if (GetAce(acl, i, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            EqualSid(&ace->SidStart, everyone))
            return true;
    }
    return false;
}

// Sets a file's Unix mode with the host's chmod, from which Wine derives the
// DACL, and waits until the DACL shows whether others may read. Wine gives no
// handle to wait on for a Unix process, so the result is what is waited for.
// False where there is no Unix side to ask.
bool ChangeUnixMode(const std::wstring& path, const wchar_t* mode, bool othersMayRead) {
    UnixFileNameFn unixName = reinterpret_cast<UnixFileNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixName) return false;
    char* name = unixName(path.c_str());
    if (!name) return false;
    std::wstring command = std::wstring(L"/bin/chmod ") + mode + L" ";
    bool plain = true;
    for (const char* c = name; *c; c++) {
        plain = plain && *c != ' ' && *c != '"';
        command += (wchar_t)(unsigned char)*c;
    }
    HeapFree(GetProcessHeap(), 0, name);
    if (!plain) return false;   // keeps the command line free of quoting rules
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION process;
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    if (process.hProcess) CloseHandle(process.hProcess);
    if (process.hThread) CloseHandle(process.hThread);
    return WaitFor([&] { return EveryoneHasAnAce(path) == othersMayRead; }, 20000);
}

std::wstring Quoted(const std::wstring& path) { return L" \"" + path + L"\""; }

std::vector<NodeInfo> Roots(HWND main) {
    std::vector<NodeInfo> roots;
    for (const NodeInfo& n : TreeNodes(GetDlgItem(main, kTreeId)))
        if (n.depth == 0) roots.push_back(n);
    return roots;
}

// The nodes under one root, in order.
std::vector<NodeInfo> Subtree(HWND main, HTREEITEM root) {
    std::vector<NodeInfo> all = TreeNodes(GetDlgItem(main, kTreeId)), out;
    bool inside = false;
    for (const NodeInfo& n : all) {
        if (n.depth == 0) inside = n.item == root;
        else if (inside) out.push_back(n);
    }
    return out;
}

bool HasNodeContaining(const std::vector<NodeInfo>& nodes, const wchar_t* text) {
    for (const NodeInfo& n : nodes)
        if (n.text.find(text) != std::wstring::npos) return true;
    return false;
}

struct Files {
    std::wstring folder;
    Files() : folder(NewTempFolder()) {}
    ~Files() { RemoveTree(folder); }
    std::wstring Make(const wchar_t* name) {
        std::wstring path = folder + L"\\" + name;
        WriteFileBytes(path, "data");
        return path;
    }
};

}  // namespace

TEST(SecurityTree, FilesGroupByTheirModesAndAttributes) {
    Files f;
    std::wstring open1 = f.Make(L"open1.txt"), open2 = f.Make(L"open2.txt");
    std::wstring closed1 = f.Make(L"closed1.txt"), closed2 = f.Make(L"closed2.txt");
    std::wstring readonly = f.Make(L"readonly.txt");
    bool unix = ChangeUnixMode(open1, L"644", true) && ChangeUnixMode(open2, L"644", true) &&
                ChangeUnixMode(closed1, L"600", false) && ChangeUnixMode(closed2, L"600", false) &&
                ChangeUnixMode(readonly, L"644", true);
    if (!unix) GTEST_SKIP() << "no Unix chmod to set modes with";
    SetFileAttributesW(readonly.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);

    std::wstring args = L"ovrix.exe" + Quoted(f.folder) + Quoted(open1) + Quoted(closed1) + Quoted(open2) +
                        Quoted(closed2) + Quoted(readonly);
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        std::vector<NodeInfo> roots = Roots(main);
        ASSERT_EQ(roots.size(), 4u) << Utf8(DumpTree(GetDlgItem(main, kTreeId)));
        EXPECT_EQ(GroupCount(), 4u);
        EXPECT_EQ(roots[0].text, f.folder);
        EXPECT_EQ(roots[1].text, L"(2) " + open1);
        EXPECT_EQ(roots[2].text, L"(2) " + closed1);
        EXPECT_EQ(roots[3].text, readonly);
        int images[] = {3, 2, 2, 2};
        for (uint32_t i = 0; i < 4; i++) {
            EXPECT_EQ(roots[i].param, MakeItemParam(i, 1));
            EXPECT_EQ(roots[i].image, images[i]);
            EXPECT_TRUE(roots[i].expanded);
            for (const NodeInfo& n : Subtree(main, roots[i].item)) EXPECT_EQ(ItemGroup(n.param), i) << Utf8(n.text);
        }
        GroupSnapshot group;
        ASSERT_TRUE(ReadGroup(2, &group));
        EXPECT_EQ(group.pathCount, 2u);
        EXPECT_EQ(std::wstring((const wchar_t*)group.paths), closed1);
        EXPECT_EQ(std::wstring((const wchar_t*)group.paths + closed1.size() + 1), closed2);

        // Others may read a 644 file, not a 600 one.
        std::vector<NodeInfo> open = Subtree(main, roots[1].item), closed = Subtree(main, roots[2].item);
        EXPECT_TRUE(HasNodeContaining(open, L"Everyone"));
        EXPECT_FALSE(HasNodeContaining(closed, L"Everyone"));
        EXPECT_TRUE(HasNodeContaining(Subtree(main, roots[3].item), L"attributes [RA]"));

        // Wine cannot read auditing or labels: their failure nodes end each subtree.
        std::vector<NodeInfo> top;
        for (const NodeInfo& n : open)
            if (n.depth == 1) top.push_back(n);
        ASSERT_GE(top.size(), 2u);
        EXPECT_EQ(top[top.size() - 2].text, L"unknown auditing");
        EXPECT_EQ(top[top.size() - 2].image, 14);
        EXPECT_EQ(top[top.size() - 2].param, MakeItemParam(1, 0));
        EXPECT_EQ(top.back().text, L"unknown integrity level");
        EXPECT_EQ(top.back().image, 14);
        EXPECT_EQ(top.back().param, MakeItemParam(1, 0));
    });
}

TEST(SecurityTree, SamePathTwiceIsOneGroupOfTwo) {
    Files f;
    std::wstring file = f.Make(L"twice.txt");
    std::wstring args = L"ovrix.exe" + Quoted(file) + Quoted(file);
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        std::vector<NodeInfo> roots = Roots(main);
        ASSERT_EQ(roots.size(), 1u) << Utf8(DumpTree(GetDlgItem(main, kTreeId)));
        EXPECT_EQ(roots[0].text, L"(2) " + file);
        EXPECT_EQ(roots[0].image, 2);
        EXPECT_EQ(roots[0].param, MakeItemParam(0, 1));
        EXPECT_EQ(GroupCount(), 1u);
        GroupSnapshot group;
        ASSERT_TRUE(ReadGroup(0, &group));
        EXPECT_EQ(group.pathCount, 2u);
        EXPECT_EQ(group.root, (TreeItem)roots[0].item);
        std::vector<NodeInfo> nodes = Subtree(main, roots[0].item);
        EXPECT_TRUE(HasNodeContaining(nodes, L"Ownership : "));
        EXPECT_TRUE(HasNodeContaining(nodes, L"Permissions"));
    });
}

TEST(SecurityTree, MissingPathShowsUnknownAttributesUnderAFolderGlyph) {
    Files f;
    std::wstring missing = f.folder + L"\\missing.txt";
    std::wstring args = L"ovrix.exe" + Quoted(missing);
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        std::vector<NodeInfo> roots = Roots(main);
        ASSERT_EQ(roots.size(), 1u) << Utf8(DumpTree(GetDlgItem(main, kTreeId)));
        EXPECT_EQ(roots[0].text, missing);
        EXPECT_EQ(roots[0].image, 3);
        std::vector<NodeInfo> nodes = Subtree(main, roots[0].item);
        ASSERT_EQ(nodes.size(), 5u);
        const wchar_t* texts[] = {L"unknown attributes", L"unknown ownership", L"unknown permissions",
                                  L"unknown auditing", L"unknown integrity level"};
        uint32_t kinds[] = {0, 8, 0x0a, 0, 0};
        for (int i = 0; i < 5; i++) {
            EXPECT_EQ(nodes[i].text, texts[i]);
            EXPECT_EQ(nodes[i].image, 14);
            EXPECT_EQ(nodes[i].param, MakeItemParam(0, kinds[i]));
        }
    });
}

TEST(SecurityTree, OverlongPathGetsAnUnknownNameRootThatNamesNoGroup) {
    Files f;
    std::wstring file = f.Make(L"short.txt");
    std::wstring longPath = f.folder + L"\\" + std::wstring(300 - f.folder.size(), L'x');
    std::wstring args = L"ovrix.exe" + Quoted(longPath) + Quoted(file);
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        std::vector<NodeInfo> roots = Roots(main);
        ASSERT_EQ(roots.size(), 2u) << Utf8(DumpTree(GetDlgItem(main, kTreeId)));
        EXPECT_EQ(roots[0].text, L"unknown name : " + longPath);
        EXPECT_EQ(roots[0].param, MakeItemParam(kNoGroup, 1));
        EXPECT_EQ(roots[0].image, 3);   // unreadable attributes: all ones
        EXPECT_TRUE(Subtree(main, roots[0].item).empty());
        // The group after it still starts at index 0.
        EXPECT_EQ(roots[1].text, file);
        EXPECT_EQ(roots[1].param, MakeItemParam(0, 1));
        EXPECT_EQ(GroupCount(), 1u);
    });
}

TEST(SecurityTree, DropReplacesTheTreeAndStartsGroupsAtZero) {
    Files f;
    std::wstring a = f.Make(L"a.txt"), b = f.Make(L"b.txt");
    std::wstring args = L"ovrix.exe" + Quoted(f.folder) + Quoted(a);
    RunWithMainWindow(args.c_str(), [&](HWND main) {
        ASSERT_EQ(GroupCount(), 2u);
        DropFiles(main, {b, a, f.folder});
        ASSERT_TRUE(WaitFor([&] { return Roots(main).size() == 2 && GroupCount() == 2; }))
            << Utf8(DumpTree(GetDlgItem(main, kTreeId)));
        std::vector<NodeInfo> roots = Roots(main);
        EXPECT_EQ(roots[0].text, L"(2) " + b);
        EXPECT_EQ(roots[0].param, MakeItemParam(0, 1));
        EXPECT_EQ(roots[1].text, f.folder);
        EXPECT_EQ(roots[1].param, MakeItemParam(1, 1));
        GroupSnapshot group;
        ASSERT_TRUE(ReadGroup(0, &group));
        EXPECT_EQ(group.pathCount, 2u);
        EXPECT_EQ(std::wstring((const wchar_t*)group.paths), b);
    });
}
