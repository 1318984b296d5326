#!/usr/bin/env bash
# A coded file in the real program: an H.264 MP4 with B-frames (made by
# ffmpeg here) opened from the command line plays without a parameter
# dialog at 100 %; stepped backward from its last frame across a keyframe,
# the frame on screen is ffmpeg's decode of that frame.
# Usage: real_window_coded_test.sh CORVANE CORVANE_TOOL
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

w=320 h=180 frames=40
clip=$work/clip.mp4
# A moving picture; a keyframe every 12 frames and no others (frames 1, 13,
# 25, 37), up to 3 B-frames between references.
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v $frames \
  -c:v libx264 -bf 3 -g 12 -sc_threshold 0 -pix_fmt yuv420p "$clip"
# Frame n is the n-th frame in presentation order, as ffmpeg decodes it.
for n in 35 36 37; do
  ffmpeg -loglevel error -i "$clip" -vf "select=eq(n\,$((n - 1)))" -fps_mode passthrough -frames:v 1 "$work/ref$n.png"
done

start_player "$clip"
wid=$(find_window '^Corvane$')
[ -n "$wid" ] || fail "no player window"
sleep 2
[ -z "$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name '^参数设置$' 2>/dev/null || true)" ] ||
  fail "a coded file asked for its parameters"
# Paused on the last frame, then four steps back: 39, 38, 37 (the keyframe)
# and 36, which only decodes from the keyframe before (frame 25).
key "$wid" space End Left Left Left Left
sleep 1.5
shows_frame_at_100 "$wid" "$w" "$h" 36
echo "the MP4 steps back across its keyframe to ffmpeg's frame 36"
