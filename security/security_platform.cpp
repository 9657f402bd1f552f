#include "security/security_platform.h"

#include <string.h>

namespace {

bool NoDescriptor(const char16_t*, uint32_t, uint8_t*, uint32_t, uint32_t*) { return false; }
bool NoSecurity(const char16_t*, bool, PathSecurity*) { return false; }
uint32_t NoAttributes(const char16_t*) { return kNoFileAttributes; }
bool NoPrivilege(const char16_t*, bool) { return false; }
bool NoAccount(const char16_t*, const uint8_t*, char16_t*, char16_t*) { return false; }
bool NoSidString(const uint8_t*, char16_t*, uint32_t) { return false; }
bool NoFullPath(const char16_t*, char16_t*) { return false; }
void SameCase(const char16_t* text, uint32_t units, char16_t* out) { memcpy(out, text, units * sizeof(char16_t)); }

const SecurityPlatform kNoPlatform = {NoDescriptor, NoSecurity, NoAttributes, NoPrivilege,
                                     NoAccount,    NoSidString, NoFullPath,   SameCase};
const SecurityPlatform* g_platform = &kNoPlatform;

}  // namespace

const uint32_t kPartInformation[kDescriptorPartCount] = {kOwnerInformation, kDaclInformation, kSaclInformation,
                                                         kLabelInformation};

const SecurityPlatform* SetSecurityPlatform(const SecurityPlatform* platform) {
    const SecurityPlatform* old = g_platform;
    g_platform = platform ? platform : &kNoPlatform;
    return old;
}

const SecurityPlatform* CurrentSecurityPlatform() { return g_platform; }
