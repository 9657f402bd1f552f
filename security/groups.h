// Paths whose security data are byte for byte identical share one group.
// The groups are the model: each keeps what was read for its first path,
// and everything the window, the reports and the actions show or act on is
// rendered from them.
#pragma once
#include <stdint.h>

#include "base/file_attributes.h"
#include "base/tree_sink.h"
#include "security/path_read.h"
#include "security/security_platform.h"

// What the menus, commands and reports need of one group. The pointers stay
// valid until the groups change: a merged path may move the paths.
struct GroupSnapshot {
    uint32_t index;
    uint32_t pathCount;
    TreeItem root;
    const char16_t* paths;            // pathCount zero-terminated paths back to back, then one more zero
    const uint8_t* signature;         // its first path's SecuritySignature as last read
    uint32_t signatureLength;
    const PathSecurity* security;     // what was read for its first path, kept at its size
};

// Adds one path: a new group with its subtree, or one more path of the group
// with identical security data. When storage runs out the path is left out
// whole, so the tree always matches the groups. attributes: GetFileAttributesW's
// value, or kAttributesInOpen to read them in the same open as the security.
// A merged path's "(n) path" root text is written by FlushGroupRootTexts.
void AddPath(const TreeSink* tree, const char16_t* path, uint32_t attributes);
// AddPath for a named path: false, and nothing added, when the tree holds the
// same path already (security/known_paths.h) or memory ran out.
bool AddNewPath(const TreeSink* tree, const char16_t* path, uint32_t attributes);
// AddNewPath for a path a reader has read already (security/read_ahead.h).
bool AddNewReadPath(const TreeSink* tree, const char16_t* path, const PathRead* read);
// Writes the root texts of the groups that grew since the last call: every
// caller of AddPath calls it at the end of each batch of paths.
void FlushGroupRootTexts(const TreeSink* tree);
// After a change to the group's paths: reads its first path again, keeps
// that reading as the group's security and signature and rebuilds its root's
// children; the other paths are read again and those whose security no
// longer matches leave the group and are added again as if newly named
// (joining another group or starting one, flushed root texts included).
// When the group's new signature equals another group's, the later of the
// two joins the earlier: its paths follow the earlier's, in order, and its
// root leaves the tree. Returns the index of the group that now holds the
// first path (the one to select).
uint32_t RegroupAfterChange(const TreeSink* tree, uint32_t index);
// Releases every group and the account names kept for the fill; the caller
// deletes the tree's nodes itself.
void ClearGroups();
// Counts the ClearGroups calls: a group index means the same group only while
// the count it was taken with is the current one.
uint32_t GroupsGeneration();
// The paths AddPath left out since ClearGroups because storage ran out.
uint32_t PathsLeftOut();
// One past the highest group index; a group that joined another keeps its
// index but no longer reads.
uint32_t GroupCount();
// False for an index no group has (or had, before it joined another).
bool ReadGroup(uint32_t index, GroupSnapshot* out);

// The one way through a group's paths, in stored order:
//   for (const char16_t* p = FirstGroupPath(g); p; p = NextGroupPath(p))
const char16_t* FirstGroupPath(const GroupSnapshot* group);
const char16_t* NextGroupPath(const char16_t* path);
// The units of the paths block, its last zero included.
uint32_t GroupPathUnits(const GroupSnapshot* group);

// A group root's text: "(n) path", or the bare path of a group of one; text
// holds kNodeTextUnits.
void GroupRootText(const GroupSnapshot* group, char16_t* text);
// "unknown name : path", the root of a name no group is formed for.
void UnknownNameText(const char16_t* name, char16_t* text);
// Those names, in the order named; groupsBefore: the groups formed before
// it, so that a report puts it where the tree shows it.
uint32_t UnnamedPathCount();
bool ReadUnnamedPath(uint32_t i, const char16_t** name, uint32_t* groupsBefore);
