#!/usr/bin/env bash
# The sample run: installs what is missing, builds the native tools, shows what the
# authoring tool offers, then does the whole job on the sample program (sample_run.sh).
#
# Build directory: ${ZED_BUILD_PREFIX:-build/}native.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
dir=${ZED_BUILD_PREFIX:-build/}native

bash scripts/setup.sh
generator=()
[ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S "$root" -B "$dir" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$dir" -j"${ZED_JOBS:-2}" --target vandolin >/dev/null

echo "\$ vandolin --help"
"$dir/tools/vandolin/vandolin" --help
bash scripts/sample_run.sh
