#!/usr/bin/env bash
# Builds everything from a fresh Debian 12 machine and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh
cd build
ctest --output-on-failure -j 2 --timeout 900 "$@"
