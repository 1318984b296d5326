#!/usr/bin/env bash
# The player in a real X session: start corvane on a clip with a trailer,
# pause it, go to the first frame and step twice with keys sent by xdotool,
# then check that the screen shows the third frame as ffmpeg converts it.
# Run inside an X server (CTest starts it under xvfb-run); openbox frames
# the windows, as a desktop would.
# A second case opens a clip without a trailer whose name gives its format
# and size, confirms the parameter dialog with Return and checks the picture.
# A third opens a Y4M file that ffmpeg wrote: no dialog, 100 %, 1:1.
# Usage: real_window_test.sh CORVANE CORVANE_TOOL [trailer|dialog|y4m]
set -euo pipefail
corvane=$1
tool=$2
case_name=${3:-trailer}
source "$(dirname "$0")/real_window_lib.sh"
start_wm

trailer_clip_steps() {
  w=320 h=240
  clip=$work/clip.yuv
  # ffmpeg's moving test picture: every frame differs from its neighbours.
  ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 60 -pix_fmt yuv420p -f rawvideo "$clip"
  "$tool" setpara "$clip" --format I420 --size "${w}x${h}" >/dev/null
  for n in 1 2 3 4; do
    ffmpeg -loglevel error -f rawvideo -pix_fmt yuv420p -s "${w}x${h}" -i "$clip" \
      -vf "select=eq(n\,$((n - 1)))" -frames:v 1 "$work/ref$n.png"
  done

  start_player "$clip"
  wid=$(find_window '^Corvane$')
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
  read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
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
}

# A clip no one here wrote, without a trailer: the dialog preselects NV12 and
# 176 x 144 from the name, Return confirms it, and the first frame is shown
# after a pause and Home.
dialog_clip_plays() {
  local w=176 h=144
  local clip=$work/clip_nv12_${w}x${h}.yuv
  ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 50 -pix_fmt nv12 -f rawvideo "$clip"
  for n in 1 20; do
    ffmpeg -loglevel error -f rawvideo -pix_fmt nv12 -s "${w}x${h}" -i "$clip" \
      -vf "select=eq(n\,$((n - 1)))" -frames:v 1 "$work/ref$n.png"
  done
  start_player "$clip"
  confirm_parameters
  local wid
  wid=$(find_window '^Corvane$')
  sleep 1.5
  for key in space Home; do
    xdotool key --window "$wid" "$key"
    sleep 0.3
  done
  sleep 1
  [ -f "$clip" ] && [ "$(stat -c %s "$clip")" -eq $((w * h * 3 / 2 * 50)) ] || { echo "the clip changed" >&2; exit 1; }
  import -window root "$work/screen.png"
  read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
  # A picture narrower than the button row is centred: search the whole width.
  convert "$work/screen.png" -crop "${WIDTH}x$((h + 150))+${X}+${Y}" +repage "$work/strip.png"
  local s1 s20
  s1=$(compare -metric MAE -subimage-search "$work/strip.png" "$work/ref1.png" null: 2>&1 |
    sed -n 's/.*(\([0-9.e-]*\)).*/\1/p' | head -n1 || true)
  s20=$(compare -metric MAE -subimage-search "$work/strip.png" "$work/ref20.png" null: 2>&1 |
    sed -n 's/.*(\([0-9.e-]*\)).*/\1/p' | head -n1 || true)
  echo "mean error against frame 1: $s1, against frame 20: $s20"
  awk -v a="$s1" -v b="$s20" 'BEGIN { exit !(a < b) }' || { echo "frame 20 matches as well as frame 1" >&2; exit 1; }
  awk -v a="$s1" 'BEGIN { exit !(a < 0.01) }' || { echo "picture differs from frame 1" >&2; exit 1; }
  echo "the dialog's parameters play the clip"
}

# A Y4M file from the command line: its header says everything, so no
# parameter dialog comes; the window is sized for the picture at 100 % and
# the third frame, stepped to with keys, is on screen pixel for pixel.
y4m_clip_plays() {
  local w=320 h=240
  local clip=$work/clip.y4m
  ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=30000/1001" -frames:v 40 -pix_fmt yuv420p "$clip"
  head -c 9 "$clip" | grep -q '^YUV4MPEG2$' || fail "ffmpeg wrote no Y4M file"
  for n in 2 3 4; do
    ffmpeg -loglevel error -i "$clip" -vf "select=eq(n\,$((n - 1)))" -frames:v 1 "$work/ref$n.png"
  done
  start_player "$clip"
  local wid
  wid=$(find_window '^Corvane$')
  [ -n "$wid" ] || fail "no player window"
  sleep 2
  [ -z "$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name '^参数设置$' 2>/dev/null || true)" ] ||
    fail "a Y4M file asked for its parameters"
  key "$wid" space Home Right Right
  sleep 1
  shows_frame_at_100 "$wid" "$w" "$h" 3
  echo "the Y4M file plays at 100 % without a dialog"
}

case $case_name in
  trailer) trailer_clip_steps ;;
  dialog) dialog_clip_plays ;;
  y4m) y4m_clip_plays ;;
  *) echo "unknown case $case_name" >&2; exit 2 ;;
esac
