#!/usr/bin/env bash
# Builds the Linux download, build-linux/velastria-linux-x86_64.tar.gz: one folder velastria/
# with the program, sound/, textures/, README.txt and the SDL library it carries.
# On the target it needs from the system only the C library, OpenGL (libGL), fontconfig and
# FreeType, and what SDL opens by itself when it is there (X11 or Wayland, PulseAudio,
# PipeWire or ALSA):
# - SDL2 2.26.5 is built from Debian's source package with SDL's own defaults, which open
#   the windowing and sound libraries at run time instead of linking them, and travels
#   beside the program, found through the run path $ORIGIN;
# - libjpeg-turbo and GLU are linked in from Debian's static archives, and so are the C++
#   and GCC runtimes;
# - OpenGL is the classic libGL.so.1 every desktop has (not libOpenGL.so.0, which some lack);
# - unused parts of the C++ runtime are left out (--gc-sections): what remains asks for
#   glibc 2.35 (Debian 12, Ubuntu 22.04 and later) rather than the build machine's 2.36.
# The content (song and pictures) comes from the ordinary build's tools, as for Windows.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=${VELASTRIA_JOBS:-$(nproc)}
out=$root/build-linux
deps=$out/deps
multiarch=$(gcc -print-multiarch)

./scripts/setup.sh
source scripts/debian-source.bash

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build build -j "$jobs" --target demo_textures demo_song

sdl=$deps/sdl2
if [ ! -f "$sdl/lib/libSDL2-2.0.so.0" ]; then
  rm -rf "$deps/src" "$deps/sdl-build"
  debian_source libsdl2 "$deps/src"
  # Everything SDL can open at run time is opened so (SDL_DEPS_SHARED): a machine without
  # Wayland, PulseAudio or libdecor still starts, on whatever it has.
  cmake -S "$deps/src/libsdl2" -B "$deps/sdl-build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$sdl" -DCMAKE_INSTALL_LIBDIR=lib -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF \
    -DSDL_DEPS_SHARED=ON -DSDL_RPATH=OFF
  cmake --build "$deps/sdl-build" -j "$jobs"
  cmake --install "$deps/sdl-build" >/dev/null
  rm -rf "$deps/src" "$deps/sdl-build"
fi

if [ ! -f "$out/build.ninja" ]; then
  PKG_CONFIG_PATH="$sdl/lib/pkgconfig" cmake -S . -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DVELASTRIA_TESTS=OFF -DVELASTRIA_BENCH=OFF \
    -DJPEG_LIBRARY="/usr/lib/$multiarch/libjpeg.a" -DGLU_LIBRARY="/usr/lib/$multiarch/libGLU.a" \
    -DOpenGL_GL_PREFERENCE=LEGACY -DCMAKE_EXE_LINKER_FLAGS='-static-libstdc++ -static-libgcc -Wl,--gc-sections -Wl,-rpath,\$ORIGIN' \
    -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-s -DCMAKE_SKIP_BUILD_RPATH=ON
fi
cmake --build "$out" -j "$jobs" --target velastria

stage=$out/package/velastria
rm -rf "$out/package"
mkdir -p "$stage"
cp "$out/demo/velastria" "$stage/velastria"
cp -L "$sdl/lib/libSDL2-2.0.so.0" "$stage/"
strip --strip-unneeded "$stage/libSDL2-2.0.so.0"
cp -r build/demo/sound build/demo/textures "$stage/"
rm -f "$stage/textures/.generated"

# What the system must supply: nothing beyond the list in the header.
fail=0
runpath=$(objdump -p "$stage/velastria" | awk '$1 == "RUNPATH" || $1 == "RPATH" {print $2}')
if [ "$runpath" != '$ORIGIN' ]; then
  echo "package-linux: the program's run path is '$runpath', not \$ORIGIN" >&2
  fail=1
fi
needs=$(objdump -p "$stage/velastria" "$stage/libSDL2-2.0.so.0" | awk '$1 == "NEEDED" {print $2}' | sort -u)
for lib in $needs; do
  case $lib in
    libSDL2-2.0.so.0) ;;  # carried
    libc.so.6 | libm.so.6 | libdl.so.2 | libpthread.so.0 | librt.so.1 | ld-linux-x86-64.so.2) ;;
    libGL.so.1 | libOpenGL.so.0 | libGLX.so.0 | libEGL.so.1 | libfontconfig.so.1 | libfreetype.so.6) ;;
    *) echo "package-linux: the program needs $lib, which a desktop may lack" >&2; fail=1 ;;
  esac
done
[ $fail -eq 0 ] || exit 1
# The newest symbol version either file asks of the C library is the oldest one it runs on.
glibc=$(objdump -T "$stage/velastria" "$stage/libSDL2-2.0.so.0" | grep -o 'GLIBC_[0-9][0-9.]*' | sed 's/GLIBC_//' |
  sort -t. -k1,1n -k2,2n -k3,3n -u | tail -1)
sed "s/@VELASTRIA_GLIBC@/$glibc/" packaging/linux/README.txt >"$stage/README.txt"

archive=$out/velastria-linux-x86_64.tar.gz
tar -C "$out/package" --owner=0 --group=0 -czf "$archive" velastria
echo "package-linux: $archive ($(stat -c %s "$archive") bytes); needs glibc $glibc and from the system:" \
  $(grep -vx 'libSDL2-2.0.so.0' <<<"$needs")
