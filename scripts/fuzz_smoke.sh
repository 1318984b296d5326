#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz (the parsers under
# test instrumented too) and runs each for FUZZ_SECONDS seconds (30 unless
# set) through CTest, starting from the corpus kept in tests/fuzz/corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-30}
if [ ! -f build-fuzz/build.ninja ]; then
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_FUZZ=ON >/dev/null
fi
cmake -S . -B build-fuzz -DCORVANE_FUZZ_SECONDS="$seconds" >/dev/null
cmake --build build-fuzz
ctest --test-dir build-fuzz --output-on-failure -j2
