#!/bin/sh
# Pictures of the window program under a virtual display: the empty window
# and a listed sample folder, at the default size and at the minimum size,
# and the folder after 変更確認 (the status icons); then the panel of each of
# the fifteen modes with the folder confirmed (mode-NN.png, NN the mode's
# number), and undo mode after a real change of the folder (undo.png).
# Usage: scripts/screenshot.sh [OUTDIR]   (default build/screenshots)
# Needs xvfb (xvfb-run), xauth and fonts-noto-cjk; build/tessivo-gui built.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
gui="$root/build/tessivo-gui"
out=${1:-"$root/build/screenshots"}
[ -x "$gui" ] || { echo "screenshot.sh: build $gui first" >&2; exit 2; }
command -v xvfb-run >/dev/null || { echo "screenshot.sh: xvfb-run missing (apt install xvfb xauth)" >&2; exit 2; }
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Settings and logs stay in a throw-away home (portable ini setup).
export TESSIVO_HOME="$work/home" HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
  XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$TESSIVO_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
: >"$TESSIVO_HOME/use.ini"
printf '[Base]\r\n_count=1\r\n' >"$TESSIVO_HOME/tessivo.ini"

sample="$work/写真 2024"
mkdir -p "$sample"
for name in IMG_0001.JPG IMG_0002.JPG IMG_0010.JPG "旅行メモ.txt" "report final.docx" README.md data.csv; do
  head -c $(( ${#name} * 997 )) /dev/zero >"$sample/$name"
done

shoot() {  # NAME SIZE ARGS...
  name=$1 size=$2
  shift 2
  TESSIVO_SCREENSHOT="$out/$name.png" TESSIVO_SCREENSHOT_SIZE="$size" \
    timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" "$gui" "$@"
  echo "$out/$name.png"
}
shoot empty 815x437
shoot listed 815x437 "$sample"
shoot listed-minimum 765x300 "$sample"
TESSIVO_SCREENSHOT_CONFIRM=1 shoot confirmed 815x437 "$sample"
for mode in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 19; do
  TESSIVO_SCREENSHOT_MODE=$mode TESSIVO_SCREENSHOT_CONFIRM=1 \
    shoot "mode-$(printf %02d "$mode")" 815x437 "$sample"
done
# A real change in the throw-away home (IMG_* -> Photo_*, logged), then the
# window in undo mode with that log.
"$root/build/tessivo" 's/^IMG/Photo/' "$sample" >/dev/null
TESSIVO_SCREENSHOT_UNDO=1 shoot undo 815x437
