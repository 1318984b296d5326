#!/bin/sh
# A long soak of the real player window in compare mode, under Xvfb with
# openbox: random keys, views, zoom, drags, slider and graph clicks and
# dialogs (xdotool), with the player's resident memory sampled every 15 s.
# Not a CTest test; run it by hand from the repository root after a build:
#
#   nice -n 10 bench/soak_compare.sh [BUILD_DIR] [MINUTES] [OUT.csv] [WRAPPER]
#
# BUILD_DIR (default build) holds ui/corvane and cli/corvane-tool; MINUTES
# defaults to 30. Makes A (640x480 I420, 750 frames, the moving pattern, with
# a trailer) and B (A with noise from ffmpeg), plays A against B with repeat
# on, prints one line per sample ("t_s,rss_mib,hwm_mib,anon_mib,file_mib,
# shmem_mib,actions": VmRSS, VmHWM and the RSS's parts) to standard
# output and OUT.csv, and a summary at the end. Exits 1 when the player died
# or ended on its own during the run. WRAPPER is a command the player is
# started under, e.g. "heaptrack -o /tmp/soak" to see what its heap holds. See docs/PERFORMANCE.md, "A long soak".
set -eu

BUILD=${1:-build}
MINUTES=${2:-30}
OUT=${3:-}
WRAPPER=${4:-}
CORVANE=$BUILD/ui/corvane
TOOL=$BUILD/cli/corvane-tool
for f in "$CORVANE" "$TOOL"; do
  [ -x "$f" ] || { echo "missing $f: build first" >&2; exit 1; }
done
for t in Xvfb openbox xdotool xprop ffmpeg python3; do
  command -v "$t" >/dev/null || { echo "missing $t" >&2; exit 1; }
done

WORK=$(mktemp -d "${TMPDIR:-/tmp}/soak_compare.XXXXXX")
XPID=
WMPID=
cleanup() {
  [ -n "$WMPID" ] && kill "$WMPID" 2>/dev/null || true
  [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT INT TERM

W=640 H=480 N=750
"$TOOL" gen "$WORK/a.yuv" --format I420 --size ${W}x$H --frames $N --interval 40 >/dev/null
ffmpeg -loglevel error -f rawvideo -pix_fmt yuv420p -s ${W}x$H -i "$WORK/a.yuv" -frames:v $N \
  -vf noise=alls=12:allf=t -f rawvideo -y "$WORK/b.yuv"
"$TOOL" setpara "$WORK/b.yuv" --format I420 --size ${W}x$H --interval 40 >/dev/null

DISP=
for n in 99 98 97 96 95 94 93 92 91 90; do
  if [ ! -e /tmp/.X$n-lock ] && [ ! -e /tmp/.X11-unix/X$n ]; then DISP=:$n; break; fi
done
[ -n "$DISP" ] || { echo "no free X display" >&2; exit 1; }
Xvfb "$DISP" -screen 0 1920x1200x24 -nolisten tcp >/dev/null 2>&1 &
XPID=$!
sleep 1
export DISPLAY=$DISP
# A private home: the user's settings are neither read nor written.
export HOME=$WORK/home XDG_CONFIG_HOME=$WORK/home/.config QT_QPA_PLATFORM=xcb
mkdir -p "$XDG_CONFIG_HOME" "$HOME/Pictures"
openbox --sm-disable >/dev/null 2>&1 &
WMPID=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done

python3 "$(dirname "$0")/soak_compare.py" --corvane "$CORVANE" --a "$WORK/a.yuv" --b "$WORK/b.yuv" \
  --minutes "$MINUTES" --frames $N ${OUT:+--csv "$OUT"} ${WRAPPER:+--wrapper "$WRAPPER"}
