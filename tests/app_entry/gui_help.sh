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

source "$(dirname "${BASH_SOURCE[0]}")/../support/gui.sh"
ensure_display

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
