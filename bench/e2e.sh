#!/bin/sh
# A whole unattended run against the bare renames, mmv and Debian's rename(1)
# (perl), on 50,000 empty files in one folder, on disk and on tmpfs.
#
#   bench/e2e.sh [BUILD_DIR]     (default: build)
#
# ours:   build/tessivo 's/^IMG/Photo/' DIR  (start-up, scan, preview with
#         validation, execution with the rename log, settings saved)
# floor:  e2e_floor, a process that lists the folder and runs the bare
#         renameat2(RENAME_NOREPLACE) loop over the same names
# mmv:    mmv -r -p 'IMG*' 'Photo#1'  (inside DIR)
# rename: find DIR -name 'IMG*' -print0 | xargs -0 rename 's/IMG/Photo/'
# Each tool renames the tree forward and back, one after the other, in every
# round (ROUNDS rounds, default 9), so that every timing of ours has a timing
# of the floor right beside it. A tool's ratio is the median of its
# round-by-round ratios to the floor. FILES sets the size (default 50,000).
# The list-size step is set to 50,000 in a settings file of the bench's own.
# Disk is $TMPDIR (default /tmp); tmpfs is /dev/shm, skipped where missing.
# Last line:  e2e: ours X s, floor Y s, ratio Z   (on disk)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
rounds=${ROUNDS:-9}
files=${FILES:-50000}

need_package() {
  command -v "$1" >/dev/null 2>&1 && return
  if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q "$2" >/dev/null
}
need_package rename rename
need_package mmv mmv
build_targets "$build" tessivo e2e_floor
tessivo=$(realpath "$build/tessivo")
floor_program=$(realpath "$build/bench/e2e_floor")

work=$(mktemp -d "${TMPDIR:-/tmp}/tessivo-e2e-XXXXXX")
shm=""
trap 'rm -rf "$work" $shm' EXIT INT TERM
bench_home "$work/home" "$tessivo"

# timed CMD...: runs CMD, prints the seconds it took.
timed() {
  t0=$(now)
  "$@"
  t1=$(now)
  echo "$t1 - $t0" | bc
}
# One way of each tool; $1 is the prefix the names have, $2 the one they get.
run_ours() { "$tessivo" "s/^$1/$2/" "$tree" 2>/dev/null || { echo "tessivo failed" >&2; exit 1; }; }
run_floor() { "$floor_program" "$tree" "$1" "$2"; }
run_mmv() { (cd "$tree" && mmv -r -p "$1*" "$2#1"); }
run_perl() { find "$tree" -name "$1*" -print0 | xargs -0 rename "s/$1/$2/"; }

# bench_on LABEL FOLDER: prints one line of medians; leaves ours, floor and
# the ratio in $ours $floor $ratio.
bench_on() {
  tree="$2/e2e"
  rm -rf "$tree"
  mkdir "$tree"
  seq -f "$tree/IMG_%05g.jpg" 0 $((files - 1)) | xargs touch
  for tool in ours floor mmv perl; do : >"$work/$tool"; : >"$work/$tool.ratio"; done
  i=0
  while [ "$i" -lt "$rounds" ]; do
    for tool in floor ours mmv perl; do
      a=$(timed "run_$tool" IMG Photo)
      b=$(timed "run_$tool" Photo IMG)
      echo "$a + $b" | bc >>"$work/$tool"
      eval "t_$tool=\$(echo \"$a + $b\" | bc)"
    done
    for tool in ours mmv perl; do
      eval "echo \"scale=6; \$t_$tool / \$t_floor\"" | bc >>"$work/$tool.ratio"
    done
    i=$((i + 1))
  done
  [ "$(ls "$tree" | grep -c '^IMG_')" -eq "$files" ] || { echo "names lost" >&2; exit 1; }
  rm -rf "$tree"
  # Each timing covers both ways; the medians are per way.
  ours=$(median <"$work/ours" | awk '{ print $1 / 2 }')
  floor=$(median <"$work/floor" | awk '{ print $1 / 2 }')
  mmv_s=$(median <"$work/mmv" | awk '{ print $1 / 2 }')
  perl_s=$(median <"$work/perl" | awk '{ print $1 / 2 }')
  ratio=$(median <"$work/ours.ratio")
  mmv_r=$(median <"$work/mmv.ratio")
  perl_r=$(median <"$work/perl.ratio")
  awk "BEGIN { printf \"%-5s %6d files: floor %.3f s; ours %.3f s (%.2f); mmv %.3f s (%.2f); rename(1) %.3f s (%.2f)\n\", \"$1\", $files, $floor, $ours, $ratio, $mmv_s, $mmv_r, $perl_s, $perl_r }"
}

if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  shm=$(mktemp -d /dev/shm/tessivo-e2e-XXXXXX)
  bench_on tmpfs "$shm"
fi
bench_on disk "$work"
awk "BEGIN { printf \"e2e: ours %.3f s, floor %.3f s, ratio %.2f\n\", $ours, $floor, $ratio }"
