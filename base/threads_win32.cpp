#include <windows.h>

#include "base/heap.h"
#include "base/platform_win32.h"
#include "base/threads.h"

namespace {

// What the new thread runs, handed over on the heap: the thread frees it.
struct ThreadStart {
    void (*run)(void*);
    void* argument;
};

DWORD WINAPI RunThreadStart(void* parameter) {
    const ThreadStart start = *static_cast<ThreadStart*>(parameter);
    HeapFreeBytes(parameter);
    start.run(start.argument);
    return 0;
}

bool StartSystemThread(void (*run)(void*), void* argument, ThreadHandle* out) {
    ThreadStart* start = static_cast<ThreadStart*>(HeapAllocBytes(sizeof(ThreadStart)));
    if (!start) return false;
    *start = ThreadStart{run, argument};
    HANDLE thread = CreateThread(nullptr, 0, RunThreadStart, start, 0, nullptr);
    if (!thread) {
        HeapFreeBytes(start);
        return false;
    }
    out->system = thread;
    return true;
}

void JoinSystemThread(ThreadHandle* thread) {
    WaitForSingleObject(thread->system, INFINITE);
    CloseHandle(thread->system);
}

const ThreadOps kSystemThreads = {StartSystemThread, JoinSystemThread};

}  // namespace

void UseSystemThreads() { SetThreadOps(&kSystemThreads); }
