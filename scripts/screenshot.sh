#!/usr/bin/env bash
# Makes docs/screenshot.png: the player window playing the demo clip, and
# docs/screenshot_zoom16.png: the same window paused and zoomed to 16x
# (Ctrl + wheel, seven notches over the picture's centre) with each pixel's
# values; in a private X server (Xvfb) with a private home, so no settings
# are touched.
# Builds first when needed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
[ -x "$build/ui/corvane" ] || scripts/build.sh
demo=$build/demo/corvane-demo.yuv
mkdir -p "$build/demo"
[ -f "$demo" ] || "$build/cli/corvane-tool" gen "$demo" --demo
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
out=$(pwd)/docs/screenshot.png
zoomed=$(pwd)/docs/screenshot_zoom16.png
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    "$1" "$2" &
    player=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Corvane$" | head -n1)
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$3"
    xdotool key --window "$wid" space
    # The centre of the picture: above the 86-pixel strip, below the menu bar.
    xdotool mousemove --window "$wid" $((WIDTH / 2)) $((HEIGHT / 2 - 43 + 10))
    sleep 0.3
    xdotool keydown ctrl
    for _ in 1 2 3 4 5 6 7; do xdotool click 4; sleep 0.2; done
    xdotool keyup ctrl
    sleep 1
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$4"
    kill "$player"' _ "$(pwd)/$build/ui/corvane" "$demo" "$out" "$zoomed"
echo "wrote $out and $zoomed"
