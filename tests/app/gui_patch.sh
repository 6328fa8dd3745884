#!/usr/bin/env bash
# The patcher's real dialog under Wine on an X display, with Wine's own clock.exe as the
# target (its window title is string 268, which the patch changes) and clock_ru.exe as the
# output (under its own name Wine would start its built-in clock instead of the file):
#   1. the dialog "clock_fix - Vandolin Zedevaviz" appears centred in the work area;
#      Return patches, Return again closes, exit code 0; the patched clock starts and
#      shows the patched title;
#   2. -auto: the dialog closes by itself and the file is patched; -guiless -dir patches
#      with no window at all;
#   3. a failing start (input missing) shows the "Ошибка" box, and the dialog stays open.
# Screenshots go to SCREENSHOT_DIR; python3-pefile judges the patched files.
#
# Usage: gui_patch.sh ZEDEVAVIZ.EXE MAKE_TEST_PATCHER.EXE FIXTURE_DIR SCREENSHOT_DIR
#                     WINE_RUN SOURCE_DIR
set -u
stub=$1
make_patcher=$2
fixtures=$3
shots=$4
wine_run=$5
source_dir=$6
clock=/usr/lib/i386-linux-gnu/wine/i386-windows/clock.exe
title="clock_fix - Vandolin Zedevaviz"
mkdir -p "$shots"

work=$(mktemp -d /tmp/zed-gui-patch.XXXXXX)
xvfb_pid=
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

source "$(dirname "${BASH_SOURCE[0]}")/../support/gui.sh"
ensure_display

# find_window TITLE SECONDS: the id of a visible window with exactly that title.
find_window() {
  timeout "$2" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null | head -n1
}

# patched FILE: its Russian and English string 268 is the patch's.
patched() {
  local text
  text=$(printf 'Patched clock' | iconv -t UTF-16LE | od -An -tx1 | tr -d ' \n')
  local listing
  listing=$(/usr/bin/python3 "$source_dir/tests/patch/pe_resources.py" "$1" 2>/dev/null)
  grep -q "^6/17/25 .*$text" <<<"$listing" && grep -q "^6/17/1033 .*$text" <<<"$listing"
}

shot() {
  sleep 1  # let the window paint itself
  import -window root "$shots/$1.png" || fail "no screenshot $1"
}

cd "$work" || exit 1
cp "$stub" zedevaviz.exe
cp "$make_patcher" make_test_patcher.exe
cp "$fixtures/patch_clock.res" .
cp "$clock" clock.exe
"$wine_run" make_test_patcher.exe zedevaviz.exe patch_clock.res clock_fix.exe \
  --input clock.exe --output clock_ru.exe --target clock.exe --author "Zedevaviz tests" \
  --instructions "Press Start." >/dev/null 2>&1
[ -s clock_fix.exe ] || { echo "FAIL: no patcher was made"; exit 1; }

# 1. The dialog, centred; Return patches; Return closes.
"$wine_run" clock_fix.exe &
pid=$!
pids+=("$pid")
window=$(find_window "$title" 240)
if [ -z "$window" ]; then
  fail "no window titled \"$title\""
else
  eval "$(xdotool getwindowgeometry --shell "$window")"
  read -r screen_w screen_h < <(xdotool getdisplaygeometry)
  dx=$((X + WIDTH / 2 - screen_w / 2))
  dy=$((Y + HEIGHT / 2 - screen_h / 2))
  echo "dialog ${WIDTH}x${HEIGHT} at $X,$Y on ${screen_w}x${screen_h} (off centre by $dx,$dy)"
  [ "${dx#-}" -le 16 ] && [ "${dy#-}" -le 24 ] || fail "the dialog is not centred"
  shot dialog
  xdotool windowfocus --sync "$window" key Return
  for _ in $(seq 300); do patched clock_ru.exe && break; sleep 0.1; done
  sleep 1
  shot dialog-done
  patched clock_ru.exe || fail "clock_ru.exe is not patched after Return"
  cmp -s clock.exe "$clock" || fail "the input changed"
  xdotool windowfocus --sync "$window" key Return
  wait_exit "$pid" 60
  code=$?
  [ "$code" -eq 0 ] || fail "exit code $code after the second Return, want 0"
fi

# The patched clock still runs and shows the patched title.
"$wine_run" clock_ru.exe &
pid=$!
pids+=("$pid")
if [ -n "$(find_window "Patched clock" 60)" ]; then
  shot patched-clock
else
  fail "the patched clock shows no window titled \"Patched clock\""
fi
"$wine_run" taskkill /f /im clock_ru.exe >/dev/null 2>&1
wait_exit "$pid" 30 >/dev/null

# 2. -auto over an existing output: closes by itself, patched, no backup with -nobackup.
cp "$clock" clock_ru.exe
"$wine_run" clock_fix.exe -auto -nobackup &
pid=$!
pids+=("$pid")
wait_exit "$pid" 120
code=$?
[ "$code" -eq 0 ] || fail "-auto: exit code $code, want 0 (124: did not close)"
patched clock_ru.exe || fail "-auto: clock_ru.exe is not patched"
[ -f "clock_ru Backup.exe" ] && fail "-auto -nobackup made a backup"

# Window-less: no window, the payload's names placed in -dir, the old output backed up.
cp "$clock" clock_ru.exe
"$wine_run" clock_fix.exe -guiless -dir "Z:${work//\//\\}" &
pid=$!
pids+=("$pid")
wait_exit "$pid" 120
code=$?
[ "$code" -eq 0 ] || fail "-guiless: exit code $code, want 0"
patched clock_ru.exe || fail "-guiless: clock_ru.exe is not patched"
cmp -s "clock_ru Backup.exe" "$clock" || fail "-guiless: the old output is not the backup"

# 3. A failing start: the error box, then the dialog is still there.
rm -f clock.exe
"$wine_run" clock_fix.exe &
pid=$!
pids+=("$pid")
window=$(find_window "$title" 120)
if [ -z "$window" ]; then
  fail "failing start: no dialog"
else
  xdotool windowfocus --sync "$window" key Return
  box=$(find_window "Ошибка" 30)
  if [ -z "$box" ]; then
    fail "failing start: no \"Ошибка\" box"
  else
    shot error-box
    xdotool windowfocus --sync "$box" key Return
    sleep 1
    [ -n "$(find_window "$title" 10)" ] || fail "the dialog closed after the error box"
    shot dialog-after-error
    window=$(find_window "$title" 10)
    xdotool windowfocus --sync "$window" key Escape
  fi
  wait_exit "$pid" 60
  code=$?
  [ "$code" -eq 0 ] || fail "failing start: exit code $code after Escape, want 0"
fi

if [ "$failures" -gt 0 ]; then exit 1; fi
echo "ok: dialog centred, patched with Return, -auto, error box with the dialog kept open"
