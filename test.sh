#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 "$@"
# A whole run (no CTest arguments) also runs the layers without Qt under
# ThreadSanitizer and each fuzz target for 30 seconds.
if [ $# -eq 0 ]; then
  scripts/tsan.sh
  scripts/fuzz_smoke.sh
fi
