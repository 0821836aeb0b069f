#!/usr/bin/env bash
# The Linux download on a machine that has only what a desktop has: a minimal Debian 12
# (mmdebstrap --variant=minbase) with a desktop's runtime pieces (OpenGL with Mesa's
# software renderer, the X11 and Wayland client libraries, fontconfig, FreeType and a font,
# the sound client libraries) and no SDL, libjpeg or GLU.  The archive is unpacked there
# and the program started from another folder, drawing on a virtual X screen of the host:
# the title card shows, no message comes, Escape ends it with status 0.
# The root is made once into <folder>/desktop-root and made again when the list changes.
# Usage: linux_archive.sh <folder holding velastria-linux-x86_64.tar.gz>  (as root)
set -u
source "$(dirname "$0")/../app/xvfb_common.bash"
runtime=libgl1,libegl1,libgl1-mesa-dri,libx11-6,libxext6,libxcursor1,libxi6,libxfixes3,libxrandr2,libxss1
runtime+=,libxkbcommon0,libwayland-client0,libwayland-cursor0,libwayland-egl1,libfontconfig1,libfreetype6
runtime+=,fonts-dejavu-core,libpulse0,libasound2
if [ "${2:-}" != "--inside" ]; then
  require_tools linux_archive mmdebstrap chroot unshare
  root=$(cd "${1:?folder}" && pwd)/desktop-root
  if [ "$(cat "$root.list" 2>/dev/null)" != "$runtime" ]; then
    rm -rf "$root" "$root.list"
    if ! mmdebstrap --quiet --variant=minbase --include="$runtime" bookworm "$root"; then
      echo "linux_archive: mmdebstrap could not make the Debian 12 root"
      echo "0 passed, 1 failed"
      exit 1
    fi
    echo "$runtime" >"$root.list"
  fi
fi
xvfb_setup linux_archive 120 "$@"
root=$build/desktop-root
archive=$build/velastria-linux-x86_64.tar.gz

for lib in libSDL2-2.0.so.0 libjpeg.so.62 libGLU.so.1; do
  check "the root has no $lib of its own" bash -c "! chroot '$root' ldconfig -p | grep -q '$lib'"
done
rm -rf "$root/opt/velastria" "$root/home/viewer"
mkdir -p "$root/home/viewer"
tar -C "$root/opt" -xzf "$archive"
check "the archive unpacks into velastria/ with its read-me" test -f "$root/opt/velastria/README.txt"
missing=$(chroot "$root" ldd /opt/velastria/velastria | grep 'not found')
check "every library the program needs is found ($missing)" test -z "$missing"

# The root's own /proc (the program finds its folder there); X through the host's abstract
# socket, with the screen's cookie copied in.
cp "${XAUTHORITY:-/dev/null}" "$root/home/viewer/.Xauthority" 2>/dev/null
unshare --mount --propagation private bash -c \
  "mount -t proc proc '$root/proc' && exec chroot '$root' env -i DISPLAY='$DISPLAY' XAUTHORITY=/home/viewer/.Xauthority \
   HOME=/home/viewer sh -c 'cd /home/viewer && exec /opt/velastria/velastria'" >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
find_window 200
check "a window called Marn appears ($(head -c 300 "$work/err.txt"))" test -n "$window"
sleep 4  # into the title card, unfaded
import -window root "$work/title.png" 2>/dev/null
band=$(convert "$work/title.png" -crop 520x90+60+185 +repage -format '%[fx:mean]' info: 2>/dev/null || echo 0)
sky=$(convert "$work/title.png" -crop 640x120+0+0 +repage -format '%[fx:mean]' info: 2>/dev/null || echo 1)
echo "title card: lettering band mean $band, sky mean $sky"
check "the title card shows (band $band brighter than twice the sky $sky)" \
  test "$(echo "$band > 2 * $sky && $band > 0.1" | bc -l)" = 1
xdotool keydown Escape sleep 0.3 keyup Escape
wait_exit "$pid" 200
check "Escape ends it with status 0 (got: ${status:-still running})" test "${status:-1}" = 0
messages_of "$work/err.txt" >"$work/messages.txt"
check "no message was shown ($(head -c 300 "$work/messages.txt"))" test ! -s "$work/messages.txt"
cp "$work/title.png" "$build/linux-archive-title.png" 2>/dev/null

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
