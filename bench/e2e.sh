#!/bin/sh
# A whole unattended run against the bare renames and against Debian's
# rename(1) (perl), on trees of 10,000 and 50,000 files in one folder on disk.
#
#   bench/e2e.sh [BUILD_DIR]     (default: build)
#
# ours:   build/tessivo 's/file_/done_/' DIR  (start-up, scan, preview with
#         validation, execution with the rename log, settings saved)
# floor:  e2e_floor, a process that lists the folder and runs the bare
#         renameat2(RENAME_NOREPLACE) loop over the same names
# rename: find DIR -name 'file_*' -print0 | xargs -0 rename 's/file_/done_/'
# Each tool renames the tree forward and back in turn; ROUNDS rounds, medians.
# The list-size step is set to 50,000 in a settings file of the bench's own.
# Last line:  e2e: ours X s, floor Y s, ratio Z   (at 50,000 files)
set -eu
cd "$(dirname "$0")/.."
. bench/common.sh
build=${1:-build}
rounds=${ROUNDS:-5}

if ! command -v rename >/dev/null 2>&1; then
  if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q rename >/dev/null
fi
build_targets "$build" tessivo e2e_floor

work=$(mktemp -d "${TMPDIR:-/tmp}/tessivo-e2e-XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM
export TESSIVO_HOME="$work/home"
mkdir -p "$TESSIVO_HOME"
: >"$TESSIVO_HOME/use.ini"
# Let the program write its settings file once, then raise the list-size step
# (maxfilenum, bits 4-6 of option2) to its largest, 50,000.
"$build/tessivo" --version >/dev/null
"$build/tessivo" /autoattr---- "$work" >/dev/null 2>&1 || true
python3 - "$TESSIVO_HOME/tessivo.ini" <<'PY'
import re, sys
path = sys.argv[1]
text = open(path, 'rb').read().decode('cp932')
m = re.search(r'^option2=(\d+)', text, re.M)
value = (int(m.group(1)) if m else 0) & ~(7 << 4) | (6 << 4)
if m:
    text = text[:m.start()] + 'option2=%d' % value + text[m.end():]
else:
    text = text.replace('[Base]\r\n', '[Base]\r\noption2=%d\r\n' % value, 1)
open(path, 'wb').write(text.encode('cp932'))
PY

for files in 10000 50000; do
  tree="$work/t$files"
  mkdir "$tree"
  make_files "$tree" "$files"
  : >"$work/ours"; : >"$work/floor"; : >"$work/perl"
  i=0
  while [ "$i" -lt "$rounds" ]; do
    for dir in fwd back; do
      if [ $dir = fwd ]; then expr='s/file_/done_/'; from=file_; else expr='s/done_/file_/'; from=done_; fi
      t0=$(now)
      "$build/tessivo" "$expr" "$tree" 2>/dev/null || { echo "tessivo failed" >&2; exit 1; }
      t1=$(now)
      echo "$t1 - $t0" | bc >>"$work/ours"
    done
    for pair in "file_ done_" "done_ file_"; do
      t0=$(now)
      "$build/bench/e2e_floor" "$tree" $pair
      t1=$(now)
      echo "$t1 - $t0" | bc >>"$work/floor"
    done
    for dir in fwd back; do
      if [ $dir = fwd ]; then expr='s/file_/done_/'; from=file_; else expr='s/done_/file_/'; from=done_; fi
      t0=$(now)
      find "$tree" -name "$from*" -print0 | xargs -0 rename "$expr"
      t1=$(now)
      echo "$t1 - $t0" | bc >>"$work/perl"
    done
    i=$((i + 1))
  done
  [ "$(ls "$tree" | grep -c '^file_')" -eq "$files" ] || { echo "names lost" >&2; exit 1; }
  ours=$(median <"$work/ours"); floor=$(median <"$work/floor"); perl=$(median <"$work/perl")
  awk "BEGIN { printf \"%6d files: ours %.3f s, floor %.3f s, rename(1) %.3f s; ours/floor %.2f, rename/floor %.2f\n\", $files, $ours, $floor, $perl, $ours / $floor, $perl / $floor }"
  rm -rf "$tree"
done
awk "BEGIN { printf \"e2e: ours %.3f s, floor %.3f s, ratio %.2f\n\", $ours, $floor, $ours / $floor }"
