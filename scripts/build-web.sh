#!/usr/bin/env bash
# Builds the browser version into build-web/:
#   build-web/site/              the page, the program (velastria.js + velastria.wasm) and its
#                                data, ready to be served as it is (scripts/serve-web.sh)
#   build-web/velastria-web.zip  the same, in one folder velastria-web/
# Steps: the Debian packages (scripts/setup.sh web); libjpeg-turbo, FreeType and the GLU
# tessellator built for WebAssembly from Debian 12's own source packages into build-web/deps/
# (each rebuilt only when its recipe below changes); the content from the native build's
# tools (build/); the program with emscripten; the site folder; the zip.
# Run it again at will: what has not changed is not redone.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$root/build-web
deps=$out/deps
site=$out/site
zipfile=$out/velastria-web.zip
page=$root/src/platform/web/page
jobs=${VELASTRIA_JOBS:-$(nproc)}
# Debian's emscripten runs its JavaScript tools with the system node, which finds the
# packaged modules (acorn) only there.
export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}

step=""
hint=""
started=$SECONDS
begin() {  # begin <n> <what> <hint if it fails>
  step="$1/6 $2"
  hint=$3
  echo "build-web: [$1/6] $2"
}
fail() {  # a failure found by the script itself: one line, then stop
  echo "build-web: FAILED at [$step]: $*" >&2
  step=""
  exit 1
}
trap 'status=$?; if [ $status -ne 0 ] && [ -n "$step" ]; then
  echo "build-web: FAILED at [$step] (status $status): $hint" >&2; fi' EXIT

# ---------------------------------------------------------------------------------------
begin 1 "system packages" "install them as root: scripts/setup.sh web"
./scripts/setup.sh web
source scripts/debian-source.bash

# ---------------------------------------------------------------------------------------
# The libraries.  Each recipe_<name> runs in a fresh folder holding the unpacked source
# ($src) and installs into $deps; the stamp deps/<name>.stamp holds the hash of the recipe
# and of the compiler, so a changed recipe or a new emscripten rebuilds that library only.
begin 2 "WebAssembly libraries in build-web/deps/" "see the message above; rm -rf build-web/deps starts afresh"

emcc_version=$(emcc --version)
emcc_version=${emcc_version%%$'\n'*}
# The libraries at -O2 (CMake's Release alone would say -O3).
cmake_release=(-DCMAKE_BUILD_TYPE=Release "-DCMAKE_C_FLAGS_RELEASE=-O2 -DNDEBUG")

recipe_jpeg() {
  # libjpeg-turbo 2.1.5, the C code only (the SIMD parts are x86/ARM assembly).  Its size
  # checks run a test program, which under emscripten reports nonsense (size_t came out as
  # 9 bytes, a word size the Huffman encoders cannot be built for): the sizes are taken
  # from the compiler's own predefined macros instead, and checked in the result.
  local size_t ulong
  size_t=$(emcc -dM -E - </dev/null | awk '$2 == "__SIZEOF_SIZE_T__" {print $3}')
  ulong=$(emcc -dM -E - </dev/null | awk '$2 == "__SIZEOF_LONG__" {print $3}')
  emcmake cmake -S "$src/libjpeg-turbo" -B build -G Ninja "${cmake_release[@]}" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF \
    -DHAVE_SIZE_T=TRUE -DSIZE_T="$size_t" -DHAVE_UNSIGNED_LONG=TRUE -DUNSIGNED_LONG="$ulong"
  grep -q "^#define SIZEOF_SIZE_T  *$size_t\$" build/jconfigint.h ||
    { echo "jconfigint.h does not say SIZEOF_SIZE_T $size_t" >&2; return 1; }
  cmake --build build -j "$jobs" --target jpeg-static
  rm -f "$deps"/include/{jpeglib.h,jconfig.h,jmorecfg.h,jerror.h} "$deps/lib/libjpeg.a"
  cp build/jconfig.h "$src"/libjpeg-turbo/{jpeglib.h,jmorecfg.h,jerror.h} "$deps/include/"
  cp build/libjpeg.a "$deps/lib/"
}

