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

// Some SIDs are found, some with names as long as the buffers allow.
bool LookupAccount(const char16_t*, const uint8_t* sid, char16_t* name, char16_t* domain) {
    uint32_t n = sid[1] % 2 ? kAccountUnits - 1 : 3;
    for (uint32_t i = 0; i < n; i++) name[i] = u'n';
    name[n] = domain[0] = 0;
    return sid[1] % 3 != 0;
}

bool SidToString(const uint8_t* sid, char16_t* out, uint32_t capacity) {
    uint32_t n = SidLength(sid) < capacity ? SidLength(sid) : capacity - 1;
    for (uint32_t i = 0; i < n; i++) out[i] = (char16_t)(u'0' + sid[i] % 10);
    out[n] = 0;
    return sid[7] % 2 == 0;
}

bool FullPath(const char16_t* path, char16_t* out) {
    memcpy(out, path, 2 * 10);
    return true;
}

const SecurityPlatform kFuzzPlatform = {ReadDescriptor, SetPrivilege, LookupAccount, SidToString, FullPath};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 4 || size > kDescriptorBufferBytes + 4) return 0;
    SetSecurityPlatform(&kFuzzPlatform);
    uint32_t attributes;
    memcpy(&attributes, data, 4);
    g_bytes = data + 4;
    g_size = (uint32_t)(size - 4);
    // A UNC path, twice: the second add must merge into the first group.
    FakeTree tree;
    AddPath(&tree.sink, u"\\\\srv\\s\\x", attributes);
    AddPath(&tree.sink, u"\\\\srv\\s\\x", attributes);
    GroupSnapshot group;
    if (GroupCount() != 1 || !ReadGroup(0, &group) || group.pathCount != 2) __builtin_trap();
    ClearGroups();
    return 0;
}
