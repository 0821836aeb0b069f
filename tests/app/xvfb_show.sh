#!/usr/bin/env bash
# The whole show as a person watches it: started from its folder on a 640x480 X screen with
# no sound device, the demo must play every scene, show a picture in each (screenshots at
# the middle of one order per scene, where no fade darkens it), and end by itself with
# status 0 when the song reaches its final cue, about 3.6 minutes in.
# Usage: xvfb_show.sh <build folder>          (takes about four minutes)
set -u
source "$(dirname "$0")/xvfb_common.bash"
xvfb_setup xvfb_show 420 "$@"
unset SDL_VIDEODRIVER
# A driver name that does not exist: no sound device can be opened, as on a machine
# without a sound card, so the program must play on through its silent output.
export SDL_AUDIODRIVER=no_such_sound_device

order_seconds=7.68         # one 64-row pattern at speed 6, 125 bpm
final_order=28             # the credits end the program when the song reaches it
limit=360                  # a run that lasts longer has hung

cd "$demo_dir" || exit 1
start=$(date +%s.%N)
./velastria >"$work/out.txt" 2>"$work/err.txt" &
pid=$!

find_window 300
check "a window called Marn appears" test -n "$window"
# The song starts right after the window opens; cue times are counted from here.
t0=$(date +%s.%N)

since_t0() { echo "$(date +%s.%N) - $t0" | bc; }

# name, order in the middle of which the screenshot is taken
shots=(
  "title 0"
  "landscape 3"
  "starfield 8"
  "glass_cube 12"
  "spirograph 16"
  "credits 24"
)
for shot in "${shots[@]}"; do
  read -r name shot_order <<<"$shot"
  at=$(echo "($shot_order + 0.5) * $order_seconds" | bc -l)
  wait_for=$(echo "$at - $(since_t0)" | bc -l)
  if [ "$(echo "$wait_for > 0" | bc)" = 1 ]; then sleep "$wait_for"; fi
  if ! kill -0 "$pid" 2>/dev/null; then
    check "the program still runs at the $name scene" false
    continue
  fi
  import -window root "$work/$name.png" 2>/dev/null
  mean=$(identify -format '%[fx:mean]' "$work/$name.png" 2>/dev/null || echo 0)
  echo "$name scene at $(printf '%.1f' "$(since_t0)") s: mean brightness $mean"
  # A black screen has mean 0; every scene shows lit content in mid-pattern.
  check "the $name screenshot is not black (mean $mean)" \
    test "$(echo "${mean:-0} > 0.004" | bc -l)" = 1
done

status=""
while true; do
  if ! kill -0 "$pid" 2>/dev/null; then
    wait "$pid"
    status=$?
    break
  fi
  if [ "$(echo "$(date +%s.%N) - $start > $limit" | bc)" = 1 ]; then break; fi
  sleep 0.2
done
elapsed=$(echo "$(date +%s.%N) - $t0" | bc)
if [ -z "$status" ]; then
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
fi
printf 'the show ran %.1f s\n' "$elapsed"
check "the program ends by itself within $limit s" test -n "$status"
check "the exit status is 0 (got: ${status:-still running})" test "${status:-1}" = 0
earliest=$(echo "$final_order * $order_seconds - 10" | bc)
check "it ends at the final cue, not earlier (${elapsed} s >= ${earliest} s)" \
  test "$(echo "$elapsed >= $earliest" | bc)" = 1
messages_of "$work/err.txt" >"$work/messages.txt"
check "no message was shown ($(head -c 300 "$work/messages.txt"))" test ! -s "$work/messages.txt"
check "one line says the show plays on in silence" test "$(grep -ci 'silen' "$work/err.txt")" -eq 1

if [ "$failed" -gt 0 ]; then
  echo "what the program printed on stderr:"
  tail -n 20 "$work/err.txt"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