recipe_freetype() {
  # FreeType 2.12.1 for TrueType outlines only: no compressed or colour fonts, so none of
  # zlib, libpng, HarfBuzz, brotli or bzip2, and only the modules a TrueType font needs
  # (the others would be linked in through the module table: ~350 KB more WebAssembly).
  cat >"$src/freetype/include/freetype/config/ftmodule.h" <<'MODULES'
FT_USE_MODULE( FT_Driver_ClassRec, tt_driver_class )
FT_USE_MODULE( FT_Module_Class, sfnt_module_class )
FT_USE_MODULE( FT_Renderer_Class, ft_smooth_renderer_class )
MODULES
  emcmake cmake -S "$src/freetype" -B build -G Ninja "${cmake_release[@]}" \
    -DCMAKE_INSTALL_PREFIX="$deps" -DBUILD_SHARED_LIBS=OFF \
    -DFT_DISABLE_ZLIB=TRUE -DFT_DISABLE_BZIP2=TRUE -DFT_DISABLE_PNG=TRUE \
    -DFT_DISABLE_HARFBUZZ=TRUE -DFT_DISABLE_BROTLI=TRUE
  cmake --build build -j "$jobs"
  rm -rf "$deps/include/freetype2" "$deps/lib/libfreetype.a" "$deps/lib/pkgconfig/freetype2.pc" \
    "$deps/lib/cmake/freetype"
  cmake --install build
}

recipe_glu() {
  # GLU 9.0.2: the polygon tessellator (the outline font's glyphs) and the projection
  # helpers; GL/gl.h is emscripten's own.  Compiled as Debian builds it (its assertions on).
  # The tessellator's files as GLU's own build lists them (priorityq.c includes the heap).
  # The assertions name their files relative to the source, not by this machine's paths.
  local glu=$src/libglu objects=() f
  for f in libtess/{dict,geom,memalloc,mesh,normal,priorityq,render,sweep,tess,tessmono}.c libutil/project.c; do
    emcc -O2 -DLIBRARYBUILD -fmacro-prefix-map="$glu/"= -I"$glu/include" -I"$glu/src/include" \
      -c "$glu/src/$f" -o "$(basename "$f" .c).o"
    objects+=("$(basename "$f" .c).o")
  done
  rm -f "$deps/include/GL/glu.h" "$deps/lib/libGLU.a"
  emar rcs libGLU.a "${objects[@]}"
  mkdir -p "$deps/include/GL"
  cp "$glu/include/GL/glu.h" "$deps/include/GL/"
  cp libGLU.a "$deps/lib/"
}

# fetch <source package>: Debian's source, unpacked with its patches into $src.  Where the
# mirror lacks the packaging part of a source package, its upstream tarball (fetched and
# checked against the package's checksums by apt-get) is used as it is, with a warning.
fetch() {
  local package=$1 orig
  if debian_source "$package" "$src"; then return 0; fi
  orig=$(find "$src" -maxdepth 1 -name "${package}_*.orig.tar.*" ! -name '*.asc' -print -quit)
  [ -n "$orig" ] || return 1
  # Written to the console and the log by two writes: tee /dev/fd/3 would open the console
  # anew, and a console that is a file would be cut short by it.
  local warning="build-web: warning: Debian's changes to $package could not be fetched; using its upstream tarball $(basename "$orig")"
  echo "$warning"
  echo "$warning" >&3
  mkdir -p "$src/$package"
  tar -xf "$orig" -C "$src/$package" --strip-components=1
}

