#!/usr/bin/env bash
# Pixel inspection in a real X session: Ctrl+G 25 Enter shows frame 25
# (screenshot against ffmpeg's conversion of frame 25); then Ctrl + wheel
# over the picture's centre, seven notches, zooms to 16×: the screenshot
# shows each frame pixel as a 16×16 block whose free corner is ffmpeg's
# colour of that pixel, and no values (three lines of them do not fit in
# 16 rows with a clear row between them); one more notch, 24×: the values
# are written in every block; a drag moves the view.
# Run inside an X server (CTest starts it under xvfb-run); openbox frames
# the windows, as a desktop would.
# Usage: real_window_zoom_test.sh CORVANE CORVANE_TOOL
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

w=352 h=288
clip=$work/clip.yuv
# Ten seconds, so that the pause below lands while the clip plays even on a
# loaded machine (a 30-frame clip could be over before the key arrived).
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 250 -pix_fmt yuv420p -f rawvideo "$clip"
"$tool" setpara "$clip" --format I420 --size "${w}x${h}" >/dev/null
reference_frame "$clip" yuv420p "${w}x${h}" 25 "$work/ref25.png"
ffmpeg -loglevel error -y -i "$work/ref25.png" -f rawvideo -pix_fmt rgb24 "$work/ref25.rgb"

start_player "$clip"
wid=$(find_window '^Corvane$')
sleep 1
key "$wid" space
read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
# The window is sized for the picture: menu bar, 352 x 288, the 86-pixel strip.
menu=$((HEIGHT - 86 - h))
[ "$WIDTH" -eq "$w" ] || fail "client area $WIDTH wide, not $w"

# Ctrl+G, the number on the main keyboard, Enter.
xdotool key --window "$wid" ctrl+g
box=$(find_window '^转到帧$')
[ -n "$box" ] || fail "Ctrl+G opened no box"
xdotool windowactivate --sync "$box" 2>/dev/null || true
sleep 0.3
xdotool type --delay 30 25
xdotool key Return
window_gone '^转到帧$' || fail "the box stays after Enter"
sleep 0.8
screenshot "$work/frame25.png"
read -r DX DY MAE < <(best_match "$work/frame25.png" "$work/ref25.png" "$X" $((Y + menu - 2)) $((w + 4)) $((h + 4)))
below "$MAE" 0.03 || fail "Ctrl+G 25: the picture is not frame 25 (MAE $MAE)"
echo "Ctrl+G 25 Enter shows frame 25 (MAE $MAE)"

# Seven notches with Ctrl over the centre pixel: 1, 2, 3, 4, 6, 8, 12, 16.
xdotool mousemove --window "$wid" $((w / 2)) $((menu + h / 2))
sleep 0.3
xdotool keydown ctrl
for _ in 1 2 3 4 5 6 7; do
  xdotool click 4
  sleep 0.15
done
xdotool keyup ctrl
sleep 0.8
screenshot "$work/zoom16.png"
# check_blocks SCREENSHOT SIZE SHIFT VALUES: the picture area shows frame 25
# at SIZE x with the centre pixel (176.5, 144.5) of the frame under the
# pointer, the view moved SHIFT pixels to the right: frame column c spans
# screen x from x0 + SIZE c on. Each whole block's corner, clear of the grid
# (row and column 0) and of the text, is ffmpeg's colour of its pixel, and
# its values are written in it (pixels of pure black or white that the
# block's corner is not) in nine blocks of ten or more when VALUES is 1, in none when 0.
check_blocks() {
  convert "$1" -crop "${w}x${h}+${X}+$((Y + menu))" +repage "$work/area.ppm"
  python3 - "$work/area.ppm" "$work/ref25.rgb" $w $h "$2" "$3" "$4" <<'PY'
import math, sys
def ppm(path):
    data = open(path, 'rb').read()
    parts = data.split(maxsplit=4)
    return int(parts[1]), int(parts[2]), parts[4]
W, H, area = ppm(sys.argv[1])
ref = open(sys.argv[2], 'rb').read()
fw, fh, S, shift, values = (int(a) for a in sys.argv[3:8])
x0 = (fw / 2 + 0.5) - S * (fw / 2 + 0.5) + shift
y0 = (fh / 2 + 0.5) - S * (fh / 2 + 0.5)
def px(buf, stride, x, y):
    i = (y * stride + x) * 3
    return buf[i], buf[i + 1], buf[i + 2]
blocks = bad = lettered = 0
for r in range(fh):
    top = math.ceil(y0 + S * r - 0.5)
    if top < 0 or top + S > H: continue
    for c in range(fw):
        left = math.ceil(x0 + S * c - 0.5)
        if left < 0 or left + S > W: continue
        # The overview box (96 x 78, 8 pixels in from the lower right corner).
        if left + S > W - 8 - 96 and top + S > H - 8 - 78: continue
        blocks += 1
        want = px(ref, fw, c, r)
        for dx in (S - 3, S - 2, S - 1):
            got = px(area, W, left + dx, top + S - 1)
            if max(abs(a - b) for a, b in zip(got, want)) > 12: bad += 1
        own = px(area, W, left + S - 1, top + S - 1)
        ink = sum(1 for dy in range(1, S - 1) for dx in range(1, S - 3)
                  if px(area, W, left + dx, top + dy) in ((0, 0, 0), (255, 255, 255))
                  and px(area, W, left + dx, top + dy) != own)
        if ink >= 15: lettered += 1
print(f"{S}x: {blocks} whole blocks, {bad} corner pixels off, {lettered} with values")
enough = blocks * 9 // 10 <= lettered if values else lettered == 0
sys.exit(0 if blocks >= 100 and bad <= blocks // 50 and enough else 1)
PY
}
check_blocks "$work/zoom16.png" 16 0 0 || fail "the 16x view is not ffmpeg's frame 25 in 16x16 blocks without values"

# One more notch: 24x, where three lines of values fit.
xdotool keydown ctrl
xdotool click 4
xdotool keyup ctrl
sleep 0.8
screenshot "$work/zoom24.png"
check_blocks "$work/zoom24.png" 24 0 1 || fail "the 24x view is not ffmpeg's frame 25 in 24x24 blocks with their values"

# A drag 100 pixels to the left moves the view with it.
xdotool mousedown 1
for _ in $(seq 10); do
  xdotool mousemove_relative -- -10 0
  sleep 0.05
done
xdotool mouseup 1
sleep 0.8
screenshot "$work/panned.png"
check_blocks "$work/panned.png" 24 -100 1 || fail "the drag did not move the view by 100 pixels"
echo "16x: blocks of ffmpeg's colours; 24x: with their values; a drag pans"
