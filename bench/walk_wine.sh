#!/usr/bin/env bash
# The walk below a folder against the same paths from a list file, under
# Wine: N files in 1,000 folders (four modes round robin, so four permission
# groups), opened once as "ovrix /below <root>" and once as "ovrix @8@list"
# whose list holds the root, the folders and the files in the walk's order.
# The goal: the walk costs at most 1.1 times the list file per path.
#
# Usage: bench/walk_wine.sh [build-dir]   (a win64 build, default build/win64)
# Environment: N="10000 100000" (files), RUNS (default 3, 2 from 100,000 up).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(cd "${1:-build/win64}" && pwd)
sizes=${N:-10000 100000}
cmake --build "$build" --target ovrix load_wine

# Prints the number of paths (root, folders, files).
make_tree() {
  python3 - "$1" "$2" <<'PY'
import os, sys
n, root = int(sys.argv[1]), sys.argv[2]
tree, lst = os.path.join(root, "tree"), os.path.join(root, "all.txt")
folders = 1000
modes = (0o644, 0o600, 0o444, 0o666)
if not os.path.exists(lst):
    os.makedirs(tree)
    for d in range(folders):
        os.makedirs(os.path.join(tree, "d%03d" % d))
    for i in range(n):
        path = os.path.join(tree, "d%03d" % (i % folders), "f%06d.txt" % i)
        with open(path, "w") as f:
            f.write("x")
        os.chmod(path, modes[i % 4])
    # The walk's order is the file system's listing order: Wine lists a
    # folder as readdir does, so the list follows os.scandir.
    names = ["Z:" + tree.replace("/", "\\")]
    def walk(folder):
        for entry in os.scandir(folder):
            names.append("Z:" + entry.path.replace("/", "\\"))
            if entry.is_dir(follow_symlinks=False):
                walk(entry.path)
    walk(tree)
    with open(lst + ".tmp", "w", encoding="utf-8", newline="\r\n") as out:
        out.write("\n".join(names) + "\n")
    os.replace(lst + ".tmp", lst)
print(sum(1 for _ in open(lst, encoding="utf-8")))
PY
}

. scripts/xvfb-env
ovrix_start_display "$build/wineprefix"
ovrix_start_wineserver "$build/wineprefix"

echo "ovrix walk below a folder against a list file, under Wine, medians"
printf '%8s %5s %13s %13s %10s %12s %12s\n' paths runs walk_ms/path list_ms/path walk/list peak_WS_MiB private_MiB
rows=$build/bench-walk/rows.txt
mkdir -p "$build/bench-walk" && : > "$rows"
for n in $sizes; do
  dir=$build/bench-walk/$n
  mkdir -p "$dir"
  paths=$(make_tree "$n" "$dir")
  runs=${RUNS:-$([ "$n" -ge 100000 ] && echo 2 || echo 3)}
  (cd "$build" && "$OLDPWD/scripts/wine-run" "$build/wineprefix" ./load_wine.exe walk \
    'Z:'"${build//\//\\}"'\ovrix.exe' 'Z:'"${dir//\//\\}"'\all.txt' 'Z:'"${dir//\//\\}"'\tree' "$paths" "$runs") |
    tr -d '\r' | tee -a "$rows"
done
awk 'NF == 7 && $1 ~ /^[0-9]+$/ { printf "goal walk/list <= 1.10 at %d paths: %.2f, %s\n", $1, $5, $5 <= 1.1 ? "met" : "not met" }' "$rows"
