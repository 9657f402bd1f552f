#pragma once
#include <windows.h>

#include "base/tree_sink.h"

// A TreeSink over a tree-view control; the sink's context is the HWND.
TreeSink TreeViewSink(HWND tree);
