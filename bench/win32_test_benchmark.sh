#!/usr/bin/env bash
# Runs the disabled benchmarks of the Windows test program matching a gtest
# filter under Wine, after building the program. Shared by the *_wine.sh
# benchmarks that live in ovrix_win32_tests.
# Usage: bench/win32_test_benchmark.sh <gtest-filter> [build-dir]
# (a win64 build, default build/win64).
set -euo pipefail
filter=$1
cd "$(dirname "$0")/.."
build=$(cd "${2:-build/win64}" && pwd)
cmake --build "$build" --target ovrix_win32_tests
. scripts/xvfb-env
ovrix_start_display "$build/wineprefix"
cd "$build"
"$OLDPWD/scripts/wine-run" "$build/wineprefix" ./ovrix_win32_tests.exe \
  --gtest_also_run_disabled_tests --gtest_filter="$filter"
