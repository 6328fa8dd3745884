#!/usr/bin/env bash
# Benchmark of the patch engine (prints figures; not a test):
#   1. a patcher whose payload replaces a few resources, applied window-less
#      (`vandolin apply PATCHER -guiless`) to a generated 32-bit target of about 300 MB,
#      side by side with `cp` of the same target;
#   2. the time and peak memory of loading a payload that carries a 20 MB resource image.
# Uses the native build (vandolin, make_test_patcher, the fixtures).
#
# Usage: scripts/bench_apply.sh [NATIVE_BUILD_DIR] (default build/native)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(cd "${1:-$root/build/native}" && pwd)
vandolin=$build/tools/vandolin/vandolin
make_patcher=$build/tests/patch/make_test_patcher
fixtures=$build/tests/fixtures
for f in "$vandolin" "$make_patcher" "$fixtures/patch_stub.exe" "$fixtures/patch_target.exe" \
         "$fixtures/patch_update.res"; do
  [ -e "$f" ] || { echo "missing $f: build the native tree first"; exit 1; }
done
size_mb=${ZED_BENCH_TARGET_MB:-300}
work=$(mktemp -d "${TMPDIR:-/tmp}/zed-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# seconds CMD...: wall time of one run, in seconds with milliseconds.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000000 ))" | awk '{ printf "%.3f", $1 / 1000 }'
}
# peak_kb CMD...: the peak resident memory of one run ("total/anonymous" in KB). The total
# counts the mapped pages of the files read; the anonymous part is what the program copied
# or allocated, sampled from /proc every millisecond.
peak_kb() {
  /usr/bin/python3 - "$@" <<'PY'
import subprocess, sys, time
p = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
anon = 0
while p.poll() is None:
    try:
        with open(f"/proc/{p.pid}/status") as f:
            for line in f:
                if line.startswith("RssAnon:"):
                    anon = max(anon, int(line.split()[1]))
    except OSError:
        pass
    time.sleep(0.001)
import resource
total = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{total}/{anon}")
PY
}
best_of_3() {
  local best="" t
  for _ in 1 2 3; do
    t=$(seconds "$@")
    if [ -z "$best" ] || awk -v a="$t" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$t; fi
  done
  echo "$best"
}

echo "== generating a ${size_mb} MB target"
head -c $((size_mb * 1024 * 1024)) /dev/urandom > blob.bin
# One more data section, placed after the image in memory.
image_end=$(/usr/bin/python3 -c 'import pefile, sys
pe = pefile.PE(sys.argv[1], fast_load=True)
print(hex(pe.OPTIONAL_HEADER.ImageBase + pe.OPTIONAL_HEADER.SizeOfImage))' "$fixtures/patch_target.exe")
i686-w64-mingw32-objcopy --add-section .bigdata=blob.bin \
  --set-section-flags .bigdata=contents,alloc,load,readonly,data \
  --change-section-address .bigdata="$image_end" "$fixtures/patch_target.exe" big.exe
rm blob.bin
ls -l big.exe | awk '{ printf "target: %s bytes\n", $5 }'
"$make_patcher" "$fixtures/patch_stub.exe" "$fixtures/patch_update.res" Fix.exe \
  --input big.exe --output big_ru.exe --target big.exe

apply_once() { rm -f big_ru.exe; "$vandolin" apply Fix.exe -guiless -nobackup -quiet; }
copy_once() { rm -f big_copy.exe; cp big.exe big_copy.exe; }
copy_once  # warm the page cache
apply_once
[ -s big_ru.exe ] || { echo "the patch did not write big_ru.exe"; exit 1; }
listing=$(/usr/bin/python3 "$root/tests/patch/pe_resources.py" big_ru.exe)
grep -q "^10/300/" <<<"$listing" || { echo "big_ru.exe lacks the patch's resources"; exit 1; }
t_cp=$(best_of_3 copy_once)
t_apply=$(best_of_3 apply_once)
m_cp=$(peak_kb cp big.exe big_copy2.exe)
rm -f big_ru.exe
m_apply=$(peak_kb "$vandolin" apply Fix.exe -guiless -nobackup -quiet)
ratio=$(awk -v a="$t_apply" -v c="$t_cp" 'BEGIN { printf "%.2f", (c > 0 ? a / c : 0) }')
printf "%-28s %8s s  peak %s KB (total/anonymous)\n" "cp of the target" "$t_cp" "$m_cp"
printf "%-28s %8s s  peak %s KB (total/anonymous)\n" "vandolin apply -guiless" "$t_apply" \
  "$m_apply"
echo "apply / cp = $ratio (target: <= 2)"
rm -f big.exe big_ru.exe big_copy.exe big_copy2.exe

echo "== loading a payload with a 20 MB resource image"
head -c $((20 * 1024 * 1024)) /dev/urandom > rc20.bin
printf '1 RCDATA "rc20.bin"\n' > rc20.rc
i686-w64-mingw32-windres -O res rc20.rc -o rc20.res
"$make_patcher" "$fixtures/patch_stub.exe" rc20.res Fix20.exe --input missing.exe
ls -l Fix20.exe | awk '{ printf "patcher: %s bytes\n", $5 }'
# The input does not exist: the run is the payload load and one refused start.
load() { "$vandolin" apply Fix20.exe -guiless -quiet; }
t_load=$(best_of_3 load)
m_load=$(peak_kb "$vandolin" apply Fix20.exe -guiless -quiet)
m_base=$(peak_kb "$vandolin" apply "$fixtures/patch_target.exe" -guiless -quiet)
printf "%-28s %8s s  peak %s KB (total/anonymous; %s without a payload)\n" \
  "load of the 20 MB payload" "$t_load" "$m_load" "$m_base"
