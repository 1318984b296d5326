#!/usr/bin/env bash
# Makes docs/screenshot.png: the player window playing the demo clip, in a
# private X server (Xvfb) with a private home, so no settings are touched.
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
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 800x600x24" bash -c '
    "$1" "$2" &
    player=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Corvane$" | head -n1)
    sleep 2
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$3"
    kill "$player"' _ "$(pwd)/$build/ui/corvane" "$demo" "$out"
echo "wrote $out"
