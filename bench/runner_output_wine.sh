#!/usr/bin/env bash
# Output speed of the command runner under Wine: a stand-in printing 1 MiB and 10 MiB,
# through RunCommand and on its own. Usage: bench/runner_output_wine.sh [build-dir]
# (a win64 build, default build/win64).
exec "$(dirname "$0")/win32_test_benchmark.sh" '*OutputBenchmark' "$@"
