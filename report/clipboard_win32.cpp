#include "report/clipboard_win32.h"

#include <string.h>

#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/text.h"
#include "base/tree_sink_win32.h"
#include "report/tree_text.h"

bool PutTextOnClipboard(HWND owner, const char16_t* text) {
    const size_t bytes = ((size_t)TextLength(text) + 1) * sizeof(char16_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!block) return false;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return false;
    }
    memcpy(target, text, bytes);
    GlobalUnlock(block);
    if (!OpenClipboard(owner)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    // The clipboard owns the block once it took it.
    const bool taken = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
    CloseClipboard();
    if (!taken) GlobalFree(block);
    return taken;
}

void CopySelectedNode(HWND owner, HWND tree, bool withSubtree) {
    TreeSink sink = TreeViewSink(tree);
    TreeItem node = sink.selected(sink.context);
    if (!node) return;
    char16_t* text = NodeReportText(&sink, node, withSubtree);
    if (!text) return;
    PutTextOnClipboard(owner, text);
    HeapFreeBytes(text);
}
