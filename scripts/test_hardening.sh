#!/usr/bin/env bash
# The hardening part of the test command: builds the libFuzzer targets (clang, ASan,
# UBSan) in DIR and runs each one for a fixed number of runs from its seed corpus
# (fuzz/corpus/<target>), so that a reader change that crashes on known inputs or their
# first mutations fails the test run. Long fuzzing runs are scripts/fuzz.sh's job.
#   scripts/test_hardening.sh DIR      (ZED_FUZZ_RUNS runs per target, default 10000)
# Skipped with ZED_SKIP_FUZZ=1. Exits non-zero when the build or any target fails.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
dir=${1:-build/fuzz}
runs=${ZED_FUZZ_RUNS:-10000}
if [ "${ZED_SKIP_FUZZ:-0}" = 1 ]; then
  echo "=== fuzz: skipped (ZED_SKIP_FUZZ=1)"
  exit 0
fi

echo "=== fuzz: build ($dir)"
if ! ZED_FUZZ_BUILD=$dir bash scripts/fuzz.sh --build; then
  echo "fuzz: build failed"
  exit 1
fi
bad=0
for target in payload pe res formats; do
  echo "=== fuzz: $target, $runs runs"
  if ! ZED_FUZZ_BUILD=$dir bash scripts/fuzz.sh "$target" --runs "$runs"; then
    echo "fuzz: $target FAILED (its input is in $dir/artifacts/$target/)"
    bad=$((bad + 1))
  fi
done
[ "$bad" -eq 0 ]
