#!/usr/bin/env bash
# Installs what is missing, builds, and starts the player on FILE, or on the
# built-in demo clip when no file is given. Without a display it says so and
# plays the file headless instead, with a still of its first frame.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
tool=build/cli/corvane-tool
mkdir -p build/demo
if [ $# -eq 0 ]; then
  demo=build/demo/corvane-demo.yuv
  [ -f "$demo" ] || "$tool" gen "$demo" --demo
  set -- "$demo"
fi
file=$1
shift
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec build/ui/corvane "$file"
fi
echo "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): playing headless instead." >&2
"$tool" info "$file" "$@"
"$tool" play "$file" "$@"
"$tool" render "$file" --frame 1 -o build/demo/still.png "$@"
echo "still of frame 1: build/demo/still.png"
