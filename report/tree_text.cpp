#include "report/tree_text.h"

#include "base/heap.h"
#include "base/item_param.h"
#include "security/ace_text.h"
#include "security/groups.h"

namespace {

void Indent(ReportOut* out, uint32_t depth) {
    for (uint32_t i = 0; i < depth; i++) OutText(out, u"  ");
}

// The paths after the first of the group whose root this node is.
void WriteOtherGroupPaths(ReportOut* out, TreeItem node, uint32_t param, uint32_t depth) {
    GroupSnapshot group;
    if (ItemKind(param) != kKindPathRoot || !ReadGroup(ItemGroup(param), &group) || group.root != node) return;
    const char16_t* path = FirstGroupPath(&group);
    for (path = path ? NextGroupPath(path) : nullptr; path; path = NextGroupPath(path)) {
        Indent(out, depth + 1);
        OutText(out, u"= ");
        OutText(out, path);
        OutText(out, u"\r\n");
    }
}

}  // namespace

void WriteNodeText(ReportOut* out, const TreeSink* tree, TreeItem node) {
    char16_t text[kNodeTextUnits];
    uint32_t param;
    if (tree->read(tree->context, node, text, kNodeTextUnits, &param)) OutText(out, text);
}

void WriteNodeLines(ReportOut* out, const TreeSink* tree, TreeItem node, uint32_t depth) {
    char16_t text[kNodeTextUnits];
    uint32_t param;
    if (!tree->read(tree->context, node, text, kNodeTextUnits, &param)) return;
    Indent(out, depth);
    OutText(out, text);
    OutText(out, u"\r\n");
    WriteOtherGroupPaths(out, node, param, depth);
    for (TreeItem child = tree->firstChild(tree->context, node); child; child = tree->nextSibling(tree->context, child))
        WriteNodeLines(out, tree, child, depth + 1);
}

void WriteTreeLines(ReportOut* out, const TreeSink* tree) {
    for (TreeItem root = tree->firstChild(tree->context, kTreeRoot); root; root = tree->nextSibling(tree->context, root))
        WriteNodeLines(out, tree, root, 0);
}

char16_t* NodeReportText(const TreeSink* tree, TreeItem node, bool withSubtree) {
    GrowingText text;
    ReportOut* out = static_cast<ReportOut*>(HeapAllocBytes(sizeof(ReportOut)));
    if (!out) return nullptr;
    ReportOutInit(out, GrowingTextTarget(&text));
    if (node == kTreeRoot) WriteTreeLines(out, tree);
    else if (withSubtree) WriteNodeLines(out, tree, node, 0);
    else WriteNodeText(out, tree, node);
    bool written = OutFlush(out, true);
    HeapFreeBytes(out);
    if (written && !text.text) text.text = static_cast<char16_t*>(HeapCopyBytes(u"", sizeof(char16_t)));
    if (written) return text.text;
    HeapFreeBytes(text.text);
    return nullptr;
}
