// The groups as indented text, the same for the clipboard, "Copy report" and
// the console report: one line per node, two spaces per level, CR LF line
// ends; after a group's root line its other paths, one level in, each after
// "= ". Written from the groups by the tree's own text builders.
#pragma once
#include "base/tree_sink.h"
#include "report/report_out.h"
#include "report/report_selection.h"
#include "security/groups.h"

// The group's lines from its node number `from` (0: the root, then its
// nodes as a depth-first walk meets them): that node's line and, with
// subtree, every node below it. Without subtree the line has no line end.
void WriteGroupLines(ReportOut* out, const GroupSnapshot* group, uint32_t from, bool withSubtree);
// Every group the selection keeps, each followed by the effective access it
// asks for, and every name no group was formed for, in the tree's order.
void WriteReportLines(ReportOut* out, const ReportSelection* selection = &kWholeReport);

// Clipboard texts on the heap (the caller frees them); null when memory ran
// out. node kTreeRoot: every group. The tree only tells which node is meant;
// a node that names no group (a placeholder, an unknown name) gives its text.
char16_t* NodeReportText(const TreeSink* tree, TreeItem node, bool withSubtree);
