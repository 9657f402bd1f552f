// Reads a path's security data into tree nodes and its signature.
#pragma once
#include <stdint.h>

#include "base/item_param.h"
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

// Reads the path and does both of the above in one walk (a refresh): inserts the path's attribute, owner, permission, auditing and integrity
// nodes under root, appends the signature sections to buffer, writes the
// buffer's used length into its first u32 and returns it.
// Group indexes from kNoGroup on are written as kNoGroup, so that no node
// names a group it does not belong to. When an append fails the nodes are
// still all inserted but the signature is incomplete: the result is then 0.
uint32_t BuildSecurityNodes(const TreeSink* tree, ByteBuffer* buffer, const char16_t* path, TreeItem root,
                            uint32_t attributes, uint32_t group);
