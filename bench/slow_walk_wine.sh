#!/usr/bin/env bash
# "Add everything below" over 2,000 files in 40 folders under Wine with every
# file-system call of the program 1 ms slower (a hook of the test program's
# import table, never in ovrix.exe), against the time those calls take one
# after another. Usage: bench/slow_walk_wine.sh [build-dir] (a win64 build,
# default build/win64).
exec "$(dirname "$0")/win32_test_benchmark.sh" '*SlowFileSystemBenchmark' "$@"
