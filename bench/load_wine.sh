#!/usr/bin/env bash
# Load speed of ovrix under Wine against a floor program that makes only the
# platform calls ovrix must make per path (see bench/load_wine.cpp). For each
# N it makes N files, writes a UTF-8 list file of their Z:\ paths and runs
# ovrix ("@8@list") and the floor on it, interleaved, printing medians.
#
# Usage: bench/load_wine.sh [build-dir]   (a win64 build, default build/win64)
# Environment: N="1000 10000 100000" (the sizes), RUNS (runs per size;
# default 3, and 2 from 100,000 paths up, where one ovrix load takes minutes),
# DONE=window|log (how "all read" is seen; see OvrixIsDone).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/win64}" && pwd)
sizes=${N:-1000 10000 100000}
cmake --build "$build" --target ovrix load_wine

# Wine derives a file's DACL from its mode bits and sets the read-only
# attribute on files without write permission: four modes round robin give
# four permission groups, one of them read-only. 1,000 files a folder.
make_files() {
  local n=$1 dir=$2
  [ -f "$dir/list.txt" ] && [ "$(wc -l < "$dir/list.txt")" -eq "$n" ] && return 0
  rm -rf "$dir" && mkdir -p "$dir"
  python3 - "$n" "$dir" <<'EOF'
import os, sys
n, root = int(sys.argv[1]), sys.argv[2]
modes = (0o644, 0o600, 0o444, 0o666)
with open(os.path.join(root + ".tmp"), "w", encoding="utf-8", newline="\r\n") as lst:
    for i in range(n):
        folder = os.path.join(root, "d%03d" % (i // 1000))
        if i % 1000 == 0:
            os.makedirs(folder)
        path = os.path.join(folder, "f%06d.txt" % i)
        with open(path, "w") as f:
            f.write("x")
        os.chmod(path, modes[i % 4])
        lst.write("Z:" + path.replace("/", "\\") + "\n")
os.replace(root + ".tmp", os.path.join(root, "list.txt"))
EOF
}

. scripts/xvfb-env
ovrix_start_display "$build/wineprefix"
ovrix_start_wineserver "$build/wineprefix"

echo "ovrix load under Wine, medians; time from process start to all paths read"
printf '%8s %5s %13s %13s %11s %12s %12s\n' N runs ovrix_ms/path floor_ms/path ovrix/floor peak_WS_MiB private_MiB
mkdir -p "$build/bench-load"
rows=$build/bench-load/rows.txt
: > "$rows"
for n in $sizes; do
  dir=$build/bench-load/$n
  make_files "$n" "$dir"
  runs=${RUNS:-$([ "$n" -ge 100000 ] && echo 2 || echo 3)}
  (cd "$build" && "$OLDPWD/scripts/wine-run" "$build/wineprefix" ./load_wine.exe drive \
    'Z:'"${build//\//\\}"'\ovrix.exe' 'Z:'"${dir//\//\\}"'\list.txt' "$n" "$runs" "${DONE:-window}") |
    tr -d '\r' | tee -a "$rows"
done

# The goals: at 100,000 paths ovrix takes at most 0.8 times the floor's time,
# and its time per path is within 10% of its time per path at 1,000.
awk '$1 == 1000 && NF == 7 { small = $3 } $1 == 100000 && NF == 7 { large = $3; ratio = $5 }
  END {
    if (ratio != "") printf "goal ovrix/floor <= 0.80 at 100000: %.2f, %s\n", ratio, ratio <= 0.8 ? "met" : "not met"
    if (small != "" && large != "")
      printf "goal ms/path at 100000 within 10%% of 1000: %+.0f%%, %s\n", (large / small - 1) * 100,
             large <= small * 1.1 ? "met" : "not met"
  }' "$rows"
