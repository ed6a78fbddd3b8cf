# Shared by the end-to-end bench scripts (sourced, not run).
#
#   build_targets BUILD_DIR TARGET...   configure and build what a script runs
#   make_files DIR COUNT                 DIR/file_00000.dat ... empty files
#   median                               the median of the numbers on stdin
#   now                                  seconds since the epoch, nanoseconds
#   bench_home DIR TESSIVO               a portable settings folder in DIR whose
#                                        list-size step is 50,000; exports TESSIVO_HOME

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

bench_home() {
  export TESSIVO_HOME="$1"
  mkdir -p "$TESSIVO_HOME"
  : >"$TESSIVO_HOME/use.ini"
  # Let the program write its settings file once, then raise the list-size
  # step (maxfilenum, bits 4-6 of option2) to its largest, 50,000.
  "$2" /autoattr---- "$TESSIVO_HOME" >/dev/null 2>&1 || true
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
}
