// Arbitrary bytes as a descriptor and as typed text: effective access, the
// finds and the typed SID reader must stay inside them, and a descriptor
// rebuilt from the owner and DACL must read back the same.
#include <string.h>

#include "security/descriptor_find.h"
#include "security/effective_access.h"
#include "security/typed_account.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 65536) return 0;
    const uint32_t n = (uint32_t)size;
    const uint8_t* owner;
    bool defaulted, present, saclPresent;
    AclView dacl, sacl;
    if (ReadDescriptorOwner(data, n, &owner, &defaulted) && ReadDescriptorDacl(data, n, &present, &dacl) &&
        ReadDescriptorSacl(data, n, &saclPresent, &sacl)) {
        ByteBuffer held;
        ByteBufferInit(&held);
        EffectiveAccess access;
        if (owner && SidListAddAccount(&held, owner)) EvaluateEffectiveAccess(owner, present, &dacl, &held, &access);
        // The same bytes as every part of a group's security.
        PathSecurity security = {};
        for (uint32_t part = 0; part < kDescriptorPartCount; part++)
            security.read[part] = true, security.bytes[part] = const_cast<uint8_t*>(data), security.size[part] = n;
        DescriptorPart part;
        uint32_t index;
        if (owner) FindSidInAcl(&dacl, owner, 1, &index), FindSidInSecurity(&security, owner, &part, &index);
        SecurityHasExplicitPermissions(&security), SecurityInheritanceOff(&security);
        EvaluateSecurityAccess(&security, &held, &access);
        ByteBuffer sd;
        ByteBufferInit(&sd);
        const uint8_t* readOwner;
        bool readPresent;
        AclView readDacl;
        if (ComposeAccessDescriptor(owner, present, &dacl, &sd) &&
            (!ReadDescriptorOwner(sd.data, sd.used, &readOwner, &defaulted) ||
             (owner ? !SidsEqual(readOwner, owner) : readOwner != nullptr) ||
             !ReadDescriptorDacl(sd.data, sd.used, &readPresent, &readDacl) || readPresent != present ||
             readDacl.size != dacl.size || (dacl.acl && memcmp(readDacl.acl, dacl.acl, dacl.size) != 0)))
            __builtin_trap();
        ByteBufferFree(&sd);
        ByteBufferFree(&held);
    }
    char16_t text[64];
    uint32_t units = n / 2 < 63 ? n / 2 : 63;
    memcpy(text, data, units * 2);
    text[units] = 0;
    uint8_t sid[kMaxSidBytes];
    if (ParseTypedAccount(text, sid) == kTypedSid && SidLength(sid) > kMaxSidBytes) __builtin_trap();
    return 0;
}
