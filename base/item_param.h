// The 32-bit ItemParam every tree node carries: the group index in bits 0-15,
// the NodeKind in bits 16-23 and, on explicit folder ACEs, the scope bits
// 29-31. The menus choose by kind and act on the group the identity names.
//
// A node's identity (NodeId) is the 64-bit parameter of the tree item: the
// ItemParam in its low half, and in its upper half the full group index and
// the index of the node's entry within its ACL, each plus one (0: none, as
// in nodes that carry a bare ItemParam).
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"   // the folder bit decides which ACEs carry scope bits

// NodeKinds: the menus choose by them.
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

const uint32_t kNoGroup = 0xFFFF;   // ItemParam group index that names no group

// The group index that ItemParams carry: the 16-bit field cannot hold group
// kNoGroup and later ones, so their ItemParams carry kNoGroup; the node's
// identity still names the group.
inline uint32_t GroupItemIndex(uint32_t group) { return group < kNoGroup ? group : kNoGroup; }

inline uint32_t MakeItemParam(uint32_t group, uint32_t kind) { return (group & 0xFFFF) | (kind & 0xFF) << 16; }
inline uint32_t ItemGroup(uint32_t param) { return param & 0xFFFF; }
inline uint32_t ItemKind(uint32_t param) { return (param >> 16) & 0xFF; }

// Scope bits of explicit folder ACEs.
const uint32_t kScopeInheritFile = 1u << 29;
const uint32_t kScopeInheritSubfolder = 1u << 30;
const uint32_t kScopeThisFolder = 1u << 31;

// The commands and the detail dialog get the ItemParam's upper half, which
// holds the kind in its low byte and the scope bits at 13-15.
inline uint32_t ItemUpperHalf(uint32_t param) { return param >> 16; }
inline uint32_t ScopeOfUpperHalf(uint32_t half) { return half << 16; }
// In the upper half: the ACE reaches subfolders or the folder itself.
const uint32_t kUpperHalfFolderScope = (kScopeInheritSubfolder | kScopeThisFolder) >> 16;

// The node identity.
typedef uint64_t NodeId;
const uint32_t kNodeGroupBits = 20;   // with the entry bits the upper half
const uint32_t kNodeEntryBits = 12;   // an ACL of 64 KiB holds fewer ACEs with a SID
const uint32_t kNoNodeIndex = 0xFFFFFFFF;

inline uint32_t NodeIndexField(uint32_t index, uint32_t bits) {
    return index < (1u << bits) - 1 ? index + 1 : 0;
}
inline NodeId MakeNodeId(uint32_t itemParam, uint32_t group, uint32_t entry) {
    const uint64_t upper = NodeIndexField(group, kNodeGroupBits) | NodeIndexField(entry, kNodeEntryBits)
                                                                       << kNodeGroupBits;
    return upper << 32 | itemParam;
}
inline uint32_t NodeParam(NodeId id) { return (uint32_t)id; }
// The group, the entry: kNoNodeIndex when the node names none.
inline uint32_t NodeGroup(NodeId id) {
    const uint32_t field = (uint32_t)(id >> 32) & ((1u << kNodeGroupBits) - 1);
    return field ? field - 1 : kNoNodeIndex;
}
inline uint32_t NodeEntry(NodeId id) {
    const uint32_t field = (uint32_t)(id >> (32 + kNodeGroupBits));
    return field ? field - 1 : kNoNodeIndex;
}
