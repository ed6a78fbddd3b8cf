#!/bin/sh
# The window program at 50,000 rows: listing a folder of 50,000 files as a
# drop does (size and date columns on), through the main window offscreen,
# against the same listing without a window (our own engine's scan: the
# ratio is what the window adds). Then the list commands at that size.
# Then, over 50,000 listed IMG_* files, the replace ^IMG -> Photo confirmed
# (変更確認), executed and undone (変更UNDO + 実行) through the window,
# against the engine's preview, execution and undo of the same rows without
# a window; with the longest time the window went without repainting its
# progress bar during each (median and worst round).
#
#   bench/gui.sh [BUILD_DIR [PARENT]]     (defaults: build, $TMPDIR or /tmp)
#
# Builds gui_run (the window program's library) and times inside the
# process, ROUNDS times each (default 5), after one untimed warm-up run.
# Prints the window's command times and peak memory of the last round, one
#   gui confirm|execute|undo: ours X s, floor Y s, ratio Z, progress gap G ms (worst round W ms)
# line each, the load average, and last:
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
mkdir "$work/files" "$work/photos"
make_files "$work/files" 50000
seq -f "$work/photos/IMG_%05g.jpg" 0 49999 | xargs touch
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

# The replace: one warm-up pair, then ROUNDS pairs.
field() { sed -n "s/^$1 \([0-9.]*\) s$/\1/p"; }
"$run" "$work/photos" replace-headless >/dev/null 2>&1
for step in confirm execute undo undo-load; do : >"$work/ours.$step"; : >"$work/floor.$step"; : >"$work/gap.$step"; done
i=0
while [ "$i" -lt "$rounds" ]; do
  # Which of the two goes first alternates: the one after the other finds
  # the folder's entries as the other left them.
  for side in $(if [ $((i % 2)) -eq 0 ]; then echo window headless; else echo headless window; fi); do
    out=$([ "$side" = window ] && echo window || echo engine)
    "$run" "$work/photos" "replace-$side" >"$work/$out" 2>/dev/null ||
      { echo "gui.sh: the $side replace failed" >&2; exit 1; }
  done
  for step in confirm execute undo; do
    field "$step" <"$work/window" >>"$work/ours.$step"
    field "$step" <"$work/engine" >>"$work/floor.$step"
    field "gap $step" <"$work/window" >>"$work/gap.$step"
  done
  field "gap undo-load" <"$work/window" >>"$work/gap.undo-load"
  i=$((i + 1))
done
for step in confirm execute undo; do
  o=$(median <"$work/ours.$step"); f=$(median <"$work/floor.$step")
  g=$(median <"$work/gap.$step"); w=$(sort -n "$work/gap.$step" | tail -n 1)
  awk "BEGIN { printf \"gui $step: ours %.3f s, floor %.3f s, ratio %.2f, progress gap %.0f ms (worst round %.0f ms)\n\", $o, $f, $o / $f, $g * 1000, $w * 1000 }"
done
echo "gui undo: of its gap, entering undo mode (the log loaded, no bar): $(median <"$work/gap.undo-load" | awk '{ printf "%.0f", $1 * 1000 }') ms"
echo "load: $(cut -d' ' -f1-3 /proc/loadavg)"
ours=$(median <"$work/ours")
floor=$(median <"$work/floor")
awk "BEGIN { printf \"gui: ours %.3f s, floor %.3f s, ratio %.2f\n\", $ours, $floor, $ours / $floor }"
