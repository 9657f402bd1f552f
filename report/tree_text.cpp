#include "report/tree_text.h"

#include "base/heap.h"
#include "base/format.h"
#include "base/item_param.h"
#include "config/config_text.h"
#include "security/ace_text.h"
#include "security/tree_builder.h"

namespace {

void Indent(ReportOut* out, uint32_t depth) {
    for (uint32_t i = 0; i < depth; i++) OutText(out, u"  ");
}

void WriteLine(ReportOut* out, uint32_t depth, const char16_t* text) {
    Indent(out, depth);
    OutText(out, text);
    OutText(out, u"\r\n");
}

// Nodes as lines: a node's item is its depth plus one, so a child's depth is
// its parent's item. Counts the nodes to find the one to write from.
struct LineNodes {
    ReportOut* out;
    uint32_t next;        // the number of the next node; the root is 0
    uint32_t from;
    uint32_t fromDepth;
    bool withSubtree;
    bool writing;
};

TreeItem InsertLine(void* context, TreeItem parent, const char16_t* text, int, uint64_t) {
    LineNodes* lines = static_cast<LineNodes*>(context);
    const uint32_t depth = (uint32_t)parent;
    const uint32_t number = lines->next++;
    if (lines->writing && depth <= lines->fromDepth) lines->writing = false;   // past the subtree
    if (number == lines->from) {
        lines->writing = true;
        lines->fromDepth = depth;
    }
    if (lines->writing && !lines->withSubtree) {
        OutText(lines->out, text);
        lines->writing = false;
    } else if (lines->writing) {
        WriteLine(lines->out, depth - lines->fromDepth, text);
    }
    return depth + 1;
}

// The pre-order number of node among item and the nodes below it, counted
// from *number; true once found.
bool NumberNode(const TreeSink* tree, TreeItem item, TreeItem node, uint32_t* number) {
    if (item == node) return true;
    for (TreeItem child = tree->firstChild(tree->context, item); child;
         child = tree->nextSibling(tree->context, child)) {
        ++*number;
        if (NumberNode(tree, child, node, number)) return true;
    }
    return false;
}

void WriteNodeOfNoGroup(ReportOut* out, const TreeSink* tree, TreeItem node, bool withSubtree) {
    char16_t text[kNodeTextUnits];
    uint64_t id;
    if (!tree->read(tree->context, node, text, kNodeTextUnits, &id)) return;
    if (withSubtree) WriteLine(out, 0, text);
    else OutText(out, text);
}

// The access /access: asks for, as one line under the group's root.
void WriteAccessLine(ReportOut* out, const ReportSelection* selection, const GroupSnapshot* group) {
    if (!selection->access) return;
    char16_t text[kNodeTextUnits];
    EffectiveAccess access;
    if (ReportGroupAccess(selection, group, &access)) {
        TextWriter w;
        TextWriterInit(&w, text, kNodeTextUnits);
        EffectiveAccessLine(&w, selection->access->account, &access, FirstGroupPath(group));
    } else {
        FormatText(text, kNodeTextUnits, Translate(u"Effective access of %s: unknown"), selection->access->account);
    }
    WriteLine(out, 1, text);
}

}  // namespace

void WriteGroupLines(ReportOut* out, const GroupSnapshot* group, uint32_t from, bool withSubtree) {
    const char16_t* first = FirstGroupPath(group);
    if (!first) return;
    LineNodes lines = {out, 1, from, 0, withSubtree, from == 0};
    if (from == 0) {
        char16_t text[kNodeTextUnits];
        GroupRootText(group, text);
        if (!withSubtree) {
            OutText(out, text);
            return;
        }
        WriteLine(out, 0, text);
        for (const char16_t* path = NextGroupPath(first); path; path = NextGroupPath(path)) {
            Indent(out, 1);
            OutText(out, u"= ");
            OutText(out, path);
            OutText(out, u"\r\n");
        }
    }
    const NodeSink sink = {&lines, InsertLine, nullptr};
    WriteSecurityNodes(&sink, group->security, first, 1, group->index);
}

void WriteReportLines(ReportOut* out, const ReportSelection* selection) {
    uint32_t unnamed = 0;
    const char16_t* name;
    uint32_t groupsBefore;
    for (uint32_t i = 0; i <= GroupCount(); i++) {
        for (; ReadUnnamedPath(unnamed, &name, &groupsBefore) && groupsBefore <= i; unnamed++) {
            char16_t text[kNodeTextUnits];
            UnknownNameText(name, text);
            WriteLine(out, 0, text);
        }
        GroupSnapshot group;
        if (i >= GroupCount() || !ReadGroup(i, &group) || !ReportKeepsGroup(selection, &group)) continue;
        WriteGroupLines(out, &group, 0, true);
        WriteAccessLine(out, selection, &group);
    }
}

char16_t* NodeReportText(const TreeSink* tree, TreeItem node, bool withSubtree) {
    GrowingText text;
    ReportOut* out = static_cast<ReportOut*>(HeapAllocBytes(sizeof(ReportOut)));
    if (!out) return nullptr;
    ReportOutInit(out, GrowingTextTarget(&text));
    char16_t ignored[1];
    uint64_t id = 0;
    GroupSnapshot group;
    uint32_t number = 0;
    if (node == kTreeRoot) WriteReportLines(out);
    else if (tree->read(tree->context, node, ignored, 1, &id) && ReadGroup(NodeGroup(id), &group) &&
             NumberNode(tree, group.root, node, &number))
        WriteGroupLines(out, &group, number, withSubtree);
    else WriteNodeOfNoGroup(out, tree, node, withSubtree);
    bool written = OutFlush(out, true);
    HeapFreeBytes(out);
    if (written && !text.text) text.text = static_cast<char16_t*>(HeapCopyBytes(u"", sizeof(char16_t)));
    if (written) return text.text;
    HeapFreeBytes(text.text);
    return nullptr;
}
