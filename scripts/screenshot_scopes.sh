#!/usr/bin/env bash
# Makes docs/screenshot_scopes.png: the player paused on ffmpeg's HD colour
# bars (smptehdbars, 640x360 I420, read as BT.709) with the waveform and the
# vectorscope beside the picture (F6, F7): the 75 % bars sit on their
# targets. In a private X server with a private home and openbox round the
# window; builds first when needed.
#
#   scripts/screenshot_scopes.sh
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(pwd)/docs/screenshot_scopes.png
build=${BUILD_DIR:-build}
[ -x "$build/ui/corvane" ] || scripts/build.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
clip=$work/bars_640x360.yuv
ffmpeg -loglevel error -f lavfi -i "smptehdbars=size=640x360:rate=25" -frames:v 25 -pix_fmt yuv420p -f rawvideo "$clip"
"$build/cli/corvane-tool" setpara "$clip" --format I420 --size 640x360 >/dev/null
mkdir -p "$work/.config"
printf '[Colour]\nMatrix=709\nRange=limited\n' >"$work/.config/Corvane.conf"
env LANGUAGE= LC_ALL=C.UTF-8 LANG=C.UTF-8 HOME="$work" XDG_CONFIG_HOME="$work/.config" QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    sleep 1
    "$1" "$2" &
    player=$!
    wid=$(timeout 20 xdotool search --sync --onlyvisible --name "^Corvane$" | head -n1)
    sleep 2
    for k in space Home F6 F7; do xdotool key --window "$wid" $k; sleep 0.3; done
    sleep 2
    # The frame round the window too: the outermost window under the root.
    root=$(xwininfo -root | awk "/Window id/ {print \$4}")
    id=$wid
    while :; do
      parent=$(xwininfo -children -id "$id" | awk "/Parent window id/ {print \$4}")
      [ "$parent" = "$root" ] && break
      id=$parent
    done
    geometry=$(xwininfo -id "$id" | awk "/Absolute upper-left X/ {x=\$4} /Absolute upper-left Y/ {y=\$4}
      /^  Width/ {w=\$2} /^  Height/ {h=\$2} END {print w \"x\" h \"+\" x \"+\" y}")
    import -window root -crop "$geometry" +repage "$3"
    kill "$player"
    wait "$player" || true
    kill "$wm"' _ "$(pwd)/$build/ui/corvane" "$clip" "$out"
echo "wrote $out"
