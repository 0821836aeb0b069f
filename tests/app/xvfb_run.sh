#!/usr/bin/env bash
# The demo as a person runs it, on a 1920x1080 X screen that offers no 640x480 mode:
# - by default it covers the screen with the 640x480 picture enlarged to 1440x1080 in the
#   middle, black bars left and right, the same picture the capture tool makes at that
#   moment; the pointer stays pinned to the centre, the title is left alone, and an Escape
#   tap of a few milliseconds ends it with status 0;
# - --mode-switch cannot have its mode here: two messages, answered, and status 1; a
#   termination signal while a message waits ends it within the second;
# - --window opens a 640x480 window whose picture follows when the window is resized;
# - under a Wayland compositor (Weston drawn into the same X screen) it shows the picture
#   pillarboxed and ends with 0 on Escape;
# - under an X window manager (openbox) the pointer is pinned at the window's own centre
#   only while the show has the focus: another window activated, the pointer stays where
#   the user puts it;
# - --help prints the options with status 0, an unknown option the usage with status 2;
# - with a display that does not answer it says so and ends with status 1;
# - it finds its song and pictures beside itself when started from another folder; without
#   its song it names the file and ends with status 1; without its pictures it shows one
#   box for the title's three files, names each once on stderr, and plays on.
# Usage: xvfb_run.sh <build folder>
set -u
source "$(dirname "$0")/xvfb_common.bash"
xvfb_screen=1920x1080x24
xvfb_setup xvfb_run 300 "$@"
unset SDL_VIDEODRIVER SDL_AUDIODRIVER WAYLAND_DISPLAY
cd "$demo_dir" || exit 1

# ---- command line --------------------------------------------------------------------
./velastria --help >"$work/help.txt" 2>&1
check "--help ends with status 0" test $? = 0
check "--help names the options and the keys" grep -q -- '--window.*' "$work/help.txt"
check "--help names Escape" grep -q Escape "$work/help.txt"
./velastria --bogus >"$work/out.txt" 2>"$work/usage.txt"
check "an unknown option ends with status 2" test $? = 2
check "an unknown option prints the usage" grep -q '^usage: velastria' "$work/usage.txt"
# A display that does not answer: no show played unseen, but the window's two messages and 1.
DISPLAY=:65000 timeout 20 ./velastria >"$work/out.txt" 2>"$work/err.txt"
status=$?
check "with no display answering it ends with status 1 (got $status)" test "$status" = 1
check "it names the display that did not answer" grep -q 'no display answers (DISPLAY=:65000' "$work/err.txt"
check "and says the window could not be made" grep -q '^Marn: No se pudo crear la ventana.$' "$work/err.txt"
# A display whose server turns the program's first connection away and then takes later
# ones without ever answering (a server still starting, or stuck): the messages must not
# wait on it for ever.
mkdir -p /tmp/.X11-unix && rm -f /tmp/.X11-unix/X65001
python3 -c '
import os, socket, sys
s = socket.socket(socket.AF_UNIX); s.bind(sys.argv[1]); s.listen(8)
held = []
s.accept()[0].close()
while True: held.append(s.accept()[0])
' /tmp/.X11-unix/X65001 &
stuck=$!
for _ in $(seq 50); do [ -S /tmp/.X11-unix/X65001 ] && break; sleep 0.1; done
DISPLAY=:65001 timeout 20 ./velastria >/dev/null 2>"$work/err.txt"
status=$?
kill "$stuck" 2>/dev/null; wait "$stuck" 2>/dev/null; rm -f /tmp/.X11-unix/X65001
check "with a display that stops answering it still ends with status 1 (got $status)" test "$status" = 1

# ---- full screen at the desktop's own mode ----------------------------------------------
# What the capture tool shows during the first order, 30 pictures a second, to compare with.
../tools/velastria-capture --fps 30 --to-order 0 --frames "$work/frames" --quiet 2>"$work/capture.txt"
check "the capture tool ran" test -s "$work/frames/frame_000090.png"

