#!/usr/bin/env bash
# Makes docs/screenshot.png (Chinese) or, with `en`, docs/screenshot-en.png
# (English): the player window playing the demo clip; and (Chinese only)
# docs/screenshot_zoom24.png: the same window paused and zoomed to 24x
# (Ctrl + wheel, eight notches over the picture's centre) with each pixel's
# values. In a private X server (Xvfb) with a private home, so no settings
# are touched. The language comes from the environment as it would for a
# user: none (the C locale) for Chinese, LANG=en_US.UTF-8 for English.
# Builds first when needed.
#
#   scripts/screenshot.sh [zh|en]
set -euo pipefail
cd "$(dirname "$0")/.."
language=${1:-zh}
case $language in
  zh) out=$(pwd)/docs/screenshot.png; locale=(LANGUAGE= LC_ALL=C.UTF-8 LANG=C.UTF-8) ;;
  en) out=$(pwd)/docs/screenshot-en.png; locale=(LANGUAGE= LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8) ;;
  *) echo "usage: $0 [zh|en]" >&2; exit 2 ;;
esac
build=${BUILD_DIR:-build}
[ -x "$build/ui/corvane" ] || scripts/build.sh
demo=$build/demo/corvane-demo.yuv
mkdir -p "$build/demo"
[ -f "$demo" ] || "$build/cli/corvane-tool" gen "$demo" --demo
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
zoomed=$(pwd)/docs/screenshot_zoom24.png
[ "$language" = zh ] || zoomed=/dev/null
env "${locale[@]}" HOME="$home" XDG_CONFIG_HOME="$home/.config" QT_QPA_PLATFORM=xcb \
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
    for _ in 1 2 3 4 5 6 7 8; do xdotool click 4; sleep 0.2; done
    xdotool keyup ctrl
    sleep 1
    [ "$4" = /dev/null ] || import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$4"
    kill "$player"' _ "$(pwd)/$build/ui/corvane" "$demo" "$out" "$zoomed"
echo "wrote $out"; [ "$zoomed" = /dev/null ] || echo "wrote $zoomed"
