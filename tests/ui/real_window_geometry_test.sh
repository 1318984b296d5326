#!/usr/bin/env bash
# The picture area of the real program under a window manager (openbox), on
# every road a file takes into the window: at 100 % client pixels must be
# frame pixels, and 50 % and 200 % must be exactly half and twice.
# Usage: real_window_geometry_test.sh CORVANE CORVANE_TOOL
# Run inside an X server of at least 1280 x 1024 (CTest starts it under
# xvfb-run).
set -euo pipefail
corvane=$1
tool=$2
source "$(dirname "$0")/real_window_lib.sh"
start_wm

strip=86     # slider, buttons and status line below the picture
row=274      # the narrowest client area: the button row and its margins
menubar=""   # measured on the first picture, the same for every width here

# expect_area WID W H WHAT: the client area holds a W x H picture (centred in
# the button row's width when narrower) above the strip.
expect_area() {
  local cx cy cw ch want_w
  read -r cx cy cw ch < <(client_geometry "$1")
  want_w=$(($2 > row ? $2 : row))
  [ "$cw" -eq "$want_w" ] && [ "$ch" -eq $((menubar + $3 + strip)) ] ||
    fail "$4: client area ${cw}x${ch}, wanted ${want_w}x$((menubar + $3 + strip)) for a $2x$3 picture"
  echo "$4: $2x$3 picture in a ${cw}x${ch} client area"
}

# 1. Without a trailer, through the parameter dialog. The picture is found on
#    the screen by ffmpeg's conversion of frame 1: where it lies gives the
#    menu bar's height, and how well it matches shows it is not scaled (a
#    picture 4 rows short matches far worse than 0.01).
w=352 h=288
clip=$work/foreman_cif.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=${w}x${h}:rate=25" -frames:v 30 -pix_fmt yuv420p -f rawvideo "$clip"
reference_frame "$clip" yuv420p "${w}x${h}" 1 "$work/ref.png"
start_player "$clip"
confirm_parameters
wid=$(find_window '^Corvane$')
sleep 1
key "$wid" space Home
sleep 0.5
screenshot "$work/screen.png"
read -r cx cy cw ch < <(client_geometry "$wid")
read -r dx dy mae < <(best_match "$work/screen.png" "$work/ref.png" "$cx" "$cy" "$cw" $((h + 60)))
echo "frame 1 found at +$dx+$dy of the client area, mean error $mae"
[ "$dx" -eq 0 ] || fail "the picture starts $dx pixels right of the client area's edge"
below "$mae" 0.01 || fail "the picture on screen is not frame 1 at 1:1 (mean error $mae)"
menubar=$dy
expect_area "$wid" $w $h "parameter dialog, 100 %"

# 2. The zoom keys: half and twice, and back.
key "$wid" ctrl+1
sleep 0.5
expect_area "$wid" $((w / 2)) $((h / 2)) "50 %"
reference_frame "$clip" yuv420p "${w}x${h}" 1 "$work/half.png" "scale=$((w / 2)):$((h / 2)):flags=area"
screenshot "$work/screen.png"
read -r cx cy cw ch < <(client_geometry "$wid")
read -r dx dy mae < <(best_match "$work/screen.png" "$work/half.png" "$cx" "$cy" "$cw" $((h / 2 + 60)))
echo "the half-size frame found at +$dx+$dy, mean error $mae"
[ "$dx" -eq $(((row - w / 2) / 2)) ] && [ "$dy" -eq "$menubar" ] || fail "the 50 % picture is not centred below the menu"
below "$mae" 0.03 || fail "the 50 % picture is not frame 1 at half size (mean error $mae)"
for x in 5 $((cw - 5)); do
  beside=$(convert "$work/screen.png" -format "%[fx:int(255*p{$((cx + x)),$((cy + menubar + h / 4))}.intensity)]" info:)
  [ "$beside" -le 8 ] || fail "beside the 50 % picture the area is not black (intensity $beside at x $x)"
done
key "$wid" ctrl+3
sleep 0.5
expect_area "$wid" $((2 * w)) $((2 * h)) "200 %"
key "$wid" ctrl+2
sleep 0.5
expect_area "$wid" $w $h "100 % again"
# Ctrl+O and Qt's file chooser, which takes typed keys once activated; a
# QCIF clip through the dialog is narrower than the button row.
qcif=$work/other_qcif.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=176x144:rate=25" -frames:v 10 -pix_fmt yuv420p -f rawvideo "$qcif"
choose_file "$wid" "$qcif"
confirm_parameters
sleep 1
expect_area "$wid" 176 144 "Ctrl+O, parameter dialog"
stop_player

# 3. The stored defaults (no dialog), then a spliced file whose second
#    segment has another size: the frame-size notice sizes the window for it.
cat >"$XDG_CONFIG_HOME/Corvane.conf" <<'EOF'
[General]
%U662F%U5426%U542F%U52A8%U9ED8%U8BA4%U53C2%U6570=1
%U9ED8%U8BA4YUV%U7C7B%U578B=1498820914
%U9ED8%U8BA4%U5BBD%U5EA6=320
%U9ED8%U8BA4%U9AD8%U5EA6=240
%U9ED8%U8BA4%U663E%U793A%U7C7B%U578B=4
EOF
bare=$work/bare.yuv
ffmpeg -loglevel error -f lavfi -i "testsrc2=size=320x240:rate=25" -frames:v 10 -pix_fmt yuv420p -f rawvideo "$bare"
start_player "$bare"
wid=$(find_window '^Corvane$')
sleep 1
expect_area "$wid" 320 240 "stored defaults"

a=$work/a.yuv b=$work/b.yuv
"$tool" gen "$a" --format I420 --size 320x240 --frames 3 --trailer >/dev/null
"$tool" gen "$b" --format NV12 --size 200x120 --frames 250 --trailer >/dev/null
"$tool" splice -o "$work/spliced.yuv" "$a" "$b" >/dev/null
start_player "$work/spliced.yuv"
wid=$(find_window '^Corvane$')
sleep 2
expect_area "$wid" 200 120 "spliced file, second segment"

echo "every road gives the picture its exact size"
