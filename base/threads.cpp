#include "base/threads.h"

namespace {

const ThreadOps* g_threads;

}  // namespace

const ThreadOps* SetThreadOps(const ThreadOps* ops) {
    const ThreadOps* old = g_threads;
    g_threads = ops;
    return old;
}

bool StartThread(void (*run)(void*), void* argument, ThreadHandle* out) {
    out->system = nullptr;
    if (!g_threads || !g_threads->start(run, argument, out)) {
        out->system = nullptr;
        return false;
    }
    return true;
}

void JoinThread(ThreadHandle* thread) {
    if (!thread->system) return;
    g_threads->join(thread);
    thread->system = nullptr;
}
