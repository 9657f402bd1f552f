#include "tests/unit/fake_tree.h"

#include <algorithm>
#include <cstdio>

#include "base/item_param.h"

namespace {

FakeTree* Self(void* c) { return static_cast<FakeTree*>(c); }

TreeItem Insert(void* c, TreeItem parent, const char16_t* text, int image, uint64_t param) {
    FakeTree* t = Self(c);
    FakeNode n;
    n.text = text;
    n.image = image;
    n.param = param;
    n.parent = parent;
    t->nodes.push_back(n);
    TreeItem item = t->nodes.size();
    if (parent == kTreeRoot) t->roots.push_back(item);
    else t->node(parent).children.push_back(item);
    return item;
}

void Kill(FakeTree* t, TreeItem item) {
    FakeNode& n = t->node(item);
    n.alive = false;
    for (TreeItem c : n.children) Kill(t, c);
    if (t->selection == item) t->selection = 0;
}

void Remove(void* c, TreeItem item) {
    FakeTree* t = Self(c);
    if (item == kTreeRoot) {
        for (TreeItem r : t->roots) Kill(t, r);
        t->roots.clear();
        return;
    }
    Kill(t, item);
    std::vector<TreeItem>& list = t->node(item).parent == kTreeRoot ? t->roots : t->node(t->node(item).parent).children;
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

void SetText(void* c, TreeItem item, const char16_t* text) { Self(c)->node(item).text = text; }
void Expand(void* c, TreeItem item) { Self(c)->node(item).expanded = true; }

TreeItem FirstChild(void* c, TreeItem item) {
    std::vector<TreeItem> kids = Self(c)->Children(item);
    return kids.empty() ? 0 : kids[0];
}

TreeItem NextSibling(void* c, TreeItem item) {
    FakeTree* t = Self(c);
    std::vector<TreeItem> sibs = t->Children(t->node(item).parent);
    for (size_t i = 0; i + 1 < sibs.size(); i++)
        if (sibs[i] == item) return sibs[i + 1];
    return 0;
}

void Select(void* c, TreeItem item) { Self(c)->selection = item; }
TreeItem Selected(void* c) { return Self(c)->selection; }

bool Read(void* c, TreeItem item, char16_t* text, uint32_t capacity, uint64_t* param) {
    FakeTree* t = Self(c);
    if (item == 0 || item > t->nodes.size() || !t->node(item).alive) return false;
    const FakeNode& n = t->node(item);
    uint32_t i = 0;
    for (; capacity && i + 1 < capacity && i < n.text.size(); i++) text[i] = n.text[i];
    if (capacity) text[i] = 0;
    *param = n.param;
    return true;
}

void DumpNode(const FakeTree& t, TreeItem item, int depth, std::string* out) {
    const FakeNode& n = t.nodes[item - 1];
    char line[64];
    snprintf(line, sizeof line, " [%d] k%x", n.image, ItemKind(NodeParam(n.param)));
    out->append(std::string(depth * 2, ' ') + Narrow(n.text) + line + "\n");
    for (TreeItem c : t.Children(item)) DumpNode(t, c, depth + 1, out);
}

}  // namespace

FakeTree::FakeTree() {
    sink = TreeSink{this, Insert, Remove, SetText, Expand, FirstChild, NextSibling, Select, Selected, Read};
}

std::vector<TreeItem> FakeTree::Children(TreeItem parent) const {
    const std::vector<TreeItem>& list = parent == kTreeRoot ? roots : nodes[parent - 1].children;
    std::vector<TreeItem> live;
    for (TreeItem i : list)
        if (nodes[i - 1].alive) live.push_back(i);
    return live;
}

std::string FakeTree::Dump() const {
    std::string out;
    for (TreeItem r : Children(kTreeRoot)) DumpNode(*this, r, 0, &out);
    return out;
}

size_t FakeTree::LiveCount() const {
    size_t n = 0;
    for (const FakeNode& node : nodes) n += node.alive;
    return n;
}

std::string Narrow(const std::u16string& s) {
    std::string out;
    for (char16_t c : s) {
        if (c < 0x80) out += (char)c;
        else if (c < 0x800) {
            out += (char)(0xC0 | (c >> 6));
            out += (char)(0x80 | (c & 0x3F));
        } else {
            out += (char)(0xE0 | (c >> 12));
            out += (char)(0x80 | ((c >> 6) & 0x3F));
            out += (char)(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string Wide(const std::string& s) {
    std::u16string out;
    for (unsigned char c : s) out += (char16_t)c;   // tests use ASCII
    return out;
}
