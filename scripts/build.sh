#!/usr/bin/env bash
# Configures and builds everything into build/ (the demo folder is build/demo/).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=${VELASTRIA_JOBS:-$(nproc)}
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j "$jobs"
