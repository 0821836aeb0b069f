#!/usr/bin/env bash
# The program's sound when its output goes away and comes back, on a sound server of our
# own: the null sink it plays on is unloaded and loaded again, then the server itself is
# killed and started again.  Each time the program says so once and plays on in silence;
# each time the sound comes back by itself, and it is the song (as xmrender renders it) at
# the place the song has reached meanwhile: all three recordings agree on when the song
# began, so no time was lost or skipped.
# Usage: sound_server_loss.sh <build folder>
set -u
build=$(cd "${1:?build folder}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
for tool in pulseaudio pactl parec bc /usr/bin/python3; do
  command -v "$tool" >/dev/null || { echo "sound_server_loss: $tool is missing (scripts/setup.sh installs it)"; exit 1; }
done
work=$(mktemp -d)
passed=0
failed=0
check() {  # description, command...
  if "${@:2}"; then passed=$((passed + 1)); else echo "FAIL: $1"; failed=$((failed + 1)); fi
}
cleanup() {
  [ -n "${recorder:-}" ] && kill "$recorder" 2>/dev/null
  [ -n "${pid:-}" ] && kill -9 "$pid" 2>/dev/null
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source "$here/sound_server.bash"
# Each recording with the moment its first sample was heard.
starts=""
record_as() {
  record "$work/$1.raw"
  starts="$starts $work/$1.raw $started"
}

start_server
check "the sound server runs" pactl info >/dev/null 2>&1
cd "$build/demo" || exit 1
record_as before
./velastria >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
sleep 7
pactl unload-module "$(pactl list short modules | awk '/module-null-sink/ {print $1}')"
sleep 2.5
pactl load-module $sink >/dev/null
record_as sink_back
sleep 7
stop_recording
kill "$server" && wait "$server" 2>/dev/null
sleep 2.5
start_server
record_as server_back
sleep 7
stop_recording
check "the program still runs" kill -0 "$pid"
kill -9 "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
pid=""

lost=$(grep -c 'audio: the output device has \(gone away\|stopped playing\); playing on in silence' "$work/err.txt")
back=$(grep -c '^audio: an output device is back; the sound goes on$' "$work/err.txt")
check "the device going away is said once each time (said $lost times)" test "$lost" = 2
check "its coming back is said once each time (said $back times)" test "$back" = 2
"$build/tools/xmrender" --seconds 40 -o "$work/song.wav" sound/velastr.xm >/dev/null
# shellcheck disable=SC2086
check "each recording is the song, at the place it had reached" \
  /usr/bin/python3 "$here/sound_follow.py" --tolerance 0.75 "$work/song.wav" $starts
[ "$failed" -gt 0 ] && sed 's/^/program: /' "$work/err.txt"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
