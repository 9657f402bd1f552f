// What a reader learns of one named path ahead of the window: the platform
// calls AddPath would make, done on another thread, kept at its real size.
#pragma once
#include <stdint.h>

#include "security/kept_security.h"
#include "security/path_names.h"
#include "security/tree_builder.h"

struct PathRead {
    PathNameKind kind;
    uint32_t attributes;     // a name no group is formed for: its attributes, for the glyph
    char16_t* fullPath;      // kPlainPathName: the full path, on the heap
    KeptSecurity security;   // kPlainPathName and kept: what was read
    bool kept;               // false: memory ran out, the path is left out
};

// Reads the path as AddPath would (attributes as AddPath takes them), the
// parts into buffers, then keeps them in a block of their own size.
void ReadNamedPath(const char16_t* path, uint32_t attributes, DescriptorBuffers* buffers, PathRead* out);
void FreePathRead(PathRead* read);
// The attributes of a name no group is formed for: a foreign name is never
// touched.
uint32_t UnknownNameAttributes(const char16_t* path, PathNameKind kind, uint32_t attributes);
