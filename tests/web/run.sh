#!/usr/bin/env bash
# The browser tests: the site from scripts/build-web.sh in Debian's headless chromium, beside
# the native build's capture tool and xmrender.  One line per check; exits 1 on any failure.
#   tests/web/run.sh [BUILD [SITE]]    (defaults: build, build-web/site)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(realpath -m "${1:-$root/build}")
site=$(realpath -m "${2:-$root/build-web/site}")
for need in "$build/tools/velastria-capture" "$build/tools/xmrender" "$build/demo/sound/velastr.xm" "$site/index.html"; do
  [ -e "$need" ] || { echo "FAIL browser tests: $need is missing (build it first)"; exit 1; }
done
command -v node >/dev/null || { echo "FAIL browser tests: node is not installed"; exit 1; }
[ -x "${VELASTRIA_CHROMIUM:-/usr/bin/chromium}" ] || { echo "FAIL browser tests: chromium is not installed"; exit 1; }
status=0
timeout 600 node "$root/tests/web/browser_test.mjs" "$build" "$site" || status=$?
[ "$status" -ne 124 ] || echo "FAIL browser tests: not done within 10 minutes"
exit "$status"
