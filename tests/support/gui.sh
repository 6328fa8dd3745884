# Shared pieces of the GUI tests (sourced): a display, failure counting, waiting for a
# background program. The sourcing script's cleanup kills $xvfb_pid when it is set.

xvfb_pid=
# A virtual display of our own when the run has none.
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local display_file
  display_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$display_file")"
  rm -f "$display_file"
}

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
