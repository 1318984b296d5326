#!/usr/bin/env bash
# Windows as large as the screen, under a window manager (openbox) on a
# 1920 x 1080 screen: every road that sizes the main window keeps its whole
# frame, title bar included, on the screen (an HD file named on the command
# line, compared side by side with itself, 200 % by key, a spliced file's
# second segment); the coordinate window goes below the main window, beside
# it when there is no room below, and is never off the screen.
# Usage: real_window_screen_test.sh CORVANE CORVANE_TOOL
# Run inside an X server of 1920 x 1080 (CTest starts it under xvfb-run).
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

hd=$work/hd.yuv
"$tool" gen "$hd" --format I420 --size 1920x1080 --frames 5 --trailer >/dev/null

# 1. An HD file named on the command line: the window is sized before the
#    window manager has framed it, and must still count the frame in.
start_player "$hd"
wid=$(find_window '^Corvane$')
sleep 1.5
inside_screen "$wid" "corvane hd.yuv"
key "$wid" ctrl+3
sleep 0.5
inside_screen "$wid" "200 %"

# 2. Side by side with itself: twice the width of the screen asked for.
start_player "$hd" --compare "$hd" --view side
wid=$(find_window '^Corvane$')
sleep 1.5
inside_screen "$wid" "side by side"

# 3. A spliced file whose second segment is HD: the frame-size notice.
small=$work/small.yuv
"$tool" gen "$small" --format I420 --size 320x240 --frames 2 --trailer >/dev/null
"$tool" splice -o "$work/spliced.yuv" "$small" "$hd" >/dev/null
start_player "$work/spliced.yuv"
wid=$(find_window '^Corvane$')
sleep 2
inside_screen "$wid" "spliced file, HD segment"
stop_player

# 4. The coordinate window. A 1280 x 720 picture leaves no room below the
#    main window (about 850 rows, centred), but room to its right.
clip=$work/clip.yuv
"$tool" gen "$clip" --format I420 --size 1280x720 --frames 100 --trailer >/dev/null
start_player "$clip"
wid=$(find_window '^Corvane$')
sleep 1
key "$wid" space
menu "$wid" $tools_menu 1
coord=$(find_window '^YUV坐标显示$')
[ -n "$coord" ] || fail "no coordinate window"
sleep 0.5
inside_screen "$coord" "coordinate window beside a 720p picture"
read -r mx my mw mh < <(frame_geometry "$wid")
read -r cx cy cw ch < <(frame_geometry "$coord")
[ "$cx" -eq $((mx + mw)) ] && [ "$cy" -eq "$my" ] ||
  fail "the coordinate window's frame ${cw}x${ch}+${cx}+${cy} is not beside the main window's ${mw}x${mh}+${mx}+${my}"
menu "$wid" $tools_menu 1
window_gone '^YUV坐标显示$' || fail "the coordinate window stays"

# With the HD picture nothing fits beside either: it stays on the screen.
start_player "$hd"
wid=$(find_window '^Corvane$')
sleep 1.5
key "$wid" space
menu "$wid" $tools_menu 1
coord=$(find_window '^YUV坐标显示$')
[ -n "$coord" ] || fail "no coordinate window over the HD picture"
sleep 0.5
inside_screen "$coord" "coordinate window with an HD picture"

echo "every window stays whole on the screen"
