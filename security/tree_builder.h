// Reads a path's security data into tree nodes and its signature.
#pragma once
#include <stdint.h>

#include "base/item_param.h"
#include "base/tree_sink.h"
#include "security/byte_buffer.h"

// Inserts the path's attribute, owner, permission, auditing and integrity
// nodes under root, appends the signature sections to buffer, writes the
// buffer's used length into its first u32 and returns it.
// Group indexes from kNoGroup on are written as kNoGroup, so that no node
// names a group it does not belong to. When an append fails the nodes are
// still all inserted but the signature is incomplete: the result is then 0.
uint32_t BuildSecurityNodes(const TreeSink* tree, ByteBuffer* buffer, const char16_t* path, TreeItem root,
                            uint32_t attributes, uint32_t group);
