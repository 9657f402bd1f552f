// Reads a path's security data into tree nodes and its signature.
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"
#include "base/tree_sink.h"
#include "security/byte_buffer.h"
#include "security/security_platform.h"

// Reads the path's attributes (attributes is kAttributesInOpen) or takes the
// given ones, and every descriptor part: through one open when the platform
// can, else part by part. The parts stay valid until the next reading.
void ReadPathSecurity(const char16_t* path, uint32_t attributes, PathSecurity* out);
// Appends the signature sections of what was read to buffer, writes the
// buffer's used length into its first u32 and returns it; 0 when an append
// failed. No text is made and no account looked up.
uint32_t FormSignature(const PathSecurity* security, ByteBuffer* buffer);
// Inserts the attribute, owner, permission, auditing and integrity nodes of
// what was read under root.
void InsertSecurityNodes(const TreeSink* tree, const PathSecurity* security, const char16_t* path, TreeItem root,
                         uint32_t group);
