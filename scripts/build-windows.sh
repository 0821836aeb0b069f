#!/usr/bin/env bash
# Cross-builds the Windows program (64-bit, plain Win32 and the system's OpenGL) into
# build-windows/ and writes build-windows/velastria-win64.zip: velastria.exe, sound/ and
# textures/, nothing else needed on the target.  The content comes from the host tools of
# the ordinary build (build/tools/texgen and songgen); libjpeg-turbo is built for the
# target from Debian's source package, once, into build-windows/deps/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${VELASTRIA_JOBS:-$(nproc)}
out=$root/build-windows
deps=$out/deps
toolchain=$root/cmake/mingw-w64-x86_64.cmake

./scripts/setup.sh
source scripts/debian-source.bash

# The host tools that paint the textures and compose the song (and render it, for the tests).
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j "$jobs" --target texgen songgen xmrender

# libjpeg-turbo 2.1.5, the version the Linux build links, with Debian's patches.  The SIMD
# code is left out (it would need nasm and buys nothing measurable for 22 small pictures);
# the C decoder and the SIMD one give the same pixels with the default (integer) IDCT.
jpeg=$deps/libjpeg-turbo
if [ ! -f "$jpeg/lib/libjpeg.a" ]; then
  rm -rf "$deps/src" "$deps/jpeg-build"
  debian_source libjpeg-turbo "$deps/src"
  cmake -S "$deps/src/libjpeg-turbo" -B "$deps/jpeg-build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$jpeg" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=OFF -DWITH_TURBOJPEG=OFF -DWITH_JPEG8=OFF
  cmake --build "$deps/jpeg-build" -j "$jobs" --target jpeg-static
  mkdir -p "$jpeg/lib" "$jpeg/include"
  cp "$deps/jpeg-build/jconfig.h" "$deps/src/libjpeg-turbo/jpeglib.h" "$deps/src/libjpeg-turbo/jmorecfg.h" \
    "$deps/src/libjpeg-turbo/jerror.h" "$jpeg/include/"
  cp "$deps/jpeg-build/libjpeg.a" "$jpeg/lib/libjpeg.a"
  rm -rf "$deps/src" "$deps/jpeg-build"
fi

if [ ! -f "$out/build.ninja" ]; then
  cmake -S . -B "$out" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DVELASTRIA_BENCH=OFF -DVELASTRIA_HOST_TOOLS_DIR="$root/build/tools" \
    -DJPEG_INCLUDE_DIR="$jpeg/include" -DJPEG_LIBRARY="$jpeg/lib/libjpeg.a"
fi
cmake --build "$out" -j "$jobs"

# Only system DLLs: anything else would have to travel in the zip.
imports=$(x86_64-w64-mingw32-objdump -p "$out/demo/velastria.exe" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
for dll in $imports; do
  case $dll in
    kernel32.dll | user32.dll | gdi32.dll | opengl32.dll | glu32.dll | winmm.dll | msvcrt.dll) ;;
    api-ms-win-crt-*.dll | advapi32.dll | shell32.dll) ;;
    *) echo "build-windows: velastria.exe imports $dll, which Windows does not ship" >&2; exit 1 ;;
  esac
done
echo "build-windows: $out/velastria-win64.zip ($(stat -c %s "$out/velastria-win64.zip") bytes); imports:" $imports