# Started from another folder, as a launcher or a terminal elsewhere would.
(cd / && exec "$demo_dir/velastria") >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
find_window 200
check "a window called Marn appears" test -n "$window"
t0=$(date +%s.%N)
sleep 3
shot_at=$(echo "$(date +%s.%N) - $t0" | bc)
import -window root "$work/screen.png" 2>/dev/null
check "the program keeps running" kill -0 "$pid"
if [ -n "$window" ]; then
  geometry=$(xdotool getwindowgeometry "$window")
  check "the window covers the screen ($geometry)" grep -q "Geometry: 1920x1080" <<<"$geometry"
  check "the screen keeps its mode" bash -c "xdpyinfo | grep -q 'dimensions: *1920x1080 pixels'"
  title=$(xdotool getwindowname "$window")
  check "the full-screen title stays 'Marn' (got: '$title')" test "$title" = "Marn"
fi
# Frames are running: each one puts the pointer back at the centre of the picture.
xdotool mousemove 50 60
wait_pointer_at "x:960 y:540 " 50
check "the pointer is pinned to (960, 540) (got: $location)" grep -q "^x:960 y:540 " <<<"$location"

# A tap far shorter than a frame.
xdotool keydown Escape sleep 0.005 keyup Escape
wait_exit "$pid" 200
check "an Escape tap ends the program with status 0 (got: ${status:-still running})" test "${status:-1}" = 0
messages_of "$work/err.txt" >"$work/messages.txt"
check "no message was shown ($(head -c 300 "$work/messages.txt"))" test ! -s "$work/messages.txt"
check "at most one line about playing without a sound device" test "$(grep -ci 'silen' "$work/err.txt")" -le 1

check "the bars left and right are black" \
  test "$(region_max "$work/screen.png" 240x1080+0+0)$(region_max "$work/screen.png" 240x1080+1680+0)" = 00
convert "$work/screen.png" -crop 1440x1080+240+0 +repage "$work/centre.png"
# The capture frame of the same moment: the closest one within a second and a half of the
# screenshot's time since the window appeared (start-up makes the two clocks differ a little).
convert "$work/centre.png" -resize 160x120! "$work/centre_small.png"
best="" best_error=1
first=$(printf '%.0f' "$(echo "($shot_at - 1.5) * 30" | bc)")
last=$(printf '%.0f' "$(echo "($shot_at + 1.5) * 30" | bc)")
for n in $(seq "$((first < 1 ? 1 : first))" "$last"); do
  frame=$(printf '%s/frame_%06d.png' "$work/frames" "$n")
  [ -f "$frame" ] || continue
  error=$(convert "$frame" -resize 160x120! miff:- | compare -metric RMSE "$work/centre_small.png" - null: 2>&1 |
    sed -E 's/.*\((.*)\).*/\1/')
  if [ "$(echo "$error < $best_error" | bc -l)" = 1 ]; then best=$frame best_error=$error; fi
done
check "a capture frame near ${shot_at}s resembles the screenshot's centre" test -n "$best"
if [ -n "$best" ]; then
  convert "$best" -resize 1440x1080! "$work/capture_scaled.png"
  error=$(compare -metric RMSE "$work/centre.png" "$work/capture_scaled.png" null: 2>&1 | sed -E 's/.*\((.*)\).*/\1/')
  echo "screenshot at ${shot_at}s, closest capture frame $(basename "$best"), RMSE $error"
  check "the centre 1440x1080 is the capture frame scaled up (RMSE $error)" test "$(echo "$error < 0.04" | bc -l)" = 1
fi

# ---- a copy without its song, then without its pictures ---------------------------------
answer() {  # box captions; answers each such box with Enter; boxes counts different boxes
  local id
  # SDL's boxes have no class (the program's window has) and xdotool's search misses them.
  for id in $(xwininfo -root -tree | grep -E "\"($(IFS='|'; echo "$*"))\": \(\)" | awk '{print $1}'); do
    xdotool windowfocus "$id" 2>/dev/null && xdotool key Return || continue
    [[ $answered == *" $id "* ]] || { boxes=$((boxes + 1)); answered+="$id "; }
  done
}
mkdir -p "$work/nosong" "$work/notex"
cp -r velastria textures "$work/nosong/"
cp -r velastria sound "$work/notex/"
"$work/nosong/velastria" >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
boxes=0 answered=" "
for _ in $(seq 100); do
  kill -0 "$pid" 2>/dev/null || break
  answer Marn
  sleep 0.1
