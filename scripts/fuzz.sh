#!/usr/bin/env bash
# Runs one libFuzzer target (payload, pe, res, formats) for SECONDS, or for a fixed number
# of runs over its seed corpus:
#   scripts/fuzz.sh TARGET SECONDS      long run; new inputs collect in BUILD/corpus/TARGET
#   scripts/fuzz.sh TARGET --runs N     N runs from the seeds only (the test command's check)
#   scripts/fuzz.sh --build             only configure and build the targets
# BUILD is ${ZED_FUZZ_BUILD:-build/fuzz}. Crashing inputs land in BUILD/artifacts/TARGET/;
# keep each as tests/hardening/regressions/TARGET/<name> once it is fixed. Exits non-zero
# when the target found something.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
build=${ZED_FUZZ_BUILD:-build/fuzz}
targets="payload pe res formats"

usage() {
  echo "usage: scripts/fuzz.sh TARGET SECONDS | TARGET --runs N | --build   (TARGET: $targets)" >&2
  exit 2
}

configure_and_build() {
  local what=$1
  # Two runs may start at once; one build at a time in the directory.
  mkdir -p "$build"
  exec 9>"$build/.fuzz-build.lock"
  flock 9
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZED_FUZZ=ON \
      -DZED_SANITIZE=ON -DZED_TESTS=OFF -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
      >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; return 1; }
  fi
  cmake --build "$build" -j"${ZED_JOBS:-2}" --target "$what"
  local status=$?
  flock -u 9
  exec 9>&-
  return $status
}

[ $# -ge 1 ] || usage
if [ "$1" = --build ]; then
  configure_and_build fuzz_all
  exit
fi
target=$1
[[ " $targets " == *" $target "* ]] || usage
[ $# -ge 2 ] || usage

# Longest input each target is given: above what its real inputs need.
case $target in
  payload) max_len=65536 ;;
  pe) max_len=65536 ;;
  res) max_len=16384 ;;
  formats) max_len=8192 ;;
esac

configure_and_build "fuzz_$target" >/dev/null || { echo "fuzz build failed"; exit 1; }
program="$build/fuzz/fuzz_$target"
seeds="$root/fuzz/corpus/$target"
artifacts="$build/artifacts/$target/"
mkdir -p "$artifacts" "$build/logs"
common=(-max_len=$max_len -timeout=30 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts")

if [ "$2" = --runs ]; then
  [ $# -ge 3 ] || usage
  # A scratch corpus, so that the seeds in the repository stay as they are.
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  "$program" "${common[@]}" -runs="$3" "$work" "$seeds" 2>&1 | tail -n 12
  exit "${PIPESTATUS[0]}"
fi

seconds=$2
corpus="$build/corpus/$target"
mkdir -p "$corpus"
log="$build/logs/$target-$(date +%Y%m%d-%H%M%S).log"
echo "fuzz_$target for ${seconds}s; corpus $corpus, log $log"
"$program" "${common[@]}" -max_total_time="$seconds" "$corpus" "$seeds" >"$log" 2>&1
status=$?
grep -E '^stat::|^#[0-9]+ +DONE|SUMMARY|ERROR|zedfuzz:' "$log" | tail -n 20
exit $status
