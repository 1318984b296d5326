#!/usr/bin/env bash
# The scopes in a real X session: F6 shows the waveform beside a 352x288
# picture at 100 %. The window grows by the scopes' column and no more; the
# picture is the frame pixel for pixel (as corvane-tool capture --png
# converts it), and the column beside it holds the waveform's trace; F6
# again gives the column back.
# Run inside an X server (CTest starts it under xvfb-run); openbox frames
# the windows, as a desktop would.
# Usage: real_window_scopes_test.sh CORVANE CORVANE_TOOL
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

w=352 h=288 column=320 strip=86
clip=$work/clip.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 25 -pix_fmt yuv420p -f rawvideo "$clip"
"$tool" setpara "$clip" --format I420 --size "${w}x${h}" >/dev/null
"$tool" capture "$clip" --frame 1 --png -o "$work/frame1.png" >/dev/null

start_player "$clip"
wid=$(find_window '^Corvane$')
[ -n "$wid" ] || fail "no player window"
sleep 1
key "$wid" space Home F6
sleep 1.5
read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
[ "$WIDTH" -eq $((w + column)) ] || fail "client area $WIDTH wide with the waveform, not $((w + column))"
menu=$((HEIGHT - strip - h))
[ "$menu" -gt 10 ] && [ "$menu" -lt 60 ] || fail "client area $HEIGHT high: the picture is not $h rows"
screenshot "$work/shot.png"
convert "$work/shot.png" -crop "${w}x${h}+${X}+$((Y + menu))" +repage "$work/picture.ppm"
convert "$work/frame1.png" "$work/frame1.ppm"
convert "$work/shot.png" -crop "${column}x${h}+$((X + w))+$((Y + menu))" +repage "$work/column.ppm"
python3 - "$work/picture.ppm" "$work/frame1.ppm" "$work/column.ppm" <<'PY'
import sys
def ppm(path):
    data = open(path, 'rb').read()
    parts = data.split(maxsplit=4)
    return int(parts[1]), int(parts[2]), parts[4]
(w, h, shot), (rw, rh, ref) = ppm(sys.argv[1]), ppm(sys.argv[2])
if (w, h) != (rw, rh):
    sys.exit(f"the crop is {w}x{h}, the frame {rw}x{rh}")
worst = max(abs(a - b) for a, b in zip(shot, ref))
if worst > 2:
    sys.exit(f"the picture is not frame 1 at 1:1: a level differs by {worst}")
print(f"the picture is frame 1 pixel for pixel (largest difference {worst})")
cw, ch, col = ppm(sys.argv[3])
# The trace is drawn in shades of green (120, 255, 140) over the face (16, 16, 16).
green = sum(1 for i in range(0, len(col), 3) if col[i + 1] > 100 and col[i + 1] > col[i] + 40 and col[i + 1] > col[i + 2] + 30)
if green < 500:
    sys.exit(f"the column beside the picture shows no waveform trace ({green} green pixels)")
print(f"the waveform beside the picture: {green} pixels of its trace")
PY

key "$wid" F6
sleep 1
read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
[ "$WIDTH" -eq "$w" ] || fail "client area $WIDTH wide without the scopes, not $w"
echo "ok"
