#!/usr/bin/env bash
# "Add everything below" over 2,000 files in 40 folders under Wine with every
# file-system call of the program 1 ms slower (a hook of the test program's
# import table, never in ovrix.exe), against the time those calls take one
# after another. Usage: bench/slow_walk_wine.sh [build-dir] (a win64 build,
# default build/win64).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/win64}" && pwd)
cmake --build "$build" --target ovrix_win32_tests
. scripts/xvfb-env
ovrix_start_display "$build/wineprefix"
cd "$build"
"$OLDPWD/scripts/wine-run" "$build/wineprefix" ./ovrix_win32_tests.exe \
  --gtest_also_run_disabled_tests --gtest_filter='*SlowFileSystemBenchmark'
