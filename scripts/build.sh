#!/usr/bin/env bash
# Configures and builds into build/ (the demo folder is build/demo/).
#   scripts/build.sh demo   only the demo, its song and its pictures (./run.sh): no test
#                           or benchmark libraries needed
#   scripts/build.sh        everything, tests and benchmarks included
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VELASTRIA_JOBS:-$(nproc)}
if [ "${1:-}" = demo ]; then
  if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELASTRIA_TESTS=OFF -DVELASTRIA_BENCH=OFF
  fi
  cmake --build build -j "$jobs" --target velastria demo_textures demo_song
  exit 0
fi
# A folder first configured by ./run.sh gains its tests and benchmarks here.
if [ ! -f build/build.ninja ] || grep -q '^VELASTRIA_\(TESTS\|BENCH\):BOOL=OFF' build/CMakeCache.txt; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELASTRIA_TESTS=ON -DVELASTRIA_BENCH=ON
fi
cmake --build build -j "$jobs"
