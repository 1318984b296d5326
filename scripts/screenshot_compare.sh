#!/usr/bin/env bash
# Makes docs/screenshot_compare.png: the player comparing a clip (ffmpeg's
# testsrc2, 640x360 I420) with the same clip after an H.264 round trip at a
# low rate, in the difference view (1x) with the quality graph, paused on
# frame 40. In a private X server with a private home; builds first when
# needed. Needs ffmpeg with libx264.
#
#   scripts/screenshot_compare.sh
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(pwd)/docs/screenshot_compare.png
build=${BUILD_DIR:-build}
[ -x "$build/ui/corvane" ] || scripts/build.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
a=$work/source_640x360.yuv b=$work/x264_640x360.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=640x360:rate=25" -frames:v 100 -pix_fmt yuv420p -f rawvideo "$a"
ffmpeg -loglevel error -f rawvideo -pix_fmt yuv420p -s 640x360 -r 25 -i "$a" -c:v libx264 -crf 38 -g 25 "$work/b.mp4"
ffmpeg -loglevel error -i "$work/b.mp4" -pix_fmt yuv420p -f rawvideo "$b"
for f in "$a" "$b"; do "$build/cli/corvane-tool" setpara "$f" --format I420 --size 640x360 >/dev/null; done
env LANGUAGE= LC_ALL=C.UTF-8 LANG=C.UTF-8 HOME="$work" XDG_CONFIG_HOME="$work/.config" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    "$1" "$2" --compare "$3" --view diff &
    player=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Corvane$" | head -n1)
    sleep 3
    xdotool key --window "$wid" space
    sleep 0.3
    # Frame 40, typed on the keypad.
    xdotool key --window "$wid" KP_4 KP_0 Return
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$4"
    kill "$player"' _ "$(pwd)/$build/ui/corvane" "$a" "$b" "$out"
echo "wrote $out"
