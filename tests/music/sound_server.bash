# The sound server of our own that the sound test (sound_server_loss.sh) and the sound
# figures (bench/sound/run.sh) play to (sourced): a PulseAudio on a socket in $work with one
# null sink, "capture", whose monitor is recorded; the program on llvmpipe without a screen.
# Needs work set; start_server sets server, record sets recorder and started.
export XDG_RUNTIME_DIR=$work HOME=$work PULSE_SERVER=unix:$work/native
export SDL_VIDEODRIVER=offscreen LIBGL_ALWAYS_SOFTWARE=1 LP_NUM_THREADS=1
unset SDL_AUDIODRIVER
sink="module-null-sink sink_name=capture rate=44100 format=s16le channels=2"
start_server() {
  pulseaudio -n --daemonize=no --exit-idle-time=-1 --disable-shm=yes -L "$sink" \
    -L "module-native-protocol-unix socket=$work/native auth-anonymous=1" >>"$work/pulse.txt" 2>&1 &
  server=$!
  for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
}
record() {  # file: records the sink until the next record or stop_recording; sets started,
  # the wall-clock second of its first sample
  stop_recording
  parec --latency-msec=20 -d capture.monitor --format=s16le --rate=44100 --channels=2 --raw >"$1" 2>/dev/null &
  recorder=$!
  # The recorder takes a while to connect (up to two seconds here): its first sample is
  # heard when the file starts growing, less what it already holds.
  local size=0
  for _ in $(seq 1000); do
    size=$(stat -c %s "$1" 2>/dev/null || echo 0)
    [ "$size" -gt 0 ] && break
    sleep 0.005
  done
  started=$(echo "$(date +%s.%N) - $size / 176400" | bc -l)
}
stop_recording() {
  [ -n "${recorder:-}" ] && kill "$recorder" 2>/dev/null && wait "$recorder" 2>/dev/null
  recorder=""
}
