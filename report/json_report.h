// The report as one JSON document: per group its paths, the texts the tree
// shows and the raw facts (SID strings, hex masks, the descriptor in SDDL);
// then the paths that could not be read. Written group by group.
#pragma once
#include <stdint.h>

#include "base/text.h"
#include "base/tree_sink.h"
#include "report/report_out.h"
#include "security/groups.h"

// A string value with JSON escapes: quotes, backslashes, control characters
// and lone surrogates as \uXXXX.
void OutJsonString(ReportOut* out, const char16_t* text);

typedef uint32_t (*PathAttributesFn)(void* context, const char16_t* path);

enum GroupReading { kNoSuchGroup, kGroupRead, kGroupUnread };
// Reads group index's first path again: kGroupRead when it gives its
// attributes, owner and permissions; kGroupUnread with error (kNodeTextUnits)
// holding the tree's texts of the parts that failed ("unknown ownership;
// unknown permissions").
GroupReading CheckGroup(uint32_t index, PathAttributesFn attributes, void* context, GroupSnapshot* group,
                        uint32_t* groupAttributes, char16_t* error);

struct JsonReportInput {
    const TreeSink* tree;                // the groups' nodes
    PathAttributesFn attributes;
    void* context;
    const char16_t* unknownNames;        // zero-terminated names back to back, then one more zero; may be null
};
// Writes the document; true when every path was read.
bool WriteJsonReport(ReportOut* out, const JsonReportInput* input);
