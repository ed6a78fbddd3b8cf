#!/bin/sh
# Preview of 50,000 rows in one folder on disk, ours against the floor.
#
#   bench/preview.sh [BUILD_DIR]     (default: build)
#
# Builds preview_run (ExecuteRun kind 0 with the extension and the letter-case
# transforms, validating every row through PosixFileSystem) and preview_floor
# (only the statx calls that validation needs), makes a folder of 50,000
# empty files under $TMPDIR, and runs both programs in turn, ROUNDS times each
# with REPS timed passes per run. Prints the median per mode, and last the
# sums of the two modes' medians:
#   preview: ours X s, floor Y s, ratio Z
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
rounds=${ROUNDS:-5}
reps=${REPS:-3}
files=50000

build_targets "$build" preview_run preview_floor

tree=$(mktemp -d "${TMPDIR:-/tmp}/tessivo-preview-XXXXXX")
trap 'rm -rf "$tree"' EXIT INT TERM
make_files "$tree" "$files"

total_ours=0
total_floor=0
for mode in extension case; do
  ours_file="$tree.ours.$mode"
  floor_file="$tree.floor.$mode"
  : >"$ours_file"
  : >"$floor_file"
  i=0
  while [ "$i" -lt "$rounds" ]; do
    "$build/bench/preview_run" "$tree" "$mode" "$reps" >>"$ours_file"
    "$build/bench/preview_floor" "$tree" "$mode" "$reps" >>"$floor_file"
    i=$((i + 1))
  done
  ours=$(median <"$ours_file")
  floor=$(median <"$floor_file")
  rm -f "$ours_file" "$floor_file"
  echo "preview $mode ($files rows): ours $ours s, floor $floor s, ratio $(awk "BEGIN { printf \"%.2f\", $ours / $floor }")"
  total_ours=$(awk "BEGIN { print $total_ours + $ours }")
  total_floor=$(awk "BEGIN { print $total_floor + $floor }")
done

awk "BEGIN { printf \"preview: ours %.3f s, floor %.3f s, ratio %.2f\n\", $total_ours, $total_floor, $total_ours / $total_floor }"
