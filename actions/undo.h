// One level of undo: before a command runs on a group, what the group had
// (its first path's security, which every path of it shares) is kept, and as
// the run goes, which paths the command ran on. "Undo last change" and Ctrl+Z
// put exactly those paths back through icacls, and the group is read again.
#pragma once
#include <stdint.h>

#include "actions/action_platform.h"
#include "base/tree_sink.h"
#include "security/byte_buffer.h"
#include "security/security_platform.h"

// Keeps the group's security as the model holds it, before a command changes
// it; the undo kept before is dropped.
void StartUndoRecord(uint32_t group);
// Right after the run, before the groups change: paths holds the group's
// paths, of which the first `ran` had the command started on them (the last
// may have failed); they are copied.
void RecordPathsRun(const char16_t* paths, uint32_t ran);
// Once regrouped: holder is the group that holds the paths now. A change that
// reached below the folders (never read) is not undone, and the log says so.
void FinishUndoRecord(const ActionPlatform* platform, uint32_t holder, bool reachedBelow);
// True when the group holds the last change and it can be undone.
bool UndoOffered(uint32_t group);
// Puts the paths of the group's last change back and regroups them; when
// there is nothing to undo for the group, the log says why.
void UndoLastChange(const ActionPlatform* platform, const TreeSink* tree, uint32_t group);
// Drops the record (the window's end, tests).
void ForgetUndo();

// The restore file format that icacls /save writes and /restore reads:
// UTF-16LE without a byte-order mark, per path a line with its name in the
// folder and a line with its DACL in SDDL, each line ended by CR LF.
// daclLine is the DACL's line in the file's bytes, its CR LF included.
bool AppendRestoreEntry(ByteBuffer* file, const char16_t* name, const ByteBuffer* daclLine);
// The DACL line of what was read: "D:" with the P and AI flags and the ACEs,
// or "D:NO_ACCESS_CONTROL" for a null or absent DACL. False when the DACL was
// not read, an ACE cannot be written, or memory runs out.
bool RestoreDaclLine(const PathSecurity* security, ByteBuffer* line);
// The folder icacls /restore is given (kFullPathUnits units) and the path's
// name in it; false for a path with no folder above it (a drive's or a
// share's root) or a name that cannot stand on a line of its own.
bool SplitRestorePath(const char16_t* path, char16_t* folder, const char16_t** name);
