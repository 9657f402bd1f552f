// Reads a path's security data into tree nodes and its signature.
#pragma once
#include <stdint.h>

#include "base/tree_sink.h"
#include "security/byte_buffer.h"

// NodeKinds: bits 16-23 of every node's ItemParam; the menus choose by them.
const uint32_t kKindPlain = 0x00;        // attribute summary, auditing header, failure nodes
const uint32_t kKindPathRoot = 0x01;
const uint32_t kKindReadonly = 0x02;
const uint32_t kKindHidden = 0x03;
const uint32_t kKindSystem = 0x04;
const uint32_t kKindReparse = 0x05;
const uint32_t kKindCompressed = 0x06;
const uint32_t kKindEncrypted = 0x07;
const uint32_t kKindOwner = 0x08;
const uint32_t kKindUnset = 0x09;
const uint32_t kKindPermissions = 0x0a;
const uint32_t kKindAllowAce = 0x0b;
const uint32_t kKindDenyAce = 0x0c;
const uint32_t kKindAudit = 0x0d;
const uint32_t kKindOtherAce = 0x0e;
const uint32_t kKindInherited = 0x0f;
const uint32_t kKindIntegrity = 0x10;

// Inserts the path's attribute, owner, permission, auditing and integrity
// nodes under root, appends the signature sections to buffer, writes the
// buffer's used length into its first u32 and returns it.
// Group indexes from kNoGroup on are written as kNoGroup, so that no node
// names a group it does not belong to. When an append fails the nodes are
// still all inserted but the signature is incomplete: the result is then 0.
uint32_t BuildSecurityNodes(const TreeSink* tree, ByteBuffer* buffer, const char16_t* path, TreeItem root,
                            uint32_t attributes, uint32_t group);
