#!/usr/bin/env bash
# Builds everything and runs every test: the native core tests (plain, then
# with ASan and UBSan) and the Windows tests under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps
jobs=$(nproc)

for preset in native native-asan win64; do
  cmake --preset "$preset" -G Ninja >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

status=0
echo "== native unit tests"
ctest --test-dir build/native --output-on-failure -j "$jobs" || status=1
echo "== native unit tests with AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build/native-asan --output-on-failure -j "$jobs" || status=1

echo "== Windows tests under Wine"
. scripts/xvfb-env
prefix=$PWD/build/win64/wineprefix
ovrix_start_display "$prefix"
ovrix_start_wineserver "$prefix"
ctest --test-dir build/win64 --output-on-failure || status=1



exit $status
