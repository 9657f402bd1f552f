// An in-memory TreeSink that records what the core inserts.
#pragma once
#include <string>
#include <vector>

#include "base/tree_sink.h"

struct FakeNode {
    std::u16string text;
    int image = kNoImage;
    uint64_t param = 0;   // the node's identity
    bool expanded = false;
    bool alive = true;
    TreeItem parent = 0;
    std::vector<TreeItem> children;
};

struct FakeTree {
    std::vector<FakeNode> nodes;      // item n lives at nodes[n - 1]
    std::vector<TreeItem> roots;
    TreeItem selection = 0;
    TreeSink sink;

    FakeTree();
    FakeNode& node(TreeItem item) { return nodes[item - 1]; }
    std::vector<TreeItem> Children(TreeItem parent) const;   // live children in order
    // Indented dump "text [image] kind" for readable expectations.
    std::string Dump() const;
    size_t LiveCount() const;
};

std::string Narrow(const std::u16string& s);
std::u16string Wide(const std::string& s);
