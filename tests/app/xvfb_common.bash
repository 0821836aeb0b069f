# Shared start of the scripts that run the demo on a 640x480 virtual X screen (sourced, so
# not run by ctest itself).  xvfb_setup <script name> <seconds> <build folder> [--inside]:
# outside the screen it checks the tools and re-runs the calling script inside xvfb-run,
# bounded by <seconds>; inside it sets build, demo_dir, work (removed at exit), and the
# passed/failed counters that check() keeps.
xvfb_setup() {
  local name=$1 seconds=$2
  shift 2
  build=$(cd "${1:?build folder}" && pwd)
  demo_dir="$build/demo"
  if [ "${2:-}" != "--inside" ]; then
    for tool in xvfb-run xdotool import identify; do
      if ! command -v "$tool" >/dev/null; then
        echo "$name: $tool is missing (scripts/setup.sh installs it)"
        echo "0 passed, 1 failed"
        exit 1
      fi
    done
    exec timeout "$seconds" xvfb-run -a -s "-screen 0 640x480x24" bash "$0" "$build" --inside
  fi
  passed=0
  failed=0
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
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
