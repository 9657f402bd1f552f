#include "base/tree_sink_win32.h"

#include <commctrl.h>

#include "base/platform_win32.h"

namespace {

HWND Tree(void* context) { return static_cast<HWND>(context); }
HTREEITEM Item(TreeItem item) { return reinterpret_cast<HTREEITEM>(item); }

TreeItem Insert(void* context, TreeItem parent, const char16_t* text, int image, uint64_t id) {
    TVINSERTSTRUCTW insert = {};
    insert.hParent = Item(parent);
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(W(text));
    insert.item.lParam = (LPARAM)id;
    if (image != kNoImage) {
        insert.item.mask |= TVIF_IMAGE | TVIF_SELECTEDIMAGE;
        insert.item.iImage = image;
        insert.item.iSelectedImage = image;
    }
    return (TreeItem)SendMessageW(Tree(context), TVM_INSERTITEMW, 0, (LPARAM)&insert);
}

void Remove(void* context, TreeItem item) {
    SendMessageW(Tree(context), TVM_DELETEITEM, 0, (LPARAM)Item(item));
}

void SetText(void* context, TreeItem item, const char16_t* text) {
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT;
    tv.hItem = Item(item);
    tv.pszText = const_cast<wchar_t*>(W(text));
    SendMessageW(Tree(context), TVM_SETITEMW, 0, (LPARAM)&tv);
}

void Expand(void* context, TreeItem item) {
    SendMessageW(Tree(context), TVM_EXPAND, TVE_EXPAND, (LPARAM)Item(item));
}

TreeItem FirstChild(void* context, TreeItem item) {
    if (item == kTreeRoot) return (TreeItem)SendMessageW(Tree(context), TVM_GETNEXTITEM, TVGN_ROOT, 0);
    return (TreeItem)SendMessageW(Tree(context), TVM_GETNEXTITEM, TVGN_CHILD, (LPARAM)Item(item));
}

TreeItem NextSibling(void* context, TreeItem item) {
    return (TreeItem)SendMessageW(Tree(context), TVM_GETNEXTITEM, TVGN_NEXT, (LPARAM)Item(item));
}

void Select(void* context, TreeItem item) {
    SendMessageW(Tree(context), TVM_SELECTITEM, TVGN_CARET, (LPARAM)Item(item));
}

TreeItem Selected(void* context) {
    return (TreeItem)SendMessageW(Tree(context), TVM_GETNEXTITEM, TVGN_CARET, 0);
}

bool Read(void* context, TreeItem item, char16_t* text, uint32_t capacity, uint64_t* id) {
    TVITEMW tv = {};
    tv.mask = TVIF_TEXT | TVIF_PARAM;
    tv.hItem = Item(item);
    tv.pszText = W(text);
    tv.cchTextMax = (int)capacity;
    if (capacity) text[0] = 0;
    if (!SendMessageW(Tree(context), TVM_GETITEMW, 0, (LPARAM)&tv)) return false;
    *id = (uint64_t)tv.lParam;
    return true;
}

}  // namespace

TreeSink TreeViewSink(HWND tree) {
    return TreeSink{tree, Insert, Remove, SetText, Expand, FirstChild, NextSibling, Select, Selected, Read};
}
