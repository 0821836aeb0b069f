#!/usr/bin/env bash
# The sound device's figures, each on a sound server of our own with one null sink whose
# monitor is recorded (no sound card needed):
#   bench/sound/run.sh offset  PROGRAM_DIR   reported song position against the sound heard
#                                            (PROGRAM_DIR holds bench/sound/sound_position)
#   bench/sound/run.sh dropouts VELASTRIA [BUSY]  the whole show with BUSY (default 3) extra
#                                            busy processes: dropouts in the recording
#   bench/sound/run.sh restart VELASTRIA     the whole show with the sound server killed 30 s
#                                            in and started again a second later: how long the
#                                            show lasts, and whether the sound came back
#   bench/sound/run.sh length VELASTRIA      the whole show undisturbed: how long it lasts
# Set RUN_AS=user to run the program without root (no real-time scheduling then, unless
# the system's RTKit grants it).  The song and xmrender come from the build folder.
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD:-$root/build}
mode=$1
target=$2
work=$(mktemp -d)
chmod 755 "$work"
busy_pids=""
cleanup() {
  [ -n "${recorder:-}" ] && kill "$recorder" 2>/dev/null
  [ -n "$busy_pids" ] && kill $busy_pids 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source "$root/tests/music/sound_server.bash"
run() {  # the program as the user asked
  if [ -n "${RUN_AS:-}" ]; then setpriv --reuid="$RUN_AS" --regid="$RUN_AS" --clear-groups "$@"; else "$@"; fi
}
song=$build/demo/sound/velastr.xm
start_server
record "$work/heard.raw"
case $mode in
  offset)
    run "$target/bench/sound/sound_position" "$song" 20 >"$work/positions.txt" 2>"$work/err.txt"
    stop_recording
    "$build/tools/xmrender" --seconds 30 -o "$work/song.wav" "$song" >/dev/null
    at=$(/usr/bin/python3 "$root/tests/music/sound_follow.py" "$work/song.wav" "$work/heard.raw" "$started" |
         sed -n 's/^song time 0 by each recording: \([0-9.]*\).*/\1/p')
    /usr/bin/python3 "$root/bench/sound/analyse.py" offset "$work/positions.txt" "$at" ${BY_SECOND:+by-second}
    ;;
  dropouts)
    for _ in $(seq "${3:-3}"); do sh -c 'while :; do :; done' & busy_pids="$busy_pids $!"; done
    cd "$(dirname "$song")/.." && run "$target" >"$work/out.txt" 2>"$work/err.txt"
    load=$(cut -d' ' -f1-3 /proc/loadavg)
    stop_recording
    "$build/tools/xmrender" -o "$work/song.wav" "$song" >/dev/null 2>&1
    echo "load average at the end: $load"
    /usr/bin/python3 "$root/bench/sound/analyse.py" gaps "$work/heard.raw" "$work/song.wav"
    ;;
  length)
    t0=$(date +%s.%N)
    cd "$(dirname "$song")/.." && run "$target" >"$work/out.txt" 2>"$work/err.txt"
    echo "show length: $(echo "$(date +%s.%N) - $t0" | bc) s"
    ;;
  restart)
    cd "$(dirname "$song")/.." && { run "$target" >"$work/out.txt" 2>"$work/err.txt" & }
    pid=$!
    t0=$(date +%s.%N)
    sleep 30
    stop_recording
    kill "$server"; wait "$server" 2>/dev/null
    sleep 1
    start_server
    record "$work/after.raw"
    wait "$pid"
    t1=$(date +%s.%N)
    stop_recording
    echo "show length: $(echo "$t1 - $t0" | bc) s"
    /usr/bin/python3 -c "
import numpy as np
a = np.frombuffer(open('$work/after.raw', 'rb').read(), dtype='<i2').reshape(-1, 2)
p = a[: len(a) // 4410 * 4410].reshape(-1, 4410, 2)
print('after the restart: %.1f s recorded, %.1f s of it sounding' % (len(a) / 44100, (np.abs(p).max(axis=(1, 2)) > 0).sum() * 0.1))"
    ;;
esac
sed 's/^/program: /' "$work/err.txt"
