// The tree as indented text, the same for the clipboard and the console
// report: one line per node, two spaces per level, CR LF line ends; after a
// group's root line its other paths, one level in, each after "= ".
#pragma once
#include "base/tree_sink.h"
#include "report/report_out.h"

// The node's own text, no line end.
void WriteNodeText(ReportOut* out, const TreeSink* tree, TreeItem node);
// The node's line, its group's other paths and every node below it.
void WriteNodeLines(ReportOut* out, const TreeSink* tree, TreeItem node, uint32_t depth);
// Every root node in turn, with everything below it.
void WriteTreeLines(ReportOut* out, const TreeSink* tree);

// Clipboard texts on the heap (the caller frees them); null when memory ran
// out. node kTreeRoot: every root node.
char16_t* NodeReportText(const TreeSink* tree, TreeItem node, bool withSubtree);
