#!/bin/sh
# Execution of 50,000 renames in one folder on disk, with the rename log on,
# ours against the floor.
#
#   bench/execute.sh [BUILD_DIR]     (default: build)
#
# Builds execute_run (ExecuteRun kind 1 through PosixFileSystem: the fresh
# look-up of each target, the log line written ahead of each rename, the
# rename, the log synced and rotated at the end) and execute_floor (only the
# renameat2(RENAME_NOREPLACE) calls), makes a folder of 50,000 empty files
# under $TMPDIR, and runs both programs in turn, ROUNDS times each with REPS
# timed passes per run; every pass renames all files (file_* <-> done_*).
# Prints the medians, last:
#   execute: ours X s, floor Y s, ratio Z
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
rounds=${ROUNDS:-5}
reps=${REPS:-3}
files=50000

build_targets "$build" execute_run execute_floor

work=$(mktemp -d "${TMPDIR:-/tmp}/tessivo-execute-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
tree="$work/files"
logs="$work/program"
mkdir "$tree" "$logs"
make_files "$tree" "$files"

: >"$work/ours"
: >"$work/floor"
i=0
while [ "$i" -lt "$rounds" ]; do
  "$build/bench/execute_run" "$tree" "$logs" "$reps" >>"$work/ours"
  "$build/bench/execute_floor" "$tree" "$reps" >>"$work/floor"
  i=$((i + 1))
done
ours=$(median <"$work/ours")
floor=$(median <"$work/floor")
awk "BEGIN { printf \"execute: ours %.3f s, floor %.3f s, ratio %.2f\n\", $ours, $floor, $ours / $floor }"
