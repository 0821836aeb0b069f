#!/usr/bin/env bash
# The demo as a desktop neighbour: frame rate and processor time of the real program in a
# 640x480 window, and while minimised, on a virtual X screen with a window manager
# (openbox) and llvmpipe.  Prints a Markdown table row per state.
#
#   bench/desktop/citizen.sh [DEMO_DIR] [SECONDS]   (default build/demo, 10 s per state)
#
# Processor time is the whole process's (every thread, the audio thread included), over
# the measured stretch, as a share of one core; the frame rate is read from the window's
# title, which the program updates every frame.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
demo=$(cd "${1:-$root/build/demo}" && pwd)
seconds=${2:-10}

if [ "${CITIZEN_INSIDE:-}" != 1 ]; then
  export CITIZEN_INSIDE=1
  # The same virtual screen the tests start, server options and all.
  source "$root/tests/app/xvfb_common.bash"
  in_virtual_screen $((seconds * 4 + 60)) 1280x1024x24 bash "$0" "$demo" "$seconds"
fi

# A real window on the virtual screen, whatever driver the caller named for its own runs.
unset SDL_VIDEODRIVER
ticks=$(getconf CLK_TCK)
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Share of one core used by <pid> over <seconds>.
cpu_share() {
  local before after
  before=$(cpu_ticks "$1")
  sleep "$2"
  after=$(cpu_ticks "$1")
  printf '%.1f' "$(echo "scale=3; 100 * ($after - $before) / ($ticks * $2)" | bc)"
}
fps_of() { xdotool getwindowname "$1" | sed -nE 's/.*fps: *([0-9.]+).*/\1/p'; }

openbox >/dev/null 2>&1 &
wm=$!
sleep 1
cd "$demo"
SDL_AUDIODRIVER=dummy ./velastria --window >/dev/null 2>&1 &
pid=$!
window=""
for _ in $(seq 200); do
  window=$(xdotool search --name '^Marn' 2>/dev/null | head -1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "citizen.sh: no window" >&2; exit 1; }
sleep 2
samples=()
for _ in 1 2 3 4 5; do
  sleep 0.5
  samples+=("$(fps_of "$window")")
done
share=$(cpu_share "$pid" "$seconds")
fps=$(printf '%s\n' "${samples[@]}" | sort -n | sed -n 3p)
echo "| 640x480 window | $fps | $share % |"
xdotool windowminimize --sync "$window"
sleep 1
share=$(cpu_share "$pid" "$seconds")
echo "| minimised | - | $share % |"
kill "$pid" "$wm" 2>/dev/null
wait 2>/dev/null || true
