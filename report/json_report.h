// The report as one JSON document: per group its paths, the texts the tree
// shows and the raw facts (SID strings, hex masks, the descriptor in SDDL);
// then the paths that could not be read. Written group by group.
#pragma once
#include <stdint.h>

#include "base/text.h"
#include "base/tree_sink.h"
#include "report/report_out.h"

// A string value with JSON escapes: quotes, backslashes, control characters
// and lone surrogates as \uXXXX.
void OutJsonString(ReportOut* out, const char16_t* text);

// True when the group's first path gave its attributes, owner and
// permissions; otherwise error receives the tree's texts of the parts that
// failed ("unknown ownership; unknown permissions").
bool GroupReadable(const char16_t* path, uint32_t attributes, TextWriter* error);

struct JsonReportInput {
    const TreeSink* tree;                // the groups' nodes
    uint32_t (*attributes)(void* context, const char16_t* path);
    void* context;
    const char16_t* unknownNames;        // zero-terminated names back to back, then one more zero; may be null
};
// Writes the document; true when every path was read.
bool WriteJsonReport(ReportOut* out, const JsonReportInput* input);
