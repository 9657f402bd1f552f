#include "security/path_read.h"

#include "base/heap.h"
#include "base/text.h"
#include "security/security_platform.h"

uint32_t UnknownNameAttributes(const char16_t* path, PathNameKind kind, uint32_t attributes) {
    if (attributes != kAttributesInOpen) return attributes;
    return kind == kForeignPathName ? kNoFileAttributes : CurrentSecurityPlatform()->attributes(path);
}

void ReadNamedPath(const char16_t* path, uint32_t attributes, DescriptorBuffers* buffers, PathRead* out) {
    *out = PathRead{};
    char16_t fullPath[kFullPathUnits];
    out->kind = FormFullPath(path, fullPath);
    if (out->kind != kPlainPathName) {
        out->attributes = UnknownNameAttributes(path, out->kind, attributes);
        out->kept = true;
        return;
    }
    PathSecurity security;
    ReadPathSecurityInto(fullPath, attributes, buffers, &security);
    const size_t bytes = (size_t)(TextLength(fullPath) + 1) * sizeof(char16_t);
    out->fullPath = static_cast<char16_t*>(HeapCopyBytes(fullPath, bytes));
    out->kept = out->fullPath && KeepSecurity(&security, &out->security);
    if (!out->kept) FreePathRead(out);
}

void FreePathRead(PathRead* read) {
    if (read->security.block) FreeKeptSecurity(&read->security);
    HeapFreeBytes(read->fullPath);
    read->fullPath = nullptr;
    read->kept = false;
}