done
wait_exit "$pid" 10
check "without its song it ends with status 1 within seconds (got: ${status:-still running})" test "${status:-0}" = 1
check "naming the song it could not read" grep -q "^Marn: Cannot read the song $work/nosong/sound/velastr.xm" "$work/err.txt"
"$work/notex/velastria" >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
boxes=0 answered=" "
for _ in $(seq 80); do  # the title's pictures are loaded in its first frame
  answer Error MARN
  sleep 0.1
done
check "without its pictures it keeps running" kill -0 "$pid"
check "the title's three missing pictures come in one box (got $boxes)" test "$boxes" = 1
for name in tressoria.bmp velastria.jpg black.bmp; do
  check "stderr names textures\\$name once" test "$(grep -cF "textures\\$name" "$work/err.txt")" = 1
done
xdotool keydown Escape sleep 0.3 keyup Escape
wait_exit "$pid" 100
check "Escape ends it with status 0 (got: ${status:-still running})" test "${status:-1}" = 0

# ---- the real mode switch, asked for where the display has no such mode ------------------
# The message boxes are real (X core fonts are installed): answer each with Return.
message_box() { xwininfo -root -tree | awk '/"Marn": \(\)/ {print $1; exit}'; }
./velastria --mode-switch >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
for _ in 1 2; do
  box=""
  for _ in $(seq 50); do
    box=$(message_box)
    [ -n "$box" ] && break
    sleep 0.1
  done
  [ -n "$box" ] && xdotool mousemove --window "$box" 20 20 sleep 0.2 key Return
  sleep 0.5
done
check "--mode-switch shows a message box" test -n "$box"
wait_exit "$pid" 100
check "--mode-switch without a 640x480 mode ends with status 1 (got ${status:-still running})" test "${status:-0}" = 1
check "it says the video mode could not be set" grep -q '^Marn: No se pudo establecer el modo de video$' "$work/err.txt"
check "then that the window could not be made" grep -q '^Marn: No se pudo crear la ventana.$' "$work/err.txt"
# Nobody answers, and a terminal's Ctrl+C, a session manager or `timeout` asks it to end.
start=$(date +%s%N)
timeout -s TERM 2 ./velastria --mode-switch >"$work/out.txt" 2>"$work/err.txt"
status=$?
elapsed=$((($(date +%s%N) - start) / 1000000))
check "a signal ends it while the message waits (status $status after $elapsed ms)" \
  test "$status" = 124 -a "$elapsed" -lt 3300

# ---- a window, resized ------------------------------------------------------------------
./velastria --window >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
find_window 200
check "--window opens a window" test -n "$window"
if [ -n "$window" ]; then
  check "the window is 640x480" grep -q "Geometry: 640x480" <<<"$(xdotool getwindowgeometry "$window")"
  sleep 1
  check "the window's title shows the frame rate" grep -q '^Marn (fps: ' <<<"$(xdotool getwindowname "$window")"
  # 1280x600 is wider than 4:3: the picture becomes 800x600 with bars of 240 on each side.
  xdotool windowsize "$window" 1280 600
  sleep 1.5
  import -window "$window" "$work/window.png" 2>/dev/null
  check "the resized window is 1280x600" test "$(identify -format '%wx%h' "$work/window.png")" = 1280x600
  check "the picture follows: bars black" \
    test "$(region_max "$work/window.png" 240x600+0+0)$(region_max "$work/window.png" 240x600+1040+0)" = 00
  mean=$(region_mean "$work/window.png" 800x600+240+0)
  check "the picture follows: the middle 800x600 shows it (mean $mean)" test "$(echo "$mean > 0.004" | bc -l)" = 1
  # No window manager: keys go to the window under the pointer, which frames pin inside it.
  xdotool keydown Escape sleep 0.3 keyup Escape
fi
wait_exit "$pid" 200
check "Escape ends the windowed program with status 0 (got: ${status:-still running})" test "${status:-1}" = 0

# ---- Wayland: Weston drawn into this X screen, software rendering ------------------------
if ! command -v weston >/dev/null; then
  check "weston is installed (scripts/setup.sh installs it)" false
