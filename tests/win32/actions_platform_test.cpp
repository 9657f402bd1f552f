// The Windows services behind the menus: registry strings and folder identity.
#include <gtest/gtest.h>

#include <string>

#include "actions/platform_win32.h"
#include "tests/win32/testbed.h"

namespace {

const wchar_t kKey[] = L"Software\\ovrix-actions-test";

class ActionsRegistry : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr), ERROR_SUCCESS); }
    void TearDown() override {
        RegCloseKey(key_);
        RegDeleteKeyW(HKEY_CURRENT_USER, kKey);
    }
    void Put(const wchar_t* name, DWORD type, const void* bytes, DWORD size) {
        ASSERT_EQ(RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(bytes), size), ERROR_SUCCESS);
    }
    HKEY key_ = nullptr;
};

TEST_F(ActionsRegistry, ReadsStringsExpandsAndAlwaysTerminates) {
    Put(L"Plain", REG_SZ, L"corp.example", sizeof L"corp.example");
    Put(L"Expand", REG_EXPAND_SZ, L"%OVRIX_REG_TEST%\\x", sizeof L"%OVRIX_REG_TEST%\\x");
    // Stored without its terminator.
    Put(L"Bare", REG_SZ, L"abcd", 4 * sizeof(wchar_t));
    SetEnvironmentVariableW(L"OVRIX_REG_TEST", L"C:\\expanded");

    wchar_t buffer[512];
    ASSERT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Plain", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, L"corp.example");
    ASSERT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Expand", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, L"C:\\expanded\\x");
    wmemset(buffer, L'#', 512);
    ASSERT_TRUE(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Bare", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, L"abcd");
    // A buffer just big enough for the characters keeps them terminated inside it.
    // (Windows reads it and cuts the last character; Wine refuses it.)
    wchar_t tight[5] = {L'#', L'#', L'#', L'#', L'#'};
    if (ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Bare", tight, 4 * sizeof(wchar_t))) EXPECT_STREQ(tight, L"abc");
    EXPECT_EQ(tight[4], L'#') << "nothing written past the buffer";
    // A value too large for the buffer, a missing value, a missing key.
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Plain", buffer, 4 * sizeof(wchar_t)));
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, kKey, L"Missing", buffer, sizeof buffer));
    EXPECT_FALSE(ReadRegistryString(HKEY_CURRENT_USER, L"Software\\ovrix-no-such-key", L"Plain", buffer, sizeof buffer));
    SetEnvironmentVariableW(L"OVRIX_REG_TEST", nullptr);
}

TEST(ActionsPlatform, FolderIdentitySeesThroughLinks) {
    std::wstring folder = NewTempFolder();
    ASSERT_FALSE(folder.empty());
    std::wstring inner = folder + L"\\inner", other = folder + L"\\other", link = folder + L"\\link";
    ASSERT_TRUE(CreateDirectoryW(inner.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    ShellWindows windows = {nullptr, nullptr};
    ActionPlatform platform = WindowsActionPlatform(&windows);
    FolderIdentity a, b, c;
    ASSERT_TRUE(platform.folderIdentity(reinterpret_cast<const char16_t*>(inner.c_str()), &a));
    ASSERT_TRUE(platform.folderIdentity(reinterpret_cast<const char16_t*>(other.c_str()), &b));
    EXPECT_FALSE(a.volumeSerial == b.volumeSerial && a.fileIndex == b.fileIndex);
    if (CreateSymbolicLinkW(link.c_str(), inner.c_str(),
                            SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
        GetFileAttributesW(link.c_str()) != INVALID_FILE_ATTRIBUTES) {
        ASSERT_TRUE(platform.folderIdentity(reinterpret_cast<const char16_t*>(link.c_str()), &c));
        EXPECT_TRUE(a.volumeSerial == c.volumeSerial && a.fileIndex == c.fileIndex);
        RemoveDirectoryW(link.c_str());
    }
    std::wstring missing = folder + L"\\missing";
    EXPECT_FALSE(platform.folderIdentity(reinterpret_cast<const char16_t*>(missing.c_str()), &c));
    RemoveTree(folder);
}

}  // namespace
