#!/usr/bin/env bash
# The Windows program's wave-out for real: under Wine on a 640x480 X screen, its sound goes
# to a PulseAudio null sink started here (no sound card needed).  The sink's monitor is
# recorded and must be the song as xmrender renders it (level and match, in order), and
# the scenes must follow the song: the title card shows in order 1 and is gone in order 2.
# Usage: wine_sound.sh <cross build folder> <xmrender>  (WINEPREFIX names a prefix made by wineboot)
set -u
here=$(cd "$(dirname "$0")" && pwd)
source "$here/wine_common.bash"
wine_setup wine_sound 240 "$@"
build=$(cd "$1" && pwd)
xmrender=$2
for tool in pulseaudio parec pactl /usr/bin/python3 "$xmrender"; do
  if ! command -v "$tool" >/dev/null; then
    echo "wine_sound: $tool is missing (scripts/setup.sh installs it)"
    echo "0 passed, 1 failed"
    exit 1
  fi
done
stop_extras() {
  [ -n "${recorder:-}" ] && kill "$recorder" 2>/dev/null
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
}

# A sound server of our own with one null sink, reachable only through its socket here.
export XDG_RUNTIME_DIR=$work HOME=$work PULSE_SERVER=unix:$work/native
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes \
  -L "module-null-sink sink_name=capture rate=44100 format=s16le channels=2" \
  -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" >"$work/pulse.txt" 2>&1 &
server=$!
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
check "the sound server runs" pactl info >/dev/null 2>&1

cd "$build/demo" || exit 1
parec -d capture.monitor --format=s16le --rate=44100 --channels=2 --raw >"$work/heard.raw" &
recorder=$!
# One core for the software rasteriser, so that Wine's own sound thread keeps the other.
LP_NUM_THREADS=1 wine velastria.exe >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
# The song starts when the window is open; order 2 (the landscape) begins 15.36 s in.
wait_window Marn >/dev/null
sleep 12.5
import -window root "$work/order1.png" 2>/dev/null
sleep 6
import -window root "$work/order2.png" 2>/dev/null
sleep 4
kill "$recorder" 2>/dev/null
wait "$recorder" 2>/dev/null
recorder=""
end_with_escape "$pid"
check "Escape ends the program with status 0 (got: ${status:-still running})" test "${status:-1}" = 0
pid=""
check "the program played on its wave-out device, not in silence" bash -c "! grep -q 'in silence' '$work/err.txt'"

# The title card's lettering band against the sky above it, before and after the cue.
band1=$(title_band "$work/order1.png")
sky1=$(title_sky "$work/order1.png")
band2=$(title_band "$work/order2.png")
echo "order 1: band $band1 over sky $sky1; order 2: band $band2"
check "the title card shows in order 1" test "$(echo "$band1 > 2 * $sky1 && $band1 > 0.1" | bc -l)" = 1
check "the title has handed over in order 2" test "$(echo "$band2 < 0.6 * $band1" | bc -l)" = 1

"$xmrender" --seconds 24 -o "$work/song.wav" sound/velastr.xm >/dev/null
check "what the sink heard is the song" /usr/bin/python3 "$here/sound_match.py" "$work/heard.raw" "$work/song.wav"

finish
