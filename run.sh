#!/usr/bin/env bash
# Installs what is missing, builds, and runs Corvane on FILE, or on the
# built-in demo clip when no file is given. Until the player window exists this
# runs the command line: file info, headless playback and a still of frame 1.
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
"$tool" info "$file" "$@"
"$tool" play "$file" "$@"
"$tool" render "$file" --frame 1 -o build/demo/still.png "$@"
echo "still of frame 1: build/demo/still.png"
