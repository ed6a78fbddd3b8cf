#!/bin/sh
# Builds Tessivo and runs its main job on a sample folder it makes itself:
# a dry run, the real run, and the undo, with the names before and after.
set -eu
cd "$(dirname "$0")/.."
sh scripts/build.sh

work=$(mktemp -d "${TMPDIR:-/tmp}/tessivo-demo.XXXXXX")
# Keep every file the demo writes in its own folder: rename logs go to
# TESSIVO_HOME, and the use.ini there puts the settings beside them (without
# it they would go to $XDG_CONFIG_HOME/tessivo/registry.ini, which is pointed
# into the demo's folder as well).
export TESSIVO_HOME="$work/home"
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
mkdir -p "$TESSIVO_HOME"
: >"$TESSIVO_HOME/use.ini"
sample="$work/sample"
mkdir -p "$sample/2023 trip" "$sample/notes"
i=1
while [ $i -le 120 ]; do
  n=$(printf '%04d' $i)
  echo "photo $i" >"$sample/2023 trip/IMG_$n.JPG"
  i=$((i + 1))
done
i=1
while [ $i -le 80 ]; do
  echo "note $i" >"$sample/notes/Meeting Notes $i.TXT"
  i=$((i + 1))
done
python3 - "$sample/2023 trip" <<'EOF' 2>/dev/null || true
# A few photos with capture dates in their EXIF data (a tiny JPEG each).
import struct, sys, os
folder = sys.argv[1]
for k in range(1, 6):
    date = b"2023:08:%02d 10:%02d:00\0" % (k, k * 7)
    ifd = struct.pack(">H", 1) + struct.pack(">HHII", 0x0132, 2, len(date), 26) + struct.pack(">I", 0)
    tiff = b"MM\0\x2a" + struct.pack(">I", 8) + ifd + date
    app1 = b"Exif\0\0" + tiff
    data = b"\xff\xd8" + b"\xff\xe1" + struct.pack(">H", len(app1) + 2) + app1 + b"\xff\xd9"
    with open(os.path.join(folder, "DSC_%04d.JPG" % k), "wb") as f:
        f.write(data)
EOF

show() { (cd "$sample" && find . -type f | sort | sed -n '1,2p;6,7p;$p'); }
run() { echo "\$ tessivo $*"; ./build/tessivo "$@"; }

echo "== the sample: $(find "$sample" -type f | wc -l) files; the first and last names =="
show
echo
echo "== 1. dry run (-n): the preview of a regular-expression replacement, nothing changed =="
run 's/IMG_(\d+)/trip_$1/' -n /subfolder2 "$sample" | sed -n '1,4p'
echo "   ..."
echo
echo "== 2. the run itself (every rename is logged before it is made) =="
run 's/IMG_(\d+)/trip_$1/' /subfolder2 "$sample"
show
echo
echo "== 3. a second run: every space becomes an underscore =="
run 's/ /_/g' /subfolder2 "$sample"
show
echo
echo "== 4. undo the last run, then the one before it =="
run /undo1
run /undo2
show
echo
echo "The demo's files are in $work"
