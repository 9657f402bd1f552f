// Copying tree text to the clipboard as CF_UNICODETEXT.
#pragma once
#include <windows.h>

#include "base/tree_sink.h"

bool PutTextOnClipboard(HWND owner, const char16_t* text);
// Ctrl+C: the selected node's text; Ctrl+Shift+C: the node and everything
// below it.
void CopySelectedNode(HWND owner, HWND tree, bool withSubtree);
