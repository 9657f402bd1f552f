// The system's side of effective access as Wine gives it: account names to
// SIDs, local groups, and the check on real files' owner and DACL.
#include <gtest/gtest.h>

#include "base/platform_win32.h"
#include "security/access_check_win32.h"
#include "security/descriptor.h"
#include "security/security_win32.h"
#include "tests/win32/testbed.h"

namespace {

// The SID of the process's user.
std::vector<uint8_t> CurrentUserSid() {
    HANDLE token;
    uint8_t buffer[256];
    DWORD size = 0;
    bool ok = OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) &&
              GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size) && CloseHandle(token);
    if (!ok) return {};
    const uint8_t* sid = static_cast<const uint8_t*>(reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid);
    return std::vector<uint8_t>(sid, sid + SidLength(sid));
}

// What one reading of path gives, as a group keeps it.
struct FileSecurity {
    std::vector<uint8_t> buffers = std::vector<uint8_t>(kDescriptorPartCount * kDescriptorBufferBytes);
    PathSecurity read = {};
    explicit FileSecurity(const std::wstring& path) {
        InstallSecurityPlatform();
        for (uint32_t part = 0; part < kDescriptorPartCount; part++)
            read.bytes[part] = buffers.data() + part * kDescriptorBufferBytes;
        EXPECT_TRUE(CurrentSecurityPlatform()->readSecurity(U(path.c_str()), true, &read));
    }
};

}  // namespace

TEST(SecurityAccess, NamesTurnIntoSidsAndLocalGroupsAreListed) {
    std::vector<uint8_t> me = CurrentUserSid();
    ASSERT_FALSE(me.empty());
    wchar_t name[256];
    DWORD units = 256;
    ASSERT_TRUE(GetUserNameW(name, &units));
    uint8_t sid[kMaxSidBytes];
    EXPECT_TRUE(AccountSidOfName(U(name), sid) && SidsEqual(sid, me.data()));
    EXPECT_FALSE(AccountSidOfName(u"no such account 8f3e", sid) || AccountSidOfName(u"", sid));

    // Wine's user is an administrator, a member of BUILTIN\Administrators (S-1-5-32-544).
    const uint8_t admins[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
    ByteBuffer groups;
    ByteBufferInit(&groups);
    EXPECT_TRUE(AddLocalGroupSids(&groups, me.data()) && SidListHolds(&groups, admins));
    ByteBufferFree(&groups);
}

TEST(SecurityAccess, RealFilesAnswerForTheOwnerAndAStrangerByWhicheverCheckRuns) {
    std::vector<uint8_t> me = CurrentUserSid();
    ASSERT_FALSE(me.empty());
    // S-1-5-21-11-22-33-4242: an account no one knows, so it holds only Everyone and Authenticated Users.
    const uint8_t stranger[] = {1, 5, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 11, 0, 0, 0,
                                22, 0, 0, 0, 33, 0, 0, 0, 0x92, 0x10, 0, 0};
    std::wstring folder = NewTempFolder(), open = folder + L"\\open.txt", closed = folder + L"\\closed.txt";
    ASSERT_TRUE(WriteFileBytes(open, "x") && WriteFileBytes(closed, "x"));
    ASSERT_TRUE(RunUnixShell(folder, "chmod 644 open.txt && chmod 600 closed.txt"));
    struct Case {
        std::wstring path;
        const uint8_t* account;
        uint32_t mask;
    };
    // Wine's DACL follows the mode bits: the owner may do anything, others read where the mode lets them.
    for (const Case& c : {Case{open, me.data(), 0x1F01FF}, Case{closed, me.data(), 0x1F01FF},
                          Case{open, stranger, 0x1200A9}, Case{closed, stranger, 0}}) {
        FileSecurity file(c.path);
        EffectiveAccessCheck check;
        ASSERT_TRUE(OpenEffectiveAccessCheck(&check, c.account));
        // Wine 8 has no resource manager, so its check gives no answer; where one does, the source must say so.
        uint32_t mask;
        bool system = SystemMaximumAllowed(&check, file.read.bytes[kDaclPart], file.read.size[kDaclPart], &mask);
        EffectiveAccess access;
        for (int twice = 0; twice < 2; twice++) {   // what the first found serves the second
            ASSERT_TRUE(CheckSecurityAccess(&check, &file.read, &access));
            EXPECT_EQ(access.source, system ? kAccessComputedByWindows : kAccessLocalGroupsOnly);
            EXPECT_EQ(access.mask, c.mask) << Utf8(c.path);
        }
        CloseEffectiveAccessCheck(&check);
    }
    RemoveTree(folder);
}
