#!/usr/bin/env bash
# Installs the Debian 12 packages the project needs.
#   scripts/setup.sh demo   what building and running the demo needs (./run.sh)
#   scripts/setup.sh web    that, and what the browser build and its tests need
#                           (scripts/build-web.sh, scripts/serve-web.sh)
#   scripts/setup.sh        all of these, and what the tests, the benchmarks, fuzzing, the
#                           Windows build and the release archives need (./test.sh and the
#                           scripts that need them)
# Idempotent: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build pkg-config
  # the demo's libraries
  libsdl2-dev libgl-dev libglu1-mesa-dev libegl-dev libjpeg62-turbo-dev
  libfreetype-dev libfontconfig-dev fontconfig fonts-dejavu-core
  # software OpenGL (llvmpipe) where the machine has no driver of its own
  libgl1-mesa-dri libegl-mesa0
)
# The browser build: the WebAssembly compiler and the node it runs on, dpkg-dev to unpack
# the libraries' Debian sources, the zip, a local web server (python3), fonttools to cut the
# outline font down to the show's characters and the headless
# browser its tests drive.  The content and the outline font come from the packages above.
web_packages=(emscripten nodejs dpkg-dev zip python3 fonttools chromium)
[ "${1:-}" = demo ] || packages+=("${web_packages[@]}")
[ "${1:-}" = demo ] || [ "${1:-}" = web ] || packages+=(
  git
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool imagemagick x11-utils bc
  # the Wayland run of tests/app/xvfb_run.sh: a compositor drawn into the virtual X screen;
  # a real window manager for the focus checks; X core fonts, so that message boxes really
  # show on the virtual screen
  weston openbox xfonts-base
  libopenmpt-dev openmpt123 xmp
  # bench/run.sh: profile split and its tables
  linux-perf python3
  # fuzzing and sanitizers
  clang-14 libclang-rt-14-dev
  # the Windows build (scripts/build-windows.sh) and its tests under Wine
  g++-mingw-w64-x86-64-posix googletest dpkg-dev wine wine64 fonts-wine
  # a sound server with a null sink to record the program's sound: the Wine sound test,
  # tests/music/sound_server_loss.sh and bench/sound/run.sh
  pulseaudio pulseaudio-utils python3-numpy
  # the Linux archive (scripts/package-linux.sh: dpkg-dev above fetches SDL's source) and
  # its test in a minimal Debian 12 (tests/release/linux_archive.sh)
  mmdebstrap
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: all ${#packages[@]} system packages present"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null; then SUDO=sudo; else
    echo "setup: missing packages and not root; install as root: apt-get install ${missing[*]}" >&2
    exit 1
  fi
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
