#include "tests/unit/native_threads.h"

#include <atomic>
#include <new>
#include <thread>

#include "base/threads.h"

namespace {

std::atomic<uint32_t> g_starts{0};
std::atomic<uint32_t> g_firstRefused{1};
std::atomic<uint32_t> g_lastRefused{0};

bool StartNative(void (*run)(void*), void* argument, ThreadHandle* out) {
    const uint32_t start = g_starts++;
    if (start >= g_firstRefused && start <= g_lastRefused) return false;
    out->system = new std::thread(run, argument);
    return true;
}

void JoinNative(ThreadHandle* thread) {
    std::thread* t = static_cast<std::thread*>(thread->system);
    t->join();
    delete t;
}

const ThreadOps kNativeThreads = {StartNative, JoinNative};
const ThreadOps* const kInstalled = (SetThreadOps(&kNativeThreads), &kNativeThreads);

}  // namespace

void RefuseThreadStarts(uint32_t first, uint32_t last) {
    g_starts = 0;
    g_firstRefused = first;
    g_lastRefused = last;
}
