#!/usr/bin/env bash
# The browser version beside the native build, in one run on this machine: each scene's
# mean frame time in headless chromium (WebGL on SwiftShader) and natively on llvmpipe, on
# the same virtual timeline; the download's size, raw and compressed; the time from the
# start click to the first frame.  Prints tab-separated lines for bench/report.py.
#
#   bench/web/run.sh [BUILD_DIR [SITE_DIR [FPS]]]   (defaults: build, build-web/site, 20)
#
# The site comes from scripts/build-web.sh, the native show_bench from BUILD_DIR.  20 frames
# a second keeps the browser's whole show to a few minutes; both sides draw the same frames.
# The browser is driven by the browser tests' DevTools driver (tests/web/driver.mjs, or the
# file VELASTRIA_WEB_DRIVER names).  VELASTRIA_WEB_BENCH_FRAMES=N stops the browser's show
# after N frames, for a quick look.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
site=${2:-$root/build-web/site}
fps=${3:-20}
driver=${VELASTRIA_WEB_DRIVER:-$root/tests/web/driver.mjs}

[ -f "$site/index.html" ] || { echo "bench/web: no site in $site (run scripts/build-web.sh)" >&2; exit 1; }
site=$(cd "$site" && pwd)
[ -f "$driver" ] || { echo "bench/web: no DevTools driver at $driver" >&2; exit 1; }
command -v node >/dev/null || { echo "bench/web: node is not installed" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy

# Download: every file of the site, as served and as a server would compress each one.
raw=0 packed=0
while IFS= read -r -d '' f; do
  raw=$((raw + $(stat -c %s "$f")))
  packed=$((packed + $(gzip -9 -c "$f" | wc -c)))
done < <(find "$site" -type f -print0)
printf 'size\t%d\t%d\n' "$raw" "$packed"
for part in velastria.wasm velastria.js; do
  if [ -f "$site/$part" ]; then
    printf 'part\t%s\t%d\t%d\n' "$part" "$(stat -c %s "$site/$part")" "$(gzip -9 -c "$site/$part" | wc -c)"
  fi
done

cmake --build "$build" -j2 --target show_bench demo_song demo_textures >/dev/null
echo "bench/web: the native show at $fps fps" >&2
"$build/bench/show/show_bench" "$build/demo" --fps "$fps" --frame-log "$out/native-frames.txt" >"$out/native.txt"
awk -F'\t' '$1 == "scene" { printf "nativescene\t%s\t%s\t%s\n", $2, $4, $9 }' "$out/native.txt"

echo "bench/web: the browser's show at $fps fps" >&2
node "$root/bench/web/bench.mjs" "$driver" "$site" "$fps" "$out/native-frames.txt" 3 "${VELASTRIA_WEB_BENCH_FRAMES:-0}"
