// Threads come from the shell: the Win32 shell starts system threads, the
// native tests their own, and with none installed no thread starts. A start
// that fails is an answer, never an end of the program: its caller does the
// work on its own thread.
#pragma once

struct ThreadHandle {
    void* system = nullptr;   // null: no thread
};

struct ThreadOps {
    bool (*start)(void (*run)(void*), void* argument, ThreadHandle* out);
    void (*join)(ThreadHandle* thread);   // waits for the end and lets go of the handle
};

// Replaces the thread service (null: none); returns the one in use before.
const ThreadOps* SetThreadOps(const ThreadOps* ops);
// Runs run(argument) on a new thread; false, *out empty, when there is none
// to be had.
bool StartThread(void (*run)(void*), void* argument, ThreadHandle* out);
// Waits for the thread to end and empties *thread; nothing for an empty one.
void JoinThread(ThreadHandle* thread);
