# Shared start and helpers of the scripts that run the Windows program under Wine on a
# 640x480 virtual X screen (sourced, so not run by ctest itself).
# wine_setup <script name> <seconds> <script arguments...>: outside the screen it checks
# the tools and re-runs the calling script inside xvfb-run with the same arguments and
# --inside, bounded by <seconds>; inside it sets work (removed at exit, after Wine's server
# and anything the script's own stop_extras ends) and the counters check() keeps.
# check() is the one the Linux programs' screen tests use.
source "$(dirname "${BASH_SOURCE[0]}")/../app/xvfb_common.bash"

wine_setup() {
  local name=$1 seconds=$2
  shift 2
  if [ "${!#}" != "--inside" ]; then
    require_tools "$name" wine wineserver xvfb-run xdpyinfo xdotool import convert bc
    in_virtual_screen "$seconds" 640x480x24 bash "$0" "$@" --inside
  fi
  screen_answers
  passed=0
  failed=0
  work=$(mktemp -d)
  trap wine_cleanup EXIT
}

wine_cleanup() {
  declare -F stop_extras >/dev/null && stop_extras
  wineserver -k 2>/dev/null
  rm -rf "$work"
}

finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}

# Visible windows called exactly $1 (xdotool's own search ignores case: "MARN" is a box,
# "Marn" the program).
windows_named() {
  local id
  for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
    [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$1" ] && echo "$id"
  done
}

wait_window() {  # exact window name; prints its id
  local id=""
  for _ in $(seq 300); do
    id=$(windows_named "$1" | head -1)
    [ -n "$id" ] && break
    sleep 0.1
  done
  echo "$id"
}

# Answers every message box on the screen with Enter, as a person would; boxes counts the
# different boxes answered (one may still be on screen at the next look).
boxes=0
answered=" "
answer_boxes() {
  local box
  for box in $(windows_named Error) $(windows_named MARN); do
    xdotool windowfocus "$box" 2>/dev/null && xdotool key Return || continue
    [[ $answered == *" $box "* ]] || { boxes=$((boxes + 1)); answered+="$box "; }
  done
}

end_with_escape() {  # pid; sets status (empty while it still runs)
  status=""
  for _ in $(seq 10); do
    answer_boxes
    xdotool keydown Escape
    sleep 0.3
    xdotool keyup Escape
    for _ in $(seq 10); do
      if ! kill -0 "$1" 2>/dev/null; then
        wait "$1"
        status=$?
        return
      fi
      sleep 0.1
    done
  done
  kill "$1" 2>/dev/null
  wait "$1" 2>/dev/null
}

mean_of() {  # picture, crop geometry: mean brightness 0..1
  convert "$1" -crop "$2" +repage -format '%[fx:mean]' info: 2>/dev/null || echo 0
}

# The title card's lettering runs across the middle of the screen, over a dark starry sky.
title_band() { mean_of "$1" 520x90+60+185; }
title_sky() { mean_of "$1" 640x120+0+0; }
