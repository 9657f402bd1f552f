// The report as one JSON document: per group its paths, the texts the tree
// shows and the raw facts (SID strings, hex masks, the descriptor in SDDL);
// then the paths that could not be read. Written group by group from the
// groups, which already hold what was read.
#pragma once
#include <stdint.h>

#include "base/text.h"
#include "report/report_out.h"
#include "report/report_selection.h"
#include "security/groups.h"

// A string value with JSON escapes: quotes, backslashes, control characters
// and lone surrogates as \uXXXX.
void OutJsonString(ReportOut* out, const char16_t* text);

// True when the group's attributes, owner and permissions were read; else
// error (kNodeTextUnits) holds the tree's texts of the parts that were not
// ("unknown ownership; unknown permissions").
bool GroupRead(const GroupSnapshot* group, char16_t* error);
// The paths a walk below folders could not give out, for the reports:
// pairs of zero-terminated texts back to back, why (translated) and the path.
struct WalkGaps {
    const char16_t* pairs;   // null when there are none
    uint32_t units;
};
// The gap at *offset, moving it on; false after the last.
bool NextWalkGap(const WalkGaps* gaps, uint32_t* offset, const char16_t** reason, const char16_t** path);

// Writes the document: the filter applied ("filter", null for none), the
// groups the selection keeps, each with the effective access it asks for,
// and every unreadable path, the walk's gaps among them; true when every
// path was read.
bool WriteJsonReport(ReportOut* out, const WalkGaps* gaps, const ReportSelection* selection = &kWholeReport);
