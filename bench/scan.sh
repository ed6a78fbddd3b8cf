#!/bin/sh
# Scanning a tree of 50,000 files in 100 folders (three levels) into the
# list, ours against find(1).
#
#   bench/scan.sh [BUILD_DIR [PARENT]]     (defaults: build, $TMPDIR or /tmp)
#
# Builds scan_run, makes the tree under PARENT (4 folders, 4 in each, 5 in
# each of those: 100 folders of 500 files), and times whole processes side
# by side, ROUNDS times each (default 7), after one untimed warm-up run:
#   with columns:    scan_run DIR columns    vs  find DIR -type f -printf '%s %T@ %p\n'
#   without columns: scan_run DIR plain      vs  find DIR -type f
# Prints the medians per pair, and last the pair with columns:
#   scan: ours X s, floor Y s, ratio Z
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
parent=${2:-${TMPDIR:-/tmp}}
rounds=${ROUNDS:-7}
per_folder=500

build_targets "$build" scan_run
run="$build/bench/scan_run"

tree=$(mktemp -d "$parent/tessivo-scan-XXXXXX")
trap 'rm -rf "$tree" "$tree".times.*' EXIT INT TERM
fill() {
  mkdir "$1"
  seq -f "$1/file_%04g.dat" 1 $per_folder | xargs touch
}
for a in 1 2 3 4; do
  fill "$tree/a$a"
  for b in 1 2 3 4; do
    fill "$tree/a$a/b$b"
    for c in 1 2 3 4 5; do
      fill "$tree/a$a/b$b/c$c"
    done
  done
done
files=$(find "$tree" -type f | wc -l)
folders=$(find "$tree" -mindepth 1 -type d | wc -l)
listed=$("$run" "$tree" columns)
if [ "$listed" -ne "$files" ]; then
  echo "scan_run listed $listed of $files files" >&2
  exit 1
fi

# time_runs FILE COMMAND...: appends the wall time of one run to FILE.
time_runs() {
  out=$1
  shift
  start=$(now)
  "$@" >/dev/null
  end=$(now)
  awk "BEGIN { print $end - $start }" >>"$out"
}

for kind in plain columns; do
  : >"$tree.times.ours.$kind"
  : >"$tree.times.floor.$kind"
done
find "$tree" -type f -printf '%s %T@ %p\n' >/dev/null  # warm the caches
i=0
while [ "$i" -lt "$rounds" ]; do
  time_runs "$tree.times.ours.columns" "$run" "$tree" columns
  time_runs "$tree.times.floor.columns" find "$tree" -type f -printf '%s %T@ %p\n'
  time_runs "$tree.times.ours.plain" "$run" "$tree" plain
  time_runs "$tree.times.floor.plain" find "$tree" -type f
  i=$((i + 1))
done

report() {
  ours=$(median <"$tree.times.ours.$1")
  floor=$(median <"$tree.times.floor.$1")
  awk "BEGIN { printf \"scan%s: ours %.3f s, floor %.3f s, ratio %.2f\n\", \"$2\", $ours, $floor, $ours / $floor }"
}
echo "tree: $files files in $folders folders, $rounds rounds"
report plain " without columns"
report columns ""
