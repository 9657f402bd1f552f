// The Windows services behind the security core, as the core calls them.
#include <gtest/gtest.h>

#include "base/platform_win32.h"
#include "base/text.h"
#include "security/ace_text.h"
#include "security/security_platform.h"
#include "tests/win32/testbed.h"

TEST(SecurityPlatform, AccountsFallBackToTheSidString) {
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins;
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID unknown = nullptr;   // a domain account that no one knows
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
    ASSERT_TRUE(AllocateAndInitializeSid(&nt, 5, 21, 11, 22, 33, 4242, 0, 0, 0, &unknown));
    // The string function, once found, keeps working.
    const BYTE* unknownSid = static_cast<const BYTE*>(unknown);
    for (const BYTE* sid : {(const BYTE*)admins, unknownSid, unknownSid}) {
        char16_t buffer[kNodeTextUnits];
        TextWriter w;
        TextWriterInit(&w, buffer, kNodeTextUnits);
        AccountNameOfSid(&w, sid, u"C:\\x");
        EXPECT_EQ(std::wstring(W(buffer)), sid == admins ? L"BUILTIN\\Administrators" : L"S-1-5-21-11-22-33-4242");
    }
    FreeSid(unknown);
}

TEST(SecurityPlatform, DescriptorsThatDoNotFitFailTheirQuery) {
    std::wstring folder = NewTempFolder();
    const SecurityPlatform* platform = CurrentSecurityPlatform();
    static uint8_t buffer[kDescriptorBufferBytes];
    uint32_t size = 0;
    ASSERT_TRUE(platform->readDescriptor(U(folder.c_str()), kDaclInformation, buffer, kDescriptorBufferBytes, &size));
    EXPECT_GT(size, 20u);
    EXPECT_FALSE(platform->readDescriptor(U(folder.c_str()), kDaclInformation, buffer, 16, &size));
    EXPECT_FALSE(platform->readDescriptor(U((folder + L"\\none").c_str()), kOwnerInformation, buffer,
                                          kDescriptorBufferBytes, &size));
    RemoveTree(folder);
}
