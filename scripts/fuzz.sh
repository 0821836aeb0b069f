#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, ASan+UBSan) into build-fuzz/ and runs each one.
#   scripts/fuzz.sh [seconds-per-target] [target...]      (default 60 s; targets module song dib jpeg)
# Corpora grow in build-fuzz/corpus/<target>/ and are kept between runs; crash inputs land
# in build-fuzz/crashes/.  Seeds come from the shared songs (read in place, never copied into
# the source tree) and small pictures made here.  Exit status is non-zero when any target
# finds a crash, a failed assertion or a unit that runs past its time limit (a hang).
# Song units take milliseconds, so 10 s (module) and 30 s (song, 1.2 s of music mixed) mean
# a hang. A 1 KB picture may legitimately declare up to 64 Mpixel (run-length data,
# progressive JPEG); such units take seconds under ASan, so the pictures' limit is generous
# and the quarantine small.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(module song dib jpeg)
jobs=${VELASTRIA_JOBS:-2}
shared_xm=${VELASTRIA_SHARED_XM:-$(cd .. && pwd)/shared/xm}

if [ ! -f build-fuzz/build.ninja ]; then
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DVELASTRIA_FUZZ=ON -DVELASTRIA_TESTS=OFF -DVELASTRIA_BENCH=OFF >/dev/null
fi
cmake --build build-fuzz -j "$jobs" --target "${targets[@]/#/fuzz_}"

seeds=build-fuzz/seeds
mkdir -p "$seeds"/{module,song,dib,jpeg} build-fuzz/crashes
if [ -d "$shared_xm" ]; then
  for f in "$shared_xm"/*.xm; do
    ln -sf "$(realpath "$f")" "$seeds/module/$(basename "$f")"
    ln -sf "$(realpath "$f")" "$seeds/song/$(basename "$f")"
  done
fi
if command -v convert >/dev/null && [ ! -f "$seeds/jpeg/gray.jpg" ]; then
  # Small pictures in the encodings the readers take: 1/4/8/24/32-bit BMP, RLE, with and
  # without the file header; baseline, progressive, grayscale and CMYK JPEG.
  convert -size 13x7 gradient:red-blue "$seeds/dib/rgb24.bmp"
  convert -size 13x7 gradient:red-blue -type palette -colors 16 BMP3:"$seeds/dib/pal4.bmp"
  convert -size 13x7 gradient:red-blue -type palette -colors 200 BMP3:"$seeds/dib/pal8.bmp"
  convert -size 9x5 pattern:checkerboard -monochrome BMP3:"$seeds/dib/mono.bmp"
  convert -size 13x7 gradient:red-blue -type palette -colors 200 -compress RLE BMP3:"$seeds/dib/rle8.bmp"
  convert -size 13x7 gradient:red-blue -alpha on -define bmp:format=bmp4 "$seeds/dib/argb32.bmp"
  tail -c +15 "$seeds/dib/rgb24.bmp" >"$seeds/dib/headerless.dib"
  convert -size 17x9 gradient:red-blue "$seeds/jpeg/rgb.jpg"
  convert -size 17x9 gradient:red-blue -interlace JPEG "$seeds/jpeg/progressive.jpg"
  convert -size 17x9 gradient:white-black -colorspace Gray "$seeds/jpeg/gray.jpg"
  convert -size 17x9 gradient:red-blue -colorspace CMYK "$seeds/jpeg/cmyk.jpg"
  convert -size 17x9 gradient:red-blue -sampling-factor 2x2 -quality 20 "$seeds/jpeg/subsampled.jpg"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-quarantine_size_mb=16}
failed=0
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  mkdir -p "$corpus"
  case $t in
    module) limit=10 ;;
    song) limit=30 ;;
    *) limit=90 ;;
  esac
  echo "fuzz: $t for ${seconds}s"
  if ! build-fuzz/fuzz/fuzz_"$t" "$corpus" "$seeds/$t" -max_total_time="$seconds" \
        -max_len=1048576 -rss_limit_mb=2048 -timeout="$limit" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/crashes/"$t"- 2>build-fuzz/fuzz_"$t".log; then
    echo "fuzz: $t FAILED (see build-fuzz/fuzz_$t.log)" >&2
    tail -40 build-fuzz/fuzz_"$t".log >&2
    failed=1
  else
    grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::peak_rss_mb' build-fuzz/fuzz_"$t".log |
      sed "s/^/fuzz: $t /"
  fi
done
exit $failed
