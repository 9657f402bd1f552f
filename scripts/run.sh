#!/usr/bin/env bash
# Builds ovrix.exe and opens it under Wine. Without arguments it shows a small
# demo folder made in the build directory. Without an X display it starts
# Xvfb, waits for the window, saves a screenshot to build/ovrix.png and ends.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/install-deps
cmake --preset win64 -G Ninja >/dev/null
cmake --build --preset win64 --target ovrix

build=$root/build/win64
prefix=$build/wineprefix
demo=$build/demo

make_demo() {
  rm -rf "$demo"
  mkdir -p "$demo/reports"
  echo "quarterly numbers" > "$demo/budget.txt"
  echo "minutes" > "$demo/notes.txt"            # same permissions as budget.txt: one group
  echo "secret" > "$demo/private.txt"
  chmod 600 "$demo/private.txt"                 # owner only: a group of its own
  echo "final" > "$demo/readonly.txt"
  chmod 444 "$demo/readonly.txt"                # read-only attribute
  echo "draft" > "$demo/reports/draft.txt"
  chmod 755 "$demo/reports"
}

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  make_demo
  for f in budget.txt notes.txt private.txt readonly.txt reports; do
    args+=("Z:${demo//\//\\}\\$f")
  done
fi

. scripts/xvfb-env
headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
  headless=1
  unset DISPLAY
fi
ovrix_start_display "$prefix"

if [ $headless -eq 0 ]; then
  scripts/wine-run "$prefix" "$build/ovrix.exe" "${args[@]}"
  exit 0
fi

scripts/wine-run "$prefix" "$build/ovrix.exe" "${args[@]}" &
app=$!
shot=$root/build/ovrix.png
for _ in $(seq 1 300); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"ovrix"'; then break; fi
  sleep 0.2
done
sleep 1   # let the tree paint
geometry=$(xwininfo -name ovrix 2>/dev/null | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF} /Width:/{w=$NF} /Height:/{h=$NF} END{if (w) print w "x" h "+" x "+" y}')
if [ -n "$geometry" ]; then
  import -window root -crop "$geometry" +repage "$shot"
else
  import -window root "$shot"
fi
echo "No display: ovrix ran under Xvfb; its window is in $shot"
kill $app 2>/dev/null || true