# check_wasm <archive> <symbol>...: every member is WebAssembly and the symbols are defined.
check_wasm() {
  local archive=$1 members symbol f
  shift
  members=$(mktemp -d)
  mkdir "$members/o"
  (cd "$members/o" && emar x "$archive")
  for f in "$members"/o/*; do
    [ "$(head -c 4 "$f" | od -An -tx1 | tr -d ' ')" = 0061736d ] ||
      { echo "$(basename "$f") in $archive is not WebAssembly" >&2; rm -rf "$members"; return 1; }
  done
  emnm "$archive" >"$members/symbols"
  for symbol in "$@"; do
    grep -q " T $symbol\$" "$members/symbols" || { echo "$archive does not define $symbol" >&2; return 1; }
  done
  rm -rf "$members"
}

# library <name> <source package> <archive> <symbols to check>...
library() {
  local name=$1 package=$2 archive=$deps/lib/$3 stamp=$deps/$1.stamp log=$deps/logs/$1.log hash t0=$SECONDS
  hash=$( (echo "$@"; declare -f "recipe_$name" fetch check_wasm; declare -p cmake_release; echo "$emcc_version") |
    sha256sum | cut -c1-16)
  shift 3
  if [ -f "$archive" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$hash" ]; then
    echo "build-web:   $name: up to date"
    return 0
  fi
  echo "build-web:   $name: building from Debian's $package (log: ${log#"$root"/})"
  rm -f "$stamp"
  mkdir -p "$deps/include" "$deps/lib" "$deps/logs" "$deps/work"
  local work=$deps/work/$name
  rm -rf "$work"
  mkdir -p "$work"
  # The recipe runs with errexit of its own (not in a condition, where bash would ignore it);
  # its output goes to the log, the warnings meant for the console to fd 3.
  set +e
  (
    set -euo pipefail
    src=$deps/src/$package
    mkdir -p "$src"
    fetch "$package"
    cd "$work"
    "recipe_$name"
    check_wasm "$archive" "$@"
  ) 3>&1 >"$log" 2>&1
  local status=$?
  set -e
  if [ $status -ne 0 ]; then
    tail -n 15 "$log" >&2
    hint="building $name failed: see ${log#"$root"/}; rm -rf build-web/deps starts afresh"
    return 1
  fi
  rm -rf "$work" "$deps/src/$package/$package"
  echo "$hash" >"$stamp"
  echo "build-web:   $name: built in $((SECONDS - t0)) s"
}

library jpeg libjpeg-turbo libjpeg.a jpeg_CreateDecompress jpeg_read_header jpeg_start_compress
library freetype freetype libfreetype.a FT_Init_FreeType FT_Load_Glyph FT_Outline_Decompose FT_Render_Glyph
library glu libglu libGLU.a gluNewTess gluTessVertex gluTessEndPolygon gluPerspective
rmdir "$deps/work" 2>/dev/null || true

# ---------------------------------------------------------------------------------------
# The song and the pictures are made by the native build's tools, as for the other
# downloads; the outline font is the face the desktop build falls back to.
begin 3 "content from the native build (build/demo/)" "the native build failed: see above, or run scripts/build.sh demo"
./scripts/build.sh demo
content=$root/build/demo
for folder in sound textures; do
  [ -d "$content/$folder" ] || fail "build/demo/$folder is missing after the native build; run scripts/build.sh demo"
done
font=$(fc-match "Fixed:bold" file | sed -n 's/^:file=//p')
[ -f "$font" ] || fail "no outline font: fc-match \"Fixed:bold\" names '$font'; install fonts-dejavu-core"

# ---------------------------------------------------------------------------------------
begin 4 "the program for WebAssembly (build-web/demo/)" "the web build failed: see the compiler's output above"
grep -q 'EMSCRIPTEN' CMakeLists.txt ||
  fail "CMakeLists.txt has no web branch (if(EMSCRIPTEN)): this checkout lacks the web backend"
# Configured every time (a second configure only regenerates): a build folder made by a
# checkout elsewhere keeps that checkout's library prefix in its cache otherwise.
emcmake cmake -S . -B "$out/demo" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELASTRIA_WEB_DEPS="$deps" \
  -DVELASTRIA_TESTS=OFF -DVELASTRIA_BENCH=OFF
cmake --build "$out/demo" -j "$jobs" --target velastria
program=$out/demo/demo
for f in velastria.js velastria.wasm; do
  [ -f "$program/$f" ] || fail "the web build wrote no build-web/demo/demo/$f"
done

# ---------------------------------------------------------------------------------------
# Written beside the old site and swapped in only when something differs, so that a rerun
# leaves the site (and the zip made from it) untouched.
begin 5 "the site (build-web/site/)" "see the message above"
for f in index.html; do
  [ -f "$page/$f" ] || fail "the page is missing: src/platform/web/page/$f does not exist (is the web backend in this checkout?)"
done
new=$out/site.new
rm -rf "$new"
mkdir -p "$new/fonts"
cp -r "$page"/. "$new/"
cp "$program/velastria.js" "$program/velastria.wasm" "$new/"
cp -r "$content/sound" "$content/textures" "$new/"
find "$new/sound" "$new/textures" -name '.*' -delete
# Only the glyphs the show can draw: the text is drawn byte by byte in the Western code
# page, so Latin-1 and the code page's 27 other characters.  The outlines and advances of
# those glyphs stay as they are (the missing-glyph shape too); the rest is 670 KB the page
# would fetch for nothing.
pyftsubset "$font" --output-file="$new/fonts/outline.ttf" --notdef-outline --no-layout-closure \
  --layout-features='' --name-IDs='*' --name-languages='*' \
  --unicodes=U+0000-00FF,U+0152,U+0153,U+0160,U+0161,U+0178,U+017D,U+017E,U+0192,U+02C6,U+02DC,U+2013,U+2014,U+2018,U+2019,U+201A,U+201C,U+201D,U+201E,U+2020,U+2021,U+2022,U+2026,U+2030,U+2039,U+203A,U+20AC,U+2122 ||
  fail "pyftsubset could not cut the outline font down to the show's characters"
# Whatever the page names by src= or href= must be in the site.
for ref in $(grep -o -E '(src|href)="[^"]*"' "$new/index.html" | sed -E 's/^[a-z]+="(.*)"$/\1/'); do
  case $ref in *:* | '#'* | '') continue ;; esac
  [ -f "$new/${ref%%[?#]*}" ] || fail "index.html refers to $ref, which the site does not have (src/platform/web/page/ or the web build)"
done
# The list the page fetches into the program's file system: every data file, by its path.
(cd "$new" && find sound textures fonts -type f | LC_ALL=C sort) |
  awk 'BEGIN { printf "{\"files\": [" } { printf "%s\"%s\"", (NR > 1 ? ", " : ""), $0 } END { print "]}" }' \
  >"$new/data.json"
if [ -d "$site" ] && diff -r -q "$site" "$new" >/dev/null; then
  rm -rf "$new"
  echo "build-web:   unchanged"
else
  rm -rf "$site"
  mv "$new" "$site"
  rm -f "$zipfile"
fi

# ---------------------------------------------------------------------------------------
begin 6 "the zip (build-web/velastria-web.zip)" "zip failed: see above"
if [ ! -f "$zipfile" ]; then
  stage=$(mktemp -d)
  rm -f "$zipfile.tmp"  # zip would add to what a broken run left
  ln -s "$site" "$stage/velastria-web"
  (cd "$stage" && zip -q -r -9 -X "$zipfile.tmp" velastria-web)
  rm -rf "$stage"
  mv "$zipfile.tmp" "$zipfile"
else
  echo "build-web:   unchanged"
fi

step=""
total=$(find "$site" -type f -printf '%s\n' | awk '{ s += $1 } END { print s }')
packed=$(stat -c %s "$zipfile")
mb() { awk -v b="$1" 'BEGIN { printf "%.2f MB", b / 1048576 }'; }
echo "build-web: done in $((SECONDS - started)) s: build-web/site/ $total bytes ($(mb "$total")," \
  "goal at most 4 MB), build-web/velastria-web.zip $packed bytes ($(mb "$packed"), goal at most 2 MB)"
