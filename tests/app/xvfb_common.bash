# Shared start of the scripts that run the demo on a virtual X screen (sourced, so not run
# by ctest itself).  xvfb_setup <script name> <seconds> <build folder> [--inside]: outside
# the screen it checks the tools and re-runs the calling script inside xvfb-run, bounded by
# <seconds>, on a screen of $xvfb_screen (default 640x480x24; the screen offers no other
# mode); inside it sets build, demo_dir, work (removed at exit), and the passed/failed
# counters that check() keeps.
xvfb_setup() {
  local name=$1 seconds=$2
  shift 2
  build=$(cd "${1:?build folder}" && pwd)
  demo_dir="$build/demo"
  if [ "${2:-}" != "--inside" ]; then
    require_tools "$name" xvfb-run xdpyinfo xdotool import identify
    in_virtual_screen "$seconds" "${xvfb_screen:-640x480x24}" bash "$0" "$build" --inside
  fi
  screen_answers
  passed=0
  failed=0
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
}

# in_virtual_screen <seconds> <WxHxD> <command...>: runs the command on a new virtual X
# screen, bounded by <seconds>. Each script starts its search for a free display number
# at a place of its own, so that scripts started at the same moment do not race for one.
# -noreset: by default the server starts over each time its last client leaves, and a
# program that connects in that moment (the demo right after the xdpyinfo check) is turned
# away; under load that happened in about one start in forty.
in_virtual_screen() {
  local seconds=$1 screen=$2
  shift 2
  exec timeout "$seconds" xvfb-run -n $((100 + $$ % 800)) -a -s "-screen 0 $screen -noreset" "$@"
}

# Inside the screen: a display that does not answer fails the script at once, saying so,
# rather than as a run of missing windows and black screenshots.
screen_answers() {
  if ! xdpyinfo >/dev/null 2>&1; then
    echo "the virtual X screen $DISPLAY does not answer"
    echo "0 passed, 1 failed"
    exit 1
  fi
}

require_tools() {  # script name, then the commands it needs; a missing one fails the script
  local name=$1 tool
  shift
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "$name: $tool is missing (scripts/setup.sh installs it)"
      echo "0 passed, 1 failed"
      exit 1
    fi
  done
}

check() {  # description, then a command that must succeed
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    echo "FAIL: $what"
  fi
}

# Waits up to <tenths> tenths of a second for a window whose name starts with Marn; sets
# window (empty when none came).
find_window() {
  window=""
  for _ in $(seq "$1"); do
    window=$(xdotool search --name '^Marn' 2>/dev/null | head -1)
    [ -n "$window" ] && break
    sleep 0.1
  done
}

# Waits up to <tenths> tenths of a second for process <pid> to end; sets status (empty
# when it is still running, and then it is killed).
wait_exit() {
  local pid=$1 tenths=$2
  status=""
  for _ in $(seq "$tenths"); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      status=$?
      return
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
}

# Waits up to <tenths> tenths of a second for the pointer to be at "x:<x> y:<y> " (the
# program puts it back there each frame); sets location to where it was last seen.
wait_pointer_at() {
  for _ in $(seq "$2"); do
    sleep 0.1
    location=$(xdotool getmouselocation)
    grep -q "^$1" <<<"$location" && return
  done
}

# Opens another program's window at +<x>+<y> and gives it the focus, the way a window
# manager does when there is one (activation) or the way X does without (focus); sets
# other_pid.
focus_other_window() {
  local other=""
  xmessage -geometry "+$1+$2" "another program" &
  other_pid=$!
  for _ in $(seq 50); do
    other=$(xdotool search --name '^xmessage$' 2>/dev/null | head -1)
    [ -n "$other" ] && break
    sleep 0.1
  done
  [ -n "$other" ] || return
  if [ "${3:-}" = --activate ]; then xdotool windowactivate --sync "$other"; else xdotool windowfocus --sync "$other"; fi
}

# The lines the program's message boxes also print on stderr ("<caption>: <text>").
messages_of() { grep -E '^(Marn|MARN|Error|SHUTDOWN ERROR): ' "$1"; }

# Largest channel value (0 to 1) in a region WxH+X+Y of a picture.
region_max() { convert "$1" -crop "$2" +repage -separate -append -format '%[fx:maxima]' info:; }
region_mean() { convert "$1" -crop "$2" +repage -separate -append -format '%[fx:mean]' info:; }
