#!/usr/bin/env bash
# The demo as a person runs it: started from its folder on a 640x480 X screen, it must come
# up full screen, keep running with the pointer pinned to the centre, leave the title alone
# (full screen never shows the frame rate), and end with status 0 on Escape.
# Usage: xvfb_run.sh <build folder>
set -u
source "$(dirname "$0")/xvfb_common.bash"
xvfb_setup xvfb_run 120 "$@"
unset SDL_VIDEODRIVER SDL_AUDIODRIVER

cd "$demo_dir" || exit 1
./velastria >"$work/out.txt" 2>"$work/err.txt" &
pid=$!

# Generous waits: the machine may be busy with other builds.
window=""
for _ in $(seq 200); do
  window=$(xdotool search --name '^Marn' 2>/dev/null | head -1)
  [ -n "$window" ] && break
  sleep 0.1
done
check "a window called Marn appears" test -n "$window"

sleep 1.5
check "the program keeps running" kill -0 "$pid"

if [ -n "$window" ]; then
  geometry=$(xdotool getwindowgeometry "$window")
  check "the window sits at the screen's corner" grep -q "Position: 0,0" <<<"$geometry"
  check "the window is 640x480" grep -q "Geometry: 640x480" <<<"$geometry"
  check "the screen mode is 640x480" bash -c "xdpyinfo | grep -q 'dimensions: *640x480 pixels'"
fi

# Frames are running: each one puts the pointer back at the centre of the screen.
xdotool mousemove 50 60
for _ in $(seq 50); do
  sleep 0.1
  location=$(xdotool getmouselocation)
  grep -q "^x:320 y:240 " <<<"$location" && break
done
check "the pointer is pinned to (320, 240) (got: $location)" grep -q "^x:320 y:240 " <<<"$location"

# In full screen the title is never rewritten with the frame rate.
if [ -n "$window" ]; then
  title=$(xdotool getwindowname "$window")
  check "the full-screen title stays 'Marn' (got: '$title')" test "$title" = "Marn"
fi

import -window root "$work/screen.png" 2>/dev/null
check "a screenshot of the 640x480 screen can be taken" \
  bash -c "identify -format '%wx%h' '$work/screen.png' | grep -qx 640x480"

# Held for a moment as a person would: a press and release that both arrive before the
# next frame are, by design, not seen.
xdotool keydown Escape
sleep 0.3
xdotool keyup Escape
status=""
for _ in $(seq 200); do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    status=$?
    break
  fi
  sleep 0.1
done
if [ -z "$status" ]; then
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
fi
check "Escape ends the program" test -n "$status"
check "the exit status is 0 (got: ${status:-still running})" test "${status:-1}" = 0
# Message boxes also print "<caption>: <text>" on stderr.  The sound library's own
# complaints about the missing sound card, and our one line about playing silently, are
# not messages of the program.
grep -E '^(Marn|MARN|Error|SHUTDOWN ERROR): ' "$work/err.txt" > "$work/messages.txt"
check "no message was shown ($(head -c 300 "$work/messages.txt"))" test ! -s "$work/messages.txt"
check "at most one line about playing without a sound device" test "$(grep -ci 'silen' "$work/err.txt")" -le 1

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
