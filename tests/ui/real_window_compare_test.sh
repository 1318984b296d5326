#!/usr/bin/env bash
# Comparing in a real X session: `corvane A --compare B --view diff` on a B
# that differs from A in one 8x8 block of frame 3. At frame 3 the picture is
# flat grey but for that block (screenshot), and the quality graph's average
# line is lowest under the marker of the frame on screen, frame 3. The
# capture button, clicked there, saves the difference picture as
# capture00_diff.bmp; side by side it saves A's and B's frame 3 as
# capture01_a.bmp and capture01_b.bmp, byte for byte what corvane-tool
# capture makes of each file's frame 3.
# Run inside an X server (CTest starts it under xvfb-run); openbox frames
# the windows, as a desktop would.
# Usage: real_window_compare_test.sh CORVANE CORVANE_TOOL
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

w=352 h=288 graph=140
a=$work/a.yuv b=$work/b.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 10 -pix_fmt yuv420p -f rawvideo "$a"
python3 - "$a" "$b" $w $h <<'PY'
import sys
a, b, w, h = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
d = bytearray(open(a, 'rb').read())
base = 2 * w * h * 3 // 2  # frame 3
for y in range(96, 104):
    for x in range(160, 168):
        d[base + y * w + x] ^= 0x40
open(b, 'wb').write(d)
PY
for f in "$a" "$b"; do "$tool" setpara "$f" --format I420 --size "${w}x${h}" >/dev/null; done

start_player "$a" --compare "$b" --view diff
wid=$(find_window '^Corvane$')
sleep 1
key "$wid" space
key "$wid" Home
key "$wid" Right Right
sleep 1.5
read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
[ "$WIDTH" -eq "$w" ] || fail "client area $WIDTH wide, not $w"
# Menu bar, the picture, the graph, the 86-pixel strip.
menu=$((HEIGHT - 86 - graph - h))
screenshot "$work/diff.png"
convert "$work/diff.png" -crop "${w}x$((h + graph))+${X}+$((Y + menu))" +repage "$work/area.ppm"
python3 - "$work/area.ppm" $w $h <<'PY'
import sys
from collections import Counter
data = open(sys.argv[1], 'rb').read()
parts = data.split(maxsplit=4)
W, H, px = int(parts[1]), int(parts[2]), parts[4]
w, h = int(sys.argv[2]), int(sys.argv[3])
at = lambda x, y: tuple(px[(y * W + x) * 3:(y * W + x) * 3 + 3])
grey = Counter(at(x, y) for y in range(h) for x in range(w)).most_common(1)[0][0]
if not (grey[0] == grey[1] == grey[2] and 110 < grey[0] < 150):
    sys.exit(f"the difference picture is not mid grey: {grey}")
block = lambda x, y: 160 <= x < 168 and 96 <= y < 104
stray = [(x, y) for y in range(h) for x in range(w) if not block(x, y) and at(x, y) != grey]
if stray:
    sys.exit(f"{len(stray)} pixels outside the block are not grey, the first {stray[0]}: {at(*stray[0])}")
same = [(x, y) for y in range(96, 104) for x in range(160, 168) if at(x, y) == grey]
if same:
    sys.exit(f"{len(same)} pixels of the changed block are grey")
print(f"frame 3: grey {grey} everywhere but the 8x8 block")
# The graph: the average line (orange) is lowest at the marker (purple).
orange = [(x, y) for y in range(h, H) for x in range(W) if at(x, y) == (255, 127, 14)]
marker = Counter(x for y in range(h, H) for x in range(W) if at(x, y) == (156, 39, 176))
if not orange or not marker:
    sys.exit("the graph shows no average line or no marker")
low = max(orange, key=lambda p: p[1])
mx = marker.most_common(1)[0][0]
if abs(low[0] - mx) > 3:
    sys.exit(f"the average is lowest at x {low[0]}, the marker of frame 3 is at x {mx}")
print(f"the graph's lowest average is under the frame-3 marker (x {low[0]} against {mx})")
PY

# Stills of the picture on screen. The capture button sits 229 pixels from
# the left, 50 above the bottom of the client area.
"$tool" capture "$a" --frame 3 --bmp -o "$work/a3.bmp" >/dev/null
"$tool" capture "$b" --frame 3 --bmp -o "$work/b3.bmp" >/dev/null
wait_file() {
  for _ in $(seq 50); do
    [ -s "$1" ] && { sleep 0.2; return 0; }
    sleep 0.1
  done
  fail "no $(basename "$1") in $HOME/Pictures: $(ls "$HOME/Pictures")"
}
xdotool mousemove --window "$wid" 239 $((HEIGHT - 40)) click 1
wait_file "$HOME/Pictures/capture00_diff.bmp"
[ "$(stat -c %s "$HOME/Pictures/capture00_diff.bmp")" -eq $((54 + 4 * w * h)) ] || fail "capture00_diff.bmp has the wrong size"
key "$wid" s
sleep 1
read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
xdotool mousemove --window "$wid" 239 $((HEIGHT - 40)) click 1
wait_file "$HOME/Pictures/capture01_b.bmp"
cmp "$HOME/Pictures/capture01_a.bmp" "$work/a3.bmp" || fail "capture01_a.bmp is not A's frame 3"
cmp "$HOME/Pictures/capture01_b.bmp" "$work/b3.bmp" || fail "capture01_b.bmp is not B's frame 3"
echo "stills: capture00_diff.bmp, capture01_a.bmp and capture01_b.bmp (A's and B's frame 3)"
echo "ok"
