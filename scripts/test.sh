#!/usr/bin/env bash
# The test command: installs what is missing, builds the native and the Windows build (and
# the sanitizer build unless ZED_SKIP_ASAN=1) and runs every test of each, the Windows
# ones under Wine. One Xvfb serves the whole run, so Wine always has a display.
#
# Build directories: ${ZED_BUILD_PREFIX:-build/}native, ...win32, ...asan (relative to
# the repository unless absolute). Exits non-zero when any step fails.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
prefix=${ZED_BUILD_PREFIX:-build/}
jobs=${ZED_JOBS:-2}

bash scripts/setup.sh || { echo "setup failed"; exit 1; }

# One X display for the whole run.
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  return 0
}
trap cleanup EXIT
display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$display_file" ] && break; sleep 0.1; done
if [ ! -s "$display_file" ]; then
  echo "Xvfb did not start"
  exit 1
fi
export DISPLAY=":$(head -n1 "$display_file")"
rm -f "$display_file"
echo "X display $DISPLAY"

passed=0
failed=0
results=()

# run_build NAME DIR CMAKE-ARGS...: configure, build and test one build directory.
run_build() {
  local name=$1 dir=$2
  shift 2
  local log="$dir/ctest.log"
  local generator=()
  [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
  echo "=== $name: configure ($dir)"
  if ! cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug -DZED_WERROR=ON "$@"; then
    results+=("$name: configure failed")
    failed=$((failed + 1))
    return
  fi
  echo "=== $name: build"
  if ! cmake --build "$dir" -j"$jobs"; then
    results+=("$name: build failed")
    failed=$((failed + 1))
    return
  fi
  echo "=== $name: test"
  if [[ "$*" == *mingw* ]]; then
    # Make the Wine prefix once, before tests start in parallel.
    bash scripts/wine-run.sh cmd /c exit >/dev/null 2>&1
  fi
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  # "100% tests passed, 0 tests failed out of 42"
  local line total bad
  line=$(grep -E 'tests? failed out of [0-9]+' "$log" | tail -n1)
  total=$(sed -nE 's/.* out of ([0-9]+).*/\1/p' <<<"$line")
  bad=$(sed -nE 's/.* ([0-9]+) tests? failed out of.*/\1/p' <<<"$line")
  if [ -z "$total" ]; then
    results+=("$name: ctest ran no test (exit $status)")
    failed=$((failed + 1))
    return
  fi
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  if [ "$status" -ne 0 ] && [ "$bad" -eq 0 ]; then
    failed=$((failed + 1))  # ctest failed without naming a test
  fi
  results+=("$name: $((total - bad)) of $total tests passed")
}

run_build native "${prefix}native"
run_build win32 "${prefix}win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
if [ "${ZED_SKIP_ASAN:-0}" != 1 ]; then
  run_build asan "${prefix}asan" -DZED_SANITIZE=ON
fi

# Hardening: each fuzz target briefly over its seeds (scripts/test_hardening.sh).
if bash scripts/test_hardening.sh "${prefix}fuzz"; then results+=("fuzz: every target ran clean"); else results+=("fuzz: failed"); failed=$((failed + 1)); fi

echo
for r in "${results[@]}"; do echo "  $r"; done
echo "summary: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
