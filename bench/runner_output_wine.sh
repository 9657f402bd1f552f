#!/usr/bin/env bash
# Output speed of the command runner under Wine: a stand-in printing 1 MiB and 10 MiB,
# through RunCommand and on its own. Usage: bench/runner_output_wine.sh [build-dir]
# (a win64 build, default build/win64).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/win64}" && pwd)
cmake --build "$build" --target ovrix_win32_tests
. scripts/xvfb-env
ovrix_start_display "$build/wineprefix"
cd "$build"
"$OLDPWD/scripts/wine-run" "$build/wineprefix" ./ovrix_win32_tests.exe \
  --gtest_also_run_disabled_tests --gtest_filter='*OutputBenchmark'
