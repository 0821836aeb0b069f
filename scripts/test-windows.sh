#!/usr/bin/env bash
# Builds the Windows program (scripts/build-windows.sh) and runs its tests under Wine in a
# fresh prefix, build-windows/wine: the cross-built unit tests, then the program itself on
# a virtual screen.  The last line is ctest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/build-windows.sh
export WINEPREFIX=$PWD/build-windows/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
# No display while the prefix is made: nothing to show, nothing to wait for.
env -u DISPLAY wineboot -i >/dev/null 2>&1
wineserver -w
status=0
(cd build-windows && ctest --output-on-failure -j 1 --timeout 600 "$@") || status=$?
wineserver -k 2>/dev/null || true
exit $status
