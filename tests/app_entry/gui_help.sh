#!/usr/bin/env bash
# The boxes of zedevaviz.exe as a user sees them, under Wine on an X display:
#   zedevaviz.exe -help  shows "Zedevaviz Help";
#   zedevaviz.exe        (this build carries no payload) shows the error box "Ошибка".
# Each box is photographed into the screenshot directory, dismissed with Return, and the
# program must then end with exit code 0.
#
# Usage: gui_help.sh PATH/zedevaviz.exe SCREENSHOT_DIR PATH/wine-run.sh
# Uses $DISPLAY when set (scripts/test.sh starts one Xvfb for the whole run), else starts
# its own Xvfb.
set -u

exe=$1
shots=$2
wine_run=$3
mkdir -p "$shots"

xvfb_pid=
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
fi

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# wait_exit PID SECONDS: the exit code of the background process, or 124 on a time-out.
wait_exit() {
  local pid=$1 limit=$2
  for _ in $(seq $((limit * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid"
      return $?
    fi
    sleep 0.1
  done
  return 124
}

# show_box NAME TITLE ARGS...: runs the program, waits for a window titled TITLE,
# photographs the screen, presses Return in that window and checks the exit code.
show_box() {
  local name=$1 title=$2
  shift 2
  "$wine_run" "$exe" "$@" &
  program_pid=$!
  # The first start of a Wine prefix takes a while.
  local window
  window=$(timeout 240 xdotool search --sync --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1)
  if [ -z "$window" ]; then
    fail "$name: no window titled \"$title\""
    kill "$program_pid" 2>/dev/null
    program_pid=
    return
  fi
  sleep 1  # let the box paint itself before the photograph
  import -window root "$shots/$name.png" || fail "$name: no screenshot"
  echo "$name: window $window \"$(xdotool getwindowname "$window")\", screenshot $shots/$name.png"
  xdotool windowfocus --sync "$window" key Return
  wait_exit "$program_pid" 60
  local code=$?
  program_pid=
  [ "$code" -eq 0 ] || fail "$name: exit code $code after Return, want 0"
}

show_box help "Zedevaviz Help" -help
show_box error "Ошибка"

if [ "$failures" -gt 0 ]; then
  exit 1
fi
echo "ok: help box and error box shown, both dismissed with exit code 0"
