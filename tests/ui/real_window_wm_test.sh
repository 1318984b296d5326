#!/usr/bin/env bash
# The real program's windows under a window manager (openbox): where the
# coordinate window goes, which frame buttons each window asks for, and the
# keyboard focus after a modal dialog.
# Usage: real_window_wm_test.sh CORVANE CORVANE_TOOL
# Run inside an X server (CTest starts it under xvfb-run).
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

# mwm_bits WID: the decorations word of the Motif hints the window asks for
# (0x20 minimise button, 0x40 maximise button). openbox itself draws all
# buttons whatever a window asks ("don't let mwm hints kill any buttons"), so
# the request is what the program can be held to.
mwm_decorations() {
  xprop -id "$1" _MOTIF_WM_HINTS | sed -n 's/.*= *\(0x[0-9a-f]*\), *\(0x[0-9a-f]*\), *\(0x[0-9a-f]*\).*/\3/p'
}
has_bit() { (($(mwm_decorations "$1") & $2)); }

clip=$work/clip.yuv
"$tool" gen "$clip" --format I420 --size 352x288 --frames 250 --trailer >/dev/null
start_player "$clip"
wid=$(find_window '^Corvane$')
sleep 1
key "$wid" space

# 1. The coordinate window: below the main window's frame, not over its
#    status line; the main window asks for no maximise button meanwhile.
has_bit "$wid" 0x40 || fail "the main window asks for no maximise button to begin with"
menu "$wid" $tools_menu 1
coord=$(find_window '^YUV坐标显示$')
[ -n "$coord" ] || fail "no coordinate window"
sleep 0.5
read -r mx my mw mh < <(frame_geometry "$wid")
read -r cx cy cw ch < <(frame_geometry "$coord")
echo "main frame ${mw}x${mh}+${mx}+${my}, coordinate window frame ${cw}x${ch}+${cx}+${cy}"
[ "$cx" -eq "$mx" ] && [ "$cy" -eq $((my + mh)) ] || fail "the coordinate window's frame is not right below the main window's"
! has_bit "$wid" 0x40 || fail "the main window keeps its maximise button while the coordinate window shows"
! has_bit "$coord" 0x20 && ! has_bit "$coord" 0x40 || fail "the coordinate window asks for minimise or maximise buttons"
menu "$wid" $tools_menu 1
window_gone '^YUV坐标显示$' || fail "the coordinate window stays"
has_bit "$wid" 0x40 || fail "the maximise button does not come back"
echo "coordinate window placed below the frame; maximise held back and given back"

# 2. A dialog asks for a close button only.
menu "$wid" $help_menu 2
help=$(find_window '^帮助$')
[ -n "$help" ] || fail "no help dialog"
! has_bit "$help" 0x20 && ! has_bit "$help" 0x40 || fail "the help dialog asks for minimise or maximise buttons"
xdotool key Escape
window_gone '^帮助$' || fail "Escape does not close the help dialog"
echo "the help dialog has a close button only"

# 3. After a modal dialog closes, the next key reaches the main window
#    without a click: Ctrl+M, Escape, then Ctrl+O typed to whatever window has
#    the focus opens the file chooser.
key "$wid" ctrl+m
splice=$(find_window '^文件拼接$')
[ -n "$splice" ] || fail "Ctrl+M opened no splice dialog"
sleep 0.5
xdotool key Escape
window_gone '^文件拼接$' || fail "Escape does not close the splice dialog"
sleep 0.5
xdotool key ctrl+o
chooser=$(other_active_window "$wid")
[ -n "$chooser" ] || fail "Ctrl+O after the splice dialog closed did nothing"
echo "Ctrl+O after the splice dialog opened \"$(xdotool getwindowname "$chooser")\""
