# Shared by the end-to-end bench scripts (sourced, not run).
#
#   build_targets BUILD_DIR TARGET...   configure and build what a script runs
#   make_files DIR COUNT                 DIR/file_00000.dat ... empty files
#   median                               the median of the numbers on stdin
#   now                                  seconds since the epoch, nanoseconds

build_targets() {
  bt_dir=$1
  shift
  cmake -S . -B "$bt_dir" -G Ninja >/dev/null
  ninja -C "$bt_dir" -j2 "$@" >/dev/null
}

make_files() {
  seq -f "$1/file_%05g.dat" 0 $(($2 - 1)) | xargs touch
}

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

now() { date +%s.%N; }