else
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  weston --backend=x11-backend.so --use-pixman --width=1280 --height=720 --socket=velastria-test \
    --idle-time=0 >"$work/weston.txt" 2>&1 &
  weston_pid=$!
  output=""
  for _ in $(seq 100); do
    # (xdotool's search does not see this window's name; xwininfo does)
    output=$(xwininfo -root -tree | awk '/"Weston Compositor/ {print $1; exit}')
    [ -n "$output" ] && [ -S "$XDG_RUNTIME_DIR/velastria-test" ] && break
    sleep 0.1
  done
  check "weston runs nested ($(tail -c 300 "$work/weston.txt"))" test -n "$output"
  sleep 1  # its shell (panel and background) comes up
  WAYLAND_DISPLAY=velastria-test SDL_VIDEODRIVER=wayland ./velastria >"$work/out.txt" 2>"$work/err.txt" &
  pid=$!
  sleep 4
  check "the program runs under Wayland" kill -0 "$pid"
  if [ -n "$output" ]; then
    import -window "$output" "$work/wayland.png" 2>/dev/null
    # 1280x720 is wider than 4:3: the picture is 960x720 with bars of 160 on each side.
    check "Wayland: the bars are black" \
      test "$(region_max "$work/wayland.png" 160x720+0+0)$(region_max "$work/wayland.png" 160x720+1120+0)" = 00
    mean=$(region_mean "$work/wayland.png" 960x720+160+0)
    check "Wayland: the middle 960x720 shows the picture (mean $mean)" test "$(echo "$mean > 0.004" | bc -l)" = 1
    # Keys reach Weston through its X window, and from there the focused surface.  (The
    # message boxes above, ended with the program, may have left the X focus nowhere.)
    xdotool mousemove --window "$output" 640 360 windowfocus "$output"
    xdotool keydown Escape sleep 0.005 keyup Escape
  fi
  wait_exit "$pid" 200
  check "Escape ends it under Wayland with status 0 (got: ${status:-still running})" test "${status:-1}" = 0
  messages_of "$work/err.txt" >"$work/messages.txt"
  check "Wayland: no message was shown ($(head -c 300 "$work/messages.txt"))" test ! -s "$work/messages.txt"

  kill "$weston_pid" 2>/dev/null
  wait "$weston_pid" 2>/dev/null
fi

# ---- under an X window manager: the pointer and the focus ---------------------------------
openbox >"$work/openbox.txt" 2>&1 &
wm_pid=$!
sleep 1
./velastria --window >"$work/out.txt" 2>"$work/err.txt" &
pid=$!
find_window 200
check "--window under openbox opens a window" test -n "$window"
if [ -n "$window" ]; then
  # The client area's corner on the screen, whatever frame the manager put around it.
  corner=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$NF} /Absolute upper-left Y/ {y=$NF} END {print x, y}')
  read -r cx cy <<<"$corner"
  centre="x:$((cx + 320)) y:$((cy + 240)) "
  xdotool mousemove 1500 900
  wait_pointer_at "$centre" 30
  check "the pointer is pinned at the window's own centre, $centre(got: $location)" grep -q "^$centre" <<<"$location"
  focus_other_window 1200 700 --activate
  xdotool mousemove 1500 900
  sleep 1
  location=$(xdotool getmouselocation)
  check "another window active: the pointer stays where it was put (got: $location)" grep -q "^x:1500 y:900 " <<<"$location"
  xdotool windowminimize --sync "$window"
  xdotool mousemove 1400 800
  sleep 0.5
  location=$(xdotool getmouselocation)
  check "minimised: the pointer stays where it was put (got: $location)" grep -q "^x:1400 y:800 " <<<"$location"
  check "minimised, the show goes on" kill -0 "$pid"
  kill "$other_pid" 2>/dev/null
  xdotool windowactivate --sync "$window"
  wait_pointer_at "$centre" 30
  check "active again, the pointer is the show's (got: $location)" grep -q "^$centre" <<<"$location"
  xdotool key Escape
fi
wait_exit "$pid" 200
check "Escape ends the show under openbox with status 0 (got: ${status:-still running})" test "${status:-1}" = 0
kill "$wm_pid" 2>/dev/null

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
