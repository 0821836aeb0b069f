#!/usr/bin/env bash
# Builds everything from a fresh Debian 12 machine and runs the whole test suite, then the
# Windows build's tests under Wine (build-windows), the sanitizer runs (build-asan,
# build-tsan), a short run of every fuzz target (build-fuzz), the Linux archive in a
# minimal Debian 12 (build-linux) and the browser build in headless chromium (build-web).
# VELASTRIA_QUICK=1 stops after the ordinary suite; VELASTRIA_FUZZ_SECONDS sets the fuzz time.
# The last line is the ordinary suite's ctest summary.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup.sh
./scripts/build.sh
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
(cd build && ctest --output-on-failure -j 2 --timeout 900 "$@") | tee "$summary"
if [ "${VELASTRIA_QUICK:-0}" != 1 ]; then
  ./scripts/test-windows.sh
  echo "Windows build under Wine: passed"
  ./scripts/sanitize.sh all
  ./scripts/fuzz.sh "${VELASTRIA_FUZZ_SECONDS:-60}"
  echo "sanitizer and fuzz runs: passed"
  ./scripts/package-linux.sh
  bash tests/release/linux_archive.sh build-linux
  echo "Linux archive in a minimal Debian 12: passed"
  ./scripts/build-web.sh
  tests/web/run.sh build build-web/site
  echo "browser build in headless chromium: passed"
fi
grep -E 'tests passed, [0-9]+ tests failed out of' "$summary" | tail -1
