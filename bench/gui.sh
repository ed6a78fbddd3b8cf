#!/bin/sh
# The window program at 50,000 rows: listing a folder of 50,000 files as a
# drop does (size and date columns on), through the main window offscreen,
# against the same listing without a window (our own engine's scan: the
# ratio is what the window adds). Then the list commands at that size.
#
#   bench/gui.sh [BUILD_DIR [PARENT]]     (defaults: build, $TMPDIR or /tmp)
#
# Builds gui_run (the window program's library) and times inside the
# process, ROUNDS times each (default 5), after one untimed warm-up run.
# Prints the window's command times and peak memory of the last round, and
# last:
#   gui: ours X s, floor Y s, ratio Z
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
parent=${2:-${TMPDIR:-/tmp}}
rounds=${ROUNDS:-5}

cmake -S . -B "$build" -G Ninja -DTESSIVO_BUILD_BENCH=ON -DTESSIVO_BUILD_GUI=ON >/dev/null
ninja -C "$build" -j2 gui_run tessivo >/dev/null
run="$build/bench/gui_run"

work=$(mktemp -d "$parent/tessivo-gui-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
mkdir "$work/files"
make_files "$work/files" 50000
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=offscreen
mkdir -m 700 "$XDG_RUNTIME_DIR"
bench_home "$work/home" "$build/tessivo"

listed() { sed -n 's/^listed \([0-9]*\) in \([0-9.]*\) s$/\2/p'; }
"$run" "$work/files" headless >/dev/null
: >"$work/ours"
: >"$work/floor"
i=0
while [ "$i" -lt "$rounds" ]; do
  "$run" "$work/files" window >"$work/last"
  listed <"$work/last" >>"$work/ours"
  "$run" "$work/files" headless | listed >>"$work/floor"
  i=$((i + 1))
done
grep -q '^listed 50000 ' "$work/last" || { echo "gui.sh: the window did not list 50000 rows" >&2; cat "$work/last" >&2; exit 1; }
cat "$work/last"
ours=$(median <"$work/ours")
floor=$(median <"$work/floor")
awk "BEGIN { printf \"gui: ours %.3f s, floor %.3f s, ratio %.2f\n\", $ours, $floor, $ours / $floor }"
