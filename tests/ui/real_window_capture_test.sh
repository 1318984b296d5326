#!/usr/bin/env bash
# The capture button in a real X session: start corvane on an I420 clip
# without a trailer whose name gives its format and size, confirm the
# parameter dialog with Return, pause, go to the first frame, click the
# capture button with xdotool, and check that the still written into the
# capture folder is byte for byte what corvane-tool capture makes of the same
# frame.
# Run inside an X server (CTest starts it under xvfb-run); openbox frames
# the windows, as a desktop would.
# Usage: real_window_capture_test.sh CORVANE CORVANE_TOOL
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

w=352 h=288
clip=$work/clip_i420_${w}x${h}.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 30 -pix_fmt yuv420p -f rawvideo "$clip"
"$tool" capture "$clip" --frame 1 --bmp -o "$work/ref.bmp" --format I420 --size "${w}x${h}"

# The dialog preselects what the name says; Return confirms it.
start_player "$clip"
confirm_parameters
wid=$(find_window '^Corvane$')
sleep 1
for key in space Home; do
  xdotool key --window "$wid" "$key"
  sleep 0.3
done
sleep 0.5

# The capture button sits 229 pixels from the left, 50 above the bottom of
# the client area, 20 by 20.
read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
xdotool mousemove --window "$wid" 239 $((HEIGHT - 40)) click 1
still=$HOME/Pictures/capture00.bmp
for _ in $(seq 50); do
  [ -s "$still" ] && break
  sleep 0.1
done
[ -s "$still" ] || { echo "no still in $HOME/Pictures: $(ls "$HOME/Pictures")" >&2; exit 1; }
sleep 0.2  # the write is one call; let it finish before comparing
cmp "$still" "$work/ref.bmp" || { echo "the still differs from corvane-tool capture of frame 1" >&2; exit 1; }
echo "capture00.bmp is frame 1, byte for byte"
