// Arbitrary bytes as the answer to every descriptor query: the reader and the
// tree builder must stay inside the bytes, and grouping must hold together.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "security/descriptor.h"
#include "security/groups.h"
#include "security/security_platform.h"
#include "tests/unit/fake_tree.h"

namespace {

const uint8_t* g_bytes;
uint32_t g_size;

bool ReadDescriptor(const char16_t*, uint32_t, uint8_t* buffer, uint32_t capacity, uint32_t* size) {
    if (g_size > capacity) return false;
    memcpy(buffer, g_bytes, g_size);
    *size = g_size;
    return true;
}

bool SetPrivilege(const char16_t*, bool) { return true; }

// Lookups succeed for some SIDs, with names as long as the buffers allow.
bool LookupAccount(const char16_t*, const uint8_t* sid, char16_t* name, char16_t* domain) {
    if (sid[1] % 3 == 0) return false;
    uint32_t n = sid[1] % 2 ? kAccountUnits - 1 : 3;
    for (uint32_t i = 0; i < n; i++) name[i] = u'n';
    name[n] = 0;
    domain[0] = sid[1] % 2 ? u'd' : 0;
    domain[1] = 0;
    return true;
}

bool SidToString(const uint8_t* sid, char16_t* out, uint32_t capacity) {
    if (sid[7] % 2) return false;
    uint32_t n = SidLength(sid) < capacity ? SidLength(sid) : capacity - 1;
    for (uint32_t i = 0; i < n; i++) out[i] = (char16_t)(u'0' + sid[i] % 10);
    out[n] = 0;
    return true;
}

bool FullPath(const char16_t* path, char16_t* out) {
    memcpy(out, path, 2 * 10);
    return true;
}

const SecurityPlatform kFuzzPlatform = {ReadDescriptor, SetPrivilege, LookupAccount, SidToString, FullPath};

void WalkDirectly(const uint8_t* data, uint32_t size) {
    const uint8_t* sid;
    bool defaulted;
    if (ReadDescriptorOwner(data, size, &sid, &defaulted) && sid) SidLength(sid);
    bool present;
    AclView acl;
    if (ReadDescriptorDacl(data, size, &present, &acl)) {
        AceCursor cursor;
        AceCursorInit(&cursor, &acl);
        AceView ace;
        uint32_t mask;
        while (NextAce(&cursor, &ace)) AceMaskAndSid(&ace, &mask, &sid);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > kDescriptorBufferBytes + 4) return 0;
    SetSecurityPlatform(&kFuzzPlatform);
    uint32_t attributes;
    memcpy(&attributes, data, 4);
    g_bytes = data + 4;
    g_size = (uint32_t)(size - 4);
    WalkDirectly(g_bytes, g_size);

    // Paths in UNC and local form; the second add must merge into the first.
    FakeTree tree;
    AddPath(&tree.sink, u"\\\\srv\\s\\x", attributes);
    AddPath(&tree.sink, u"\\\\srv\\s\\x", attributes);
    if (GroupCount() != 1) __builtin_trap();
    GroupSnapshot group;
    if (!ReadGroup(0, &group) || group.pathCount != 2) __builtin_trap();
    ClearGroups();
    return 0;
}
