// Threads for the native tests and benchmarks (std::thread, in test code
// only), installed before main by tests/unit/native_threads.cpp. A test can
// have some starts refused, as a system out of threads refuses them.
#pragma once
#include <stdint.h>

// From now on the starts numbered first to last (counting from 0) fail.
void RefuseThreadStarts(uint32_t first, uint32_t last);
