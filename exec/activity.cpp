#include "exec/activity.h"

#include <stdint.h>

namespace {

uint32_t g_depth;
bool g_stop;
bool g_close;

}  // namespace

void BeginActivity() { g_depth++; }

bool EndActivity() {
    if (g_depth == 0 || --g_depth > 0) return false;
    const bool close = g_close;
    g_stop = g_close = false;
    return close;
}

bool ActivityInProgress() { return g_depth > 0; }

void RequestStop(bool thenClose) {
    if (g_depth == 0) return;
    g_stop = true;
    g_close = g_close || thenClose;
}

bool StopRequested() { return g_stop; }
