# Shared by the real-window tests (sourced, not run): a private home, a
# window manager, the player, its windows and what the screen shows.
# The caller sets `corvane` and `tool` and runs inside an X server.

work=$(mktemp -d)
player=""
wm=""
# A script that passed still fails when the player it leaves running does not
# end cleanly (a crash or a sanitizer report at exit).
cleanup() {
  local status=$?
  if [ $status -eq 0 ] && [ -n "$player" ]; then
    end_player || status=1
  fi
  [ -n "$player" ] && kill -9 "$player" 2>/dev/null && wait "$player" 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null || true
  rm -rf "$work"
  exit $status
}
trap cleanup EXIT
# A private home: the user's settings are neither read nor written.
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config QT_QPA_PLATFORM=xcb
unset XDG_PICTURES_DIR
mkdir -p "$XDG_CONFIG_HOME" "$HOME/Pictures"

fail() {
  echo "$*" >&2
  exit 1
}

# openbox, as users have a window manager: without one X ignores placement
# and full-screen requests, and a frame that is thicker at the bottom than at
# the sides (openbox's handle) shows faults that a bare server hides.
# On a loaded machine openbox has been seen to give up at its start (its
# first round trips to a server that is still busy): it is started again,
# up to three times, before the test fails.
start_wm() {
  for _ in 1 2 3; do
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    for _ in $(seq 150); do
      xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
      kill -0 "$wm" 2>/dev/null || break
      sleep 0.1
    done
    kill "$wm" 2>/dev/null || true
    wait "$wm" 2>/dev/null || true
  done
  fail "openbox did not start"
}

# start_player ARGS...: the player in the background, $player its pid.
start_player() {
  stop_player
  "$corvane" "$@" &
  player=$!
}

# end_player: ends the player as a session's logout does (SIGTERM: it closes
# its windows and leaves with status 0); false, with the reason said, unless
# it exits 0 within 15 s, so a crash or a sanitizer report at exit does not
# pass. stop_player fails the script then.
end_player() {
  [ -n "$player" ] || return 0
  local pid=$player status=0
  player=""
  kill -TERM "$pid" 2>/dev/null || true
  for _ in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
    echo "the player did not exit within 15 s of SIGTERM" >&2
    return 1
  fi
  wait "$pid" || status=$?
  [ $status -eq 0 ] || { echo "the player exited with status $status" >&2; return 1; }
}
stop_player() { end_player || exit 1; }

