#!/usr/bin/env bash
# Translates one of Wine's own programs (notepad.exe) with `vandolin merge` and the
# Russian texts of tests/fixtures/authoring_notepad_ru.rc, makes a patcher from the
# original and the translated copy with `vandolin make --translated`, applies it to a
# fresh copy of the original and has python3-pefile check that the result holds the
# translation's resources byte for byte, the version resource aside.
#
# usage: translate_wine_program.sh native|wine VANDOLIN STUB RUSSIAN.res SOURCE_DIR
#   native: vandolin runs here and applies the patcher with `vandolin apply -guiless`;
#   wine:   vandolin.exe and then the patcher itself run through scripts/wine-run.sh.
set -euo pipefail
mode=$1 vandolin=$2 stub=$3 russian=$4 source=$5
program=/usr/lib/i386-linux-gnu/wine/i386-windows/notepad.exe

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$program" "$work/original.exe"
cp "$stub" "$work/stub.exe"
cp "$russian" "$work/russian.res"
cd "$work"

# Relative names only: the same arguments work for the program here and under Wine.
vandolin() {
  if [ "$mode" = wine ]; then
    bash "$source/scripts/wine-run.sh" "$vandolin" "$@"
  else
    "$vandolin" "$@"
  fi
}

vandolin merge original.exe russian.res -o translated.exe
vandolin make --stub stub.exe --target original.exe --translated translated.exe \
  --input-name notepad.exe --output-name notepad.exe --author "Zedevaviz tests" \
  -o patcher.exe
vandolin show patcher.exe --target original.exe

mkdir patched
cp original.exe patched/notepad.exe
if [ "$mode" = wine ]; then
  bash "$source/scripts/wine-run.sh" patcher.exe -guiless -quiet -nobackup -dir patched
else
  vandolin apply patcher.exe -guiless -quiet -nobackup -dir patched
fi
ls patched
cmp -s patched/notepad.exe original.exe && { echo "FAIL: the patcher left the file as it was"; exit 1; }

vandolin list --json translated.exe >translated.json
vandolin list --json patched/notepad.exe >patched.json
/usr/bin/python3 "$source/tests/authoring/compare_resources.py" original.exe translated.exe \
  patched/notepad.exe translated.json patched.json
