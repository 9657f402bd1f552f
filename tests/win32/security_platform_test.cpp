// The Windows services behind the security core, as the core calls them.
#include <gtest/gtest.h>

#include "base/platform_win32.h"
#include "base/text.h"
#include "security/ace_text.h"
#include "security/security_platform.h"
#include "security/security_win32.h"
#include "tests/win32/testbed.h"

namespace {

std::wstring AccountText(const BYTE* sid, const wchar_t* path) {
    char16_t buffer[kNodeTextUnits];
    TextWriter w;
    TextWriterInit(&w, buffer, kNodeTextUnits);
    AccountNameOfSid(&w, sid, U(path));
    return W(buffer);
}

}  // namespace

TEST(SecurityPlatform, PrivilegesReportWhetherTheAdjustmentWentThrough) {
    EXPECT_TRUE(SetPrivilege(L"SeSecurityPrivilege", true));
    EXPECT_TRUE(SetPrivilege(L"SeSecurityPrivilege", false));
    EXPECT_TRUE(SetPrivilege(L"SeRestorePrivilege", true));
    EXPECT_TRUE(SetPrivilege(L"SeRestorePrivilege", false));
    EXPECT_FALSE(SetPrivilege(L"SeNoSuchPrivilege", true));
}

TEST(SecurityPlatform, AccountsFallBackToTheSidString) {
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins;
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
    EXPECT_EQ(AccountText(admins, L"C:\\x"), L"BUILTIN\\Administrators");

    // A domain account that no one knows: its S-1-5-... form.
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID unknown = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 5, 21, 11, 22, 33, 4242, 0, 0, 0, &unknown));
    EXPECT_EQ(AccountText(static_cast<BYTE*>(unknown), L"C:\\x"), L"S-1-5-21-11-22-33-4242");
    // Found once, the string function keeps working.
    EXPECT_EQ(AccountText(static_cast<BYTE*>(unknown), L"C:\\y"), L"S-1-5-21-11-22-33-4242");
    FreeSid(unknown);
}

TEST(SecurityPlatform, FullPathsMustFitTwoHundredSixtyUnits) {
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    char16_t out[kFullPathUnits];
    ASSERT_TRUE(platform->fullPath(u"C:\\a\\..\\b", out));
    EXPECT_EQ(std::wstring(W(out)), L"C:\\b");

    wchar_t current[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, current);
    ASSERT_TRUE(platform->fullPath(u"rel.txt", out));
    std::wstring expected = current;
    if (expected.back() != L'\\') expected += L'\\';
    EXPECT_EQ(std::wstring(W(out)), expected + L"rel.txt");

    std::wstring fits = L"C:\\" + std::wstring(256, L'f');   // 259 units
    std::wstring over = fits + L"g";
    EXPECT_TRUE(platform->fullPath(U(fits.c_str()), out));
    EXPECT_EQ(std::wstring(W(out)), fits);
    EXPECT_FALSE(platform->fullPath(U(over.c_str()), out));
}

TEST(SecurityPlatform, DescriptorsThatDoNotFitFailTheirQuery) {
    std::wstring folder = NewTempFolder();
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    static uint8_t buffer[kDescriptorBufferBytes];
    uint32_t size = 0;
    ASSERT_TRUE(platform->readDescriptor(U(folder.c_str()), kDaclInformation, buffer, kDescriptorBufferBytes, &size));
    EXPECT_GT(size, 20u);
    EXPECT_LE(size, kDescriptorBufferBytes);
    EXPECT_FALSE(platform->readDescriptor(U(folder.c_str()), kDaclInformation, buffer, 16, &size));
    EXPECT_FALSE(platform->readDescriptor(U((folder + L"\\none").c_str()), kOwnerInformation, buffer,
                                          kDescriptorBufferBytes, &size));
    RemoveTree(folder);
}
