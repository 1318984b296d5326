#!/usr/bin/env bash
# Builds the layers without Qt (platform, formats, capture, engine, tools,
# analysis, session, corvane-tool) and their tests with ThreadSanitizer into
# build-tsan and runs those tests through CTest. Without Qt in the process,
# TSan sees every thread and lock there is.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ ! -f build-tsan/build.ninja ]; then
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_TSAN=ON \
    -DCORVANE_QT_FREE_ONLY=ON -DCORVANE_BENCH=OFF >/dev/null
fi
cmake --build build-tsan
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 ${TSAN_OPTIONS:-}" \
  ctest --test-dir build-tsan --output-on-failure -j2
