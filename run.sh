#!/usr/bin/env bash
# Installs what is missing, builds, and runs Corvane on FILE, or on the
# built-in demo clip when no file is given.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
tool=build/cli/corvane-tool
if [ $# -eq 0 ]; then
  mkdir -p build/demo
  demo=build/demo/corvane-demo.yuv
  [ -f "$demo" ] || "$tool" gen "$demo" --demo
  set -- "$demo"
fi
"$tool" info "$1"