# find_window TITLE: the id of the visible window whose title is TITLE
# (a regular expression), waiting up to 20 s. Chinese titles need UTF-8.
# A search that meets a window while it goes away fails with BadWindow (the
# window manager makes and drops windows of its own): it is asked again.
find_window() {
  local id=""
  for _ in $(seq 200); do
    id=$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

# window_gone TITLE: waits up to 10 s until no visible window has TITLE,
# three searches in a row (an empty answer may also be a failed search).
window_gone() {
  local empty=0
  for _ in $(seq 100); do
    if [ -z "$(LC_ALL=C.UTF-8 xdotool search --onlyvisible --name "$1" 2>/dev/null || true)" ]; then
      empty=$((empty + 1))
      [ $empty -ge 3 ] && return 0
    else
      empty=0
    fi
    sleep 0.1
  done
  return 1
}

# confirm_parameters: Return on the parameter dialog. It closes on the key
# press, before the release reaches it, which xdotool reports as an X error.
confirm_parameters() {
  local dialog
  dialog=$(find_window '^参数设置$')
  [ -n "$dialog" ] || fail "no parameter dialog"
  sleep 0.7
  xdotool key --window "$dialog" Return 2>/dev/null || true
  window_gone '^参数设置$' || fail "the parameter dialog stays"
}

# other_active_window WID: the active window once it is another than WID
# (a dialog WID opened), waiting up to 10 s; empty when none came.
other_active_window() {
  local active
  for _ in $(seq 100); do
    active=$(xdotool getactivewindow 2>/dev/null || true)
    if [ -n "$active" ] && [ "$active" != "$1" ]; then
      echo "$active"
      return 0
    fi
    sleep 0.1
  done
}

# choose_file WID PATH: Ctrl+O on the player WID and PATH typed into Qt's
# file chooser, which takes typed keys once activated. Its name field holds
# the last file's name (replaced), and its completer may catch the first
# Return: Return is pressed until the chooser is gone.
choose_file() {
  local chooser
  xdotool key --window "$1" ctrl+o
  chooser=$(other_active_window "$1")
  [ -n "$chooser" ] || fail "Ctrl+O opened no file chooser"
  sleep 1
  # Typed twice at most: on a loaded machine the chooser may still be laying
  # out its fields when the first keys arrive, and lose some of them.
  for _ in 1 2; do
    xwininfo -id "$chooser" 2>/dev/null | grep -q 'IsViewable' || return 0
    xdotool windowactivate --sync "$chooser" 2>/dev/null || true
    sleep 0.3
    xdotool key ctrl+a
    xdotool type --delay 20 "$2"
    for _ in $(seq 5); do
      sleep 0.5
      xdotool key --window "$chooser" Return 2>/dev/null || break
      sleep 0.5
      xwininfo -id "$chooser" 2>/dev/null | grep -q 'IsViewable' || return 0
    done
  done
  xwininfo -id "$chooser" 2>/dev/null | grep -q 'IsViewable' && fail "the file chooser does not take $2"
  return 0
}

# client_geometry WID: X Y W H of the window's client area (the Qt window:
# menu bar, picture and strip), in absolute screen coordinates. xwininfo
# reads them right under a reparenting window manager.
client_geometry() {
  xwininfo -id "$1" | awk '/Absolute upper-left X/ {x=$4} /Absolute upper-left Y/ {y=$4}
    /^  Width/ {w=$2} /^  Height/ {h=$2} END {print x, y, w, h}'
}

# frame_geometry WID: X Y W H of the window manager's frame round WID.
frame_geometry() {
  local id=$1 parent root
  root=$(xwininfo -root | awk '/Window id/ {print $4}')
  while :; do
    parent=$(xwininfo -children -id "$id" | awk '/Parent window id/ {print $4}')
    [ "$parent" = "$root" ] && break
    id=$parent
  done
  client_geometry "$id"
}

key() {  # key WID KEYS...: keys to the window, with a moment to act on them
  local wid=$1
  shift
  for k in "$@"; do
    xdotool key --window "$wid" "$k"
    sleep 0.3
  done
}

screenshot() { import -window root "$1"; }

# menu WID X N: opens the menu whose title lies X pixels from the client's
# left edge and runs its N-th item (keys, one at a time, as a user would).
menu() {
  xdotool mousemove --window "$1" "$2" 11 click 1
  sleep 0.5
  for _ in $(seq "$3"); do
    xdotool key Down
    sleep 0.15
  done
  xdotool key Return
  sleep 0.7
}
tools_menu=136 help_menu=174  # the Chinese titles' centres, fixed by the menu bar's font

# inside_screen WID WHAT: the window manager's frame round WID, title bar
# included, lies wholly on the screen.
inside_screen() {
  local x y w h sw sh
  read -r x y w h < <(frame_geometry "$1")
  read -r sw sh < <(xwininfo -root | awk '/^  Width/ {w=$2} /^  Height/ {h=$2} END {print w, h}')
  [ "$x" -ge 0 ] && [ "$y" -ge 0 ] && [ $((x + w)) -le "$sw" ] && [ $((y + h)) -le "$sh" ] ||
    fail "$2: the frame ${w}x${h}+${x}+${y} leaves the ${sw}x${sh} screen"
  echo "$2: frame ${w}x${h}+${x}+${y} on the ${sw}x${sh} screen"
}

# reference_frame CLIP PIXFMT WxH N OUT [FILTER]: frame N (from 1) as ffmpeg
# converts it, through an optional extra filter (a scale).
reference_frame() {
  local filter="select=eq(n\,$(($4 - 1)))"
  [ -n "${6:-}" ] && filter="$filter,$6"
  ffmpeg -loglevel error -y -f rawvideo -pix_fmt "$2" -s "$3" -i "$1" -vf "$filter" -frames:v 1 "$5"
}

# best_match SCREEN REF X Y W H: "DX DY MAE" of REF's best place inside the
# screen's W x H region at X,Y (MAE normalised to 0..1).
best_match() {
  convert "$1" -crop "${5}x${6}+${3}+${4}" +repage "$work/region.png"
  # compare prints its figures without a newline and exits 1 whenever the
  # images differ at all.
  { compare -metric MAE -subimage-search "$work/region.png" "$2" null: 2>&1 || true; echo; } |
    sed -n 's/.*(\([0-9.e-]*\)) @ \([0-9]*\),\([0-9]*\).*/\2 \3 \1/p' | head -n1
}

# shows_frame_at_100 WID W H N: the screen (taken now) shows frame N of a
# W x H clip at 100 % and 1:1 in the player WID, nearer to ffmpeg's frame N
# ($work/refN.png) than to its neighbours N - 1 and N + 1 and within 1 %:
# the client area is the picture's width, and the menu bar, the picture and
# the 86-pixel strip high.
shows_frame_at_100() {
  local wid=$1 w=$2 h=$3 n=$4 X Y WIDTH HEIGHT dy before at after
  screenshot "$work/screen.png"
  read -r X Y WIDTH HEIGHT < <(client_geometry "$wid")
  [ "$WIDTH" -eq "$w" ] || fail "the client area is $WIDTH wide, not the picture's $w"
  read -r _ dy at < <(best_match "$work/screen.png" "$work/ref$n.png" "$X" "$Y" "$w" "$((HEIGHT - 86))")
  [ $((HEIGHT - 86 - dy)) -eq "$h" ] || fail "the picture is not ${h} rows high at 100 %: $((HEIGHT - 86 - dy))"
  read -r _ _ before < <(best_match "$work/screen.png" "$work/ref$((n - 1)).png" "$X" "$Y" "$w" "$((HEIGHT - 86))")
  read -r _ _ after < <(best_match "$work/screen.png" "$work/ref$((n + 1)).png" "$X" "$Y" "$w" "$((HEIGHT - 86))")
  echo "mean error against frames $((n - 1)), $n, $((n + 1)): $before $at $after"
  below "$at" "$before" && below "$at" "$after" || fail "frame $n is not the frame on screen"
  below "$at" 0.01 || fail "the picture differs from frame $n"
}

# below A B: true when the number A is below B.
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }
