#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan, UBSan) and runs each for a
# bounded time. OVRIX_FUZZ_SECONDS sets the time per target (default 20);
# OVRIX_FUZZ_BUILD the build folder (default build/fuzz, the preset's).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps
seconds=${OVRIX_FUZZ_SECONDS:-20}
build=${OVRIX_FUZZ_BUILD:-build/fuzz}

# Only the fuzz targets: the rest of this build is instrumented for them and
# is not meant to link on its own.
targets=()
for source in fuzz/*.cpp; do
  targets+=("fuzz_$(basename "$source" .cpp)")
done
if [ "$build" = build/fuzz ]; then
  cmake --preset fuzz -G Ninja >/dev/null
  cmake --build --preset fuzz --target "${targets[@]}"
else
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DOVRIX_FUZZ=ON >/dev/null
  cmake --build "$build" --target "${targets[@]}"
fi

status=0
found=0
for target in "${targets[@]}"; do
  fuzzer="$build/$target"
  [ -x "$fuzzer" ] || continue
  found=1
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  # Findings land in the build folder, never in the source tree.
  if ! "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=0 \
       -artifact_prefix="$build/$name-" "$corpus" 2>"$build/$name.log"; then
    echo "$name FAILED; see $build/$name.log" >&2
    tail -n 30 "$build/$name.log" >&2
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "$build/$name.log" | tail -n 1 || true
  fi
done
[ "$found" = 1 ] || { echo "no fuzz targets built" >&2; exit 1; }
exit $status
