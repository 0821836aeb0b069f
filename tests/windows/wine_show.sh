#!/usr/bin/env bash
# The Windows program as a person runs it, under Wine on a 640x480 X screen with no sound
# server: it must switch the screen to 640x480 and cover it, pin the pointer to the centre,
# show the title card, play on in silence, and end with status 0 on Escape.  With --window,
# another program taking the focus gets the pointer back.  Started
# without its textures folder, it must say so in its message boxes (answered here as a
# person would, with Enter: one box for the title's pictures, each file named once) and keep
# running.  With --window it opens a framed window whose title shows the frame rate.  It is
# started from another folder, as a shortcut would; an unknown option shows the usage in a
# box and ends with status 2.  The .exe carries its icon, manifest and version, and the zip
# unpacks into one folder with a read-me.
# Wine draws no extrusion for outline-font text and replaces font names with one sans face,
# so no check here looks at text pixels; the title card is a picture.
# Usage: wine_show.sh <cross build folder>  (WINEPREFIX names a prefix made by wineboot)
set -u
source "$(dirname "$0")/wine_common.bash"
wine_setup wine_show 240 "$@"
build=$(cd "$1" && pwd)
# No sound server and no sound card: every run here takes the silent way.
export PULSE_SERVER=unix:/nonexistent ALSA_CONFIG_PATH=/dev/null

exe=$build/demo/velastria.exe
# ---- what Explorer reads from the program, and the zip ---------------------------------
resources=$(x86_64-w64-mingw32-windres -i "$exe" -O rc 2>&1)
for size in 020 040 060 000; do  # 16, 32, 48 and 256 pixels (0 stands for 256), 32 bits
  check "the icon has its \\$size picture" grep -qF "\"\\$size\\$size\\000\\000\", 1, 32," <<<"$resources"
done
check "the manifest makes it per-monitor DPI aware" grep -q 'dpiAwareness.*>PerMonitorV2' <<<"$resources"
check "the manifest names Windows 10 and 11" grep -q '{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}' <<<"$resources"
check "the version resource names the program" grep -q 'VALUE "ProductName", "velastria"' <<<"$resources"
check "and its version" grep -qE 'VALUE "FileVersion", "[0-9]+\.[0-9]+\.[0-9]+"' <<<"$resources"
check "and describes it" grep -qE 'VALUE "FileDescription", ".+"' <<<"$resources"
python3 -m zipfile -l "$build/velastria-win64.zip" | awk 'NR > 1 {print $1}' >"$work/zip.txt"
check "the zip holds velastria/ only" test -z "$(grep -v '^velastria/' "$work/zip.txt")"
check "with the program, its read-me, song and pictures" \
  bash -c "grep -qx velastria/velastria.exe '$work/zip.txt' && grep -qx velastria/README.txt '$work/zip.txt' &&
           grep -qx velastria/sound/velastr.xm '$work/zip.txt' && grep -qx velastria/textures/black.bmp '$work/zip.txt'"

# ---- an unknown option: the usage in a box, status 2 ---------------------------------------
wine "$exe" --bogus >"$work/out4.txt" 2>"$work/err4.txt" &
pid=$!
box=$(wait_window velastria)
check "an unknown option shows a box" test -n "$box"
[ -n "$box" ] && xdotool windowfocus "$box" 2>/dev/null && xdotool key Return
wait_exit "$pid" 100
check "and ends with status 2 (got: ${status:-still running})" test "${status:-0}" = 2

# ---- the show with everything in place, started from another folder --------------------
cd "$work" || exit 1
wine "$exe" >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
window=$(wait_window Marn)
check "a window called Marn appears" test -n "$window"
# Mid-order 0 of the song: the title card, unfaded.
sleep 4
check "the program keeps running" kill -0 "$pid"
if [ -n "$window" ]; then
  geometry=$(xdotool getwindowgeometry "$window")
  check "the window covers the screen from its corner" grep -q "Position: 0,0" <<<"$geometry"
  check "the window is 640x480" grep -q "Geometry: 640x480" <<<"$geometry"
