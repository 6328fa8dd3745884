#!/usr/bin/env bash
# `vandolin merge` and `vandolin list` on an executable: the merge a patch does, its counts,
# the backup of a replaced output, and the result judged by check_pe.py.
#
#   vandolin_merge.sh VANDOLIN FIXTURE_DIR
set -euo pipefail
vandolin=$1
fixtures=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zed-vandolin-exe.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

cp "$fixtures/pefile_probe.exe" "$work/probe.exe"
out=$("$vandolin" merge "$work/probe.exe" "$fixtures/pefile_patch.res" -o "$work/out.exe" 2>"$work/err")
[ "$out" = "replaced 2, added 5" ] || fail "merge printed: $out"
grep -q "skipped: Changing version resources is not allowed." "$work/err" || fail "no note of the version resource"
/usr/bin/python3 "$here/check_pe.py" "$work/probe.exe" "$work/out.exe" "$fixtures/pefile_patch.res" ||
  fail "check_pe"
"$vandolin" list "$work/out.exe" >"$work/list"
grep -q "^ZNEW	EXTRA	" "$work/list" || fail "list shows no ZNEW/EXTRA: $(cat "$work/list")"
cmp -s "$work/probe.exe" "$fixtures/pefile_probe.exe" || fail "the target changed"

# Merging onto the output again with --backup keeps the replaced file under its backup name.
cp "$work/out.exe" "$work/first.exe"
"$vandolin" merge "$work/out.exe" "$fixtures/pefile_patch.res" -o "$work/out.exe" --backup >/dev/null 2>&1
cmp -s "$work/out Backup.exe" "$work/first.exe" || fail "no backup of the replaced output"
[ "$(ls "$work" | sort | tr '\n' ' ')" = "err first.exe list out Backup.exe out.exe probe.exe " ] ||
  fail "unexpected files: $(ls "$work")"
echo "1 passed, 0 failed"
