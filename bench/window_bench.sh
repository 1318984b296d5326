#!/bin/sh
# The player window against mpv on the same clips, under Xvfb with the xcb
# platform. Run from the repository root after a build:
#
#   flock /tmp/corvane-build.lock bench/window_bench.sh [BUILD_DIR] [SECONDS]
#
# BUILD_DIR (default build-bench) holds ui/corvane and cli/corvane-tool;
# SECONDS (default 10) is how long each Corvane run is measured. Makes a
# 1920x1080 and a 3840x2160 I420 clip with ffmpeg (testsrc2, 100 and 25
# frames, about 300 MB each, with a parameter trailer so that the player opens
# them without asking), prints one table, and deletes the clips.
set -eu

BUILD=${1:-build-bench}
SECONDS_MEASURED=${2:-10}
CORVANE=$BUILD/ui/corvane
TOOL=$BUILD/cli/corvane-tool
for f in "$CORVANE" "$TOOL"; do
  [ -x "$f" ] || { echo "missing $f: build first (cmake --build $BUILD)" >&2; exit 1; }
done
for t in Xvfb xdotool ffmpeg python3 /usr/bin/time; do
  command -v "$t" >/dev/null || { echo "missing $t" >&2; exit 1; }
done
# The peer player; only this benchmark needs it.
if ! command -v mpv >/dev/null; then
  apt-get install -y --no-install-recommends mpv >/dev/null
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/window_bench.XXXXXX")
XPID=
cleanup() {
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

make_clip() {  # size frames file
  ffmpeg -loglevel error -f lavfi -i "testsrc2=size=$1:rate=25" -pix_fmt yuv420p -frames:v "$2" \
    -f rawvideo -y "$3"
  "$TOOL" setpara "$3" --format I420 --size "$1" --interval 40 >/dev/null
  cat "$3" >/dev/null  # into the page cache
}
make_clip 1920x1080 100 "$WORK/clip1080.yuv"
make_clip 3840x2160 25 "$WORK/clip2160.yuv"

# A screen that holds the window of a 3840x2160 picture at 100 %, so that the
# menu bar's height can be read off the window before it is resized.
# mpv's x11 output uses shared memory only on a display numbered below 10
# (it takes others for remote), so take a free one of those.
DISP=
for n in 9 8 7 6 5 4 3 2 1; do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then DISP=:$n; break; fi
done
[ -n "$DISP" ] || { echo "no free X display below :10" >&2; exit 1; }
Xvfb "$DISP" -screen 0 3840x2400x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
sleep 1
DISPLAY=$DISP xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start on $DISP" >&2; exit 1; }

echo "$(date -I), $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), mpv $(mpv --version | head -1 | cut -d' ' -f2)"
DISPLAY=$DISP python3 "$(dirname "$0")/window_bench.py" --corvane "$CORVANE" \
  --clip1080 "$WORK/clip1080.yuv" --clip2160 "$WORK/clip2160.yuv" --seconds "$SECONDS_MEASURED" --xvfb-pid "$XPID"
