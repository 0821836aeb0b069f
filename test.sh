#!/usr/bin/env bash
# Builds everything from a fresh Debian 12 machine and runs the whole test suite, then the
# sanitizer runs (build-asan, build-tsan) and a short run of every fuzz target (build-fuzz).
# VELASTRIA_QUICK=1 stops after the ordinary suite; VELASTRIA_FUZZ_SECONDS sets the fuzz time.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh
(cd build && ctest --output-on-failure -j 2 --timeout 900 "$@")
if [ "${VELASTRIA_QUICK:-0}" != 1 ]; then
  ./scripts/sanitize.sh all
  ./scripts/fuzz.sh "${VELASTRIA_FUZZ_SECONDS:-60}"
fi