fi
check "the screen mode is 640x480" bash -c "xdpyinfo | grep -q 'dimensions: *640x480 pixels'"
xdotool mousemove 50 60
wait_pointer_at "x:320 y:240 " 50
check "the pointer is pinned to (320, 240) (got: $location)" grep -q "^x:320 y:240 " <<<"$location"
import -window root "$work/title.png" 2>/dev/null
band=$(title_band "$work/title.png")
sky=$(title_sky "$work/title.png")
echo "title scene: lettering band mean $band, sky mean $sky"
check "the title card shows (band $band brighter than twice the sky $sky)" \
  test "$(echo "$band > 2 * $sky && $band > 0.1" | bc -l)" = 1
end_with_escape "$pid"
check "Escape ends the program with status 0 (got: ${status:-still running})" test "${status:-1}" = 0
grep -E '^(Marn|MARN|Error|SHUTDOWN ERROR): ' "$work/err.txt" >"$work/messages.txt"
check "no message was shown ($(head -c 300 "$work/messages.txt"))" test ! -s "$work/messages.txt"
check "one line says the show plays on in silence" test "$(grep -c 'in silence' "$work/err.txt")" -eq 1

# ---- --window: a framed 640x480 window whose title shows the frame rate ---------------
wine "$exe" --window >"$work/out3.txt" 2>"$work/err3.txt" &
pid=$!
# Framed, the title gains the frame rate with the first frames, so the plain "Marn" may
# never be seen: wait for the frame-rate title itself.
title=""
for _ in $(seq 300); do
  title=$(xdotool search --name '^Marn \(fps: ' getwindowname 2>/dev/null | head -1)
  [ -n "$title" ] && break
  sleep 0.1
done
check "--window: the title shows the frame rate (got: '$title')" grep -qE '^Marn \(fps: +[0-9.]+, loops: [0-9]+\)$' <<<"$title"
# Another program takes the focus: the pointer is the user's from then on.
focus_other_window 300 300
xdotool mousemove 600 20
sleep 1
location=$(xdotool getmouselocation)
check "--window: another window focused, the pointer stays where it was put (got: $location)" \
  grep -q "^x:600 y:20 " <<<"$location"
kill "$other_pid" 2>/dev/null
window=$(xdotool search --name '^Marn \(fps: ' 2>/dev/null | head -1)
[ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null
end_with_escape "$pid"
check "--window: Escape ends it with status 0 (got: ${status:-still running})" test "${status:-1}" = 0

# ---- without the textures folder ------------------------------------------------------
mkdir "$work/bare"
cp -r "$exe" "$build/demo/sound" "$work/bare/"
cd "$work/bare" || exit 1
wine velastria.exe >"$work/out2.txt" 2>"$work/err2.txt" &
pid=$!
window=$(wait_window Marn)
check "without textures a window called Marn still appears" test -n "$window"
# The title scene's pictures are missing: its boxes come one after another.
quiet=0
for _ in $(seq 150); do
  before=$boxes
  answer_boxes
  if [ "$boxes" -eq "$before" ]; then
    quiet=$((quiet + 1))
    [ "$boxes" -gt 0 ] && [ "$quiet" -ge 15 ] && break
  else
    quiet=0
  fi
  sleep 0.1
done
check "the title's missing pictures are reported in one box ($boxes answered)" test "$boxes" -eq 1
for name in tressoria.bmp velastria.jpg black.bmp; do
  check "stderr names textures\\$name once" test "$(grep -cF "textures\\$name" "$work/err2.txt")" -eq 1
done
check "and on standard error" grep -q '^Error: Failed to open DIB file textures\\' "$work/err2.txt"
check "the program keeps running without its textures" kill -0 "$pid"
[ -n "$window" ] && xdotool windowfocus --sync "$window" 2>/dev/null
end_with_escape "$pid"
check "Escape ends it with status 0 (got: ${status:-still running})" test "${status:-1}" = 0

finish
