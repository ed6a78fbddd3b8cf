#!/bin/sh
# Undo of a logged 50,000-file run, ours against the bare renames.
#
#   bench/undo.sh [BUILD_DIR]     (default: build)
#
# Each round renames IMG_* to Photo_* with build/tessivo (logged, untimed),
# then times `tessivo /undo1`, which reads the log back and renames every
# file to its old name; beside it, the floor (e2e_floor, the bare
# renameat2(RENAME_NOREPLACE) loop of a process that lists the folder) does
# the same renames both ways, its back pass timed. The ratio is the median of
# the round-by-round ratios. ROUNDS (default 9), FILES (default 50,000);
# the files are on disk under $TMPDIR (default /tmp).
# Last line:  undo: ours X s, floor Y s, ratio Z
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
rounds=${ROUNDS:-9}
files=${FILES:-50000}

build_targets "$build" tessivo e2e_floor
tessivo=$(realpath "$build/tessivo")
floor_program=$(realpath "$build/bench/e2e_floor")

work=$(mktemp -d "${TMPDIR:-/tmp}/tessivo-undo-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
bench_home "$work/home" "$tessivo"

tree="$work/files"
mkdir "$tree"
seq -f "$tree/IMG_%05g.jpg" 0 $((files - 1)) | xargs touch
: >"$work/ours"; : >"$work/floor"; : >"$work/ratio"
i=0
while [ "$i" -lt "$rounds" ]; do
  "$floor_program" "$tree" IMG Photo
  t0=$(now); "$floor_program" "$tree" Photo IMG; t1=$(now)
  floor=$(echo "$t1 - $t0" | bc)
  "$tessivo" 's/^IMG/Photo/' "$tree" >/dev/null 2>&1 || { echo "tessivo failed" >&2; exit 1; }
  t0=$(now); "$tessivo" /undo1 >/dev/null 2>&1 || { echo "undo failed" >&2; exit 1; }; t1=$(now)
  ours=$(echo "$t1 - $t0" | bc)
  [ "$(ls "$tree" | grep -c '^IMG_')" -eq "$files" ] || { echo "undo left names behind" >&2; exit 1; }
  echo "$ours" >>"$work/ours"; echo "$floor" >>"$work/floor"
  echo "scale=6; $ours / $floor" | bc >>"$work/ratio"
  i=$((i + 1))
done
ours=$(median <"$work/ours"); floor=$(median <"$work/floor"); ratio=$(median <"$work/ratio")
awk "BEGIN { printf \"undo: ours %.3f s, floor %.3f s, ratio %.2f\n\", $ours, $floor, $ratio }"
