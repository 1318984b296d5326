#!/usr/bin/env bash
# The player in a real X session: start corvane on a clip with a trailer,
# pause it, go to the first frame and step twice with keys sent by xdotool,
# then check that the screen shows the third frame as ffmpeg converts it.
# Run inside an X server (CTest starts it under xvfb-run).
# Usage: real_window_test.sh CORVANE CORVANE_TOOL
set -euo pipefail
corvane=$1
tool=$2
work=$(mktemp -d)
player=""
cleanup() {
  [ -n "$player" ] && kill "$player" 2>/dev/null && wait "$player" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A private home: the user's settings are neither read nor written.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME"

w=320 h=240
clip=$work/clip.yuv
# ffmpeg's moving test picture: every frame differs from its neighbours.
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 60 -pix_fmt yuv420p -f rawvideo "$clip"
"$tool" setpara "$clip" --format I420 --size "${w}x${h}" >/dev/null
for n in 1 2 3 4; do
  ffmpeg -loglevel error -f rawvideo -pix_fmt yuv420p -s "${w}x${h}" -i "$clip" \
    -vf "select=eq(n\,$((n - 1)))" -frames:v 1 "$work/ref$n.png"
done

"$corvane" "$clip" &
player=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^Corvane$' | head -n1)
sleep 1
for key in space Home Right Right; do
  xdotool key --window "$wid" "$key"
  sleep 0.3
done
sleep 1
import -window root "$work/screen.png"

# The picture lies at the window's left edge, below the menu bar, whose
# height the search finds: the best match of each frame in the strip below
# the window's top edge.
eval "$(xdotool getwindowgeometry --shell "$wid")"
convert "$work/screen.png" -crop "${w}x$((h + 80))+${X}+${Y}" +repage "$work/strip.png"
score() {  # normalised mean absolute error of frame $1 at its best place
  compare -metric MAE -subimage-search "$work/strip.png" "$work/ref$1.png" null: 2>&1 |
    sed -n 's/.*(\([0-9.e-]*\)).*/\1/p' | head -n1
  true  # compare exits 1 whenever the images differ at all
}
s3=$(score 3)
echo "mean error against frame 3: $s3"
for n in 1 2 4; do
  sn=$(score "$n")
  echo "mean error against frame $n: $sn"
  awk -v a="$s3" -v b="$sn" 'BEGIN { exit !(a < b) }' || { echo "frame $n matches as well as frame 3" >&2; exit 1; }
done
# Both sides convert BT.601 limited range; rounding differs by a step or two.
awk -v a="$s3" 'BEGIN { exit !(a < 0.01) }' || { echo "picture differs from frame 3" >&2; exit 1; }
echo "the third frame is on screen"
