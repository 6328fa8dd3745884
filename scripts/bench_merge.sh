#!/usr/bin/env bash
# Benchmark (not a test) of merging a small resource image into a large executable:
# generates a ~300 MB 32-bit program (the probe fixture with one big extra section after
# its resources, so that everything after the grown resource section moves), then prints
# side by side the merge's wall time, the time `cp` takes for the same file, their ratio,
# and the merge's peak heap as valgrind's massif sees it (the read-only file mapping is
# not heap). Targets: at most 1.5 x cp, under 64 MB of heap.
#
#   scripts/bench_merge.sh [BUILD_DIR] [SIZE_MB]
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
size_mb=${2:-300}
python=/usr/bin/python3

cmake --build "$build" --target bench_merge fixtures -j2 >/dev/null
bench=$build/tests/pefile/bench_merge
fixtures=$build/tests/fixtures

work=$(mktemp -d "${TMPDIR:-/tmp}/zed-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$python" "$root/tests/pefile/make_big_exe.py" "$fixtures/pefile_probe.exe" "$work/big.exe" "$size_mb"
cat "$work/big.exe" >/dev/null  # the same warm page cache for both

now() { date +%s.%N; }
best() { printf '%s\n' "$@" | sort -g | head -1; }

cp_times=() merge_times=()
for _ in 1 2 3 4 5; do
  rm -f "$work/copy.exe" "$work/merged.exe"
  # Each run starts with nothing left to write back, so neither pays for the other.
  sync; t0=$(now); cp "$work/big.exe" "$work/copy.exe"; t1=$(now)
  cp_times+=("$(echo "$t1 - $t0" | bc -l)")
  sync; t0=$(now); "$bench" "$work/big.exe" "$fixtures/pefile_patch.res" "$work/merged.exe" >/dev/null
  t1=$(now)
  merge_times+=("$(echo "$t1 - $t0" | bc -l)")
done
cp_best=$(best "${cp_times[@]}")
merge_best=$(best "${merge_times[@]}")
"$python" "$root/tests/pefile/check_pe.py" "$work/big.exe" "$work/merged.exe" "$fixtures/pefile_patch.res"

rm -f "$work/merged.exe"
valgrind --tool=massif --massif-out-file="$work/massif.out" \
  "$bench" "$work/big.exe" "$fixtures/pefile_patch.res" "$work/merged.exe" >/dev/null 2>&1
# The peak snapshot (useful heap and allocator overhead), the top of ms_print's graph.
peak=$(awk -F= '/^mem_heap_B=/ {h = $2} /^mem_heap_extra_B=/ {if (h + $2 > max) max = h + $2}
  END {print max + 0}' "$work/massif.out")
graph_top=$(ms_print "$work/massif.out" | awk '/^ +[KMG]?B$/ {unit = $1} /\^/ && !done {sub(/\^.*/, ""); print $1 " " unit; done = 1}')

printf '%-28s %12s\n' "file" "$(stat -c %s "$work/big.exe") bytes"
printf '%-28s %12.3f s\n' "merge (best of 5)" "$merge_best"
printf '%-28s %12.3f s\n' "cp (best of 5)" "$cp_best"
printf '%-28s %12.2f x\n' "ratio merge / cp" "$(echo "$merge_best / $cp_best" | bc -l)"
printf '%-28s %12.2f MB   (ms_print peak: %s)\n' "peak heap (massif)" \
  "$(echo "$peak / 1048576" | bc -l)" "$graph_top"
