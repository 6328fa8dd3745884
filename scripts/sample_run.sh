#!/usr/bin/env bash
# The whole authoring job on the built-in sample: builds the sample program (sample/app.c
# with its English resources) and its Russian resources with the MinGW tools, makes a
# patcher with `vandolin make` from the Windows stub, shows it with `vandolin show`,
# applies it with `vandolin apply -guiless` to a copy of the program and lists the
# resources before and after. With Wine present the patcher itself also runs, window-less,
# on another copy.
#
# Build directories: ${ZED_BUILD_PREFIX:-build/}native (vandolin), ...win32 (the stub
# zedevaviz.exe); the sample's files go to ...sample, made anew on every run.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
prefix=${ZED_BUILD_PREFIX:-build/}
native=$(realpath -m "${prefix}native")
win32=$(realpath -m "${prefix}win32")
work=$(realpath -m "${prefix}sample")
jobs=${ZED_JOBS:-2}

# configure DIR CMAKE-ARGS...: only when the directory has no build yet.
configure() {
  local dir=$1
  shift
  [ -f "$dir/CMakeCache.txt" ] && return
  cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@" >/dev/null
}
step() { printf '\n== %s\n' "$*"; }
# Prints the command, arguments with blanks quoted, then runs it.
show() {
  local shown=() a
  for a in "$@"; do
    case $a in *[[:space:]]*) shown+=("'$a'") ;; *) shown+=("$a") ;; esac
  done
  printf '$ %s\n' "${shown[*]}"
  "$@"
}
# The menu and string texts of a program, read with python3-pefile, so that the output
# shows the words themselves and not only the sizes.
texts() {
  /usr/bin/python3 - "$1" <<'PY'
import sys, pefile
pe = pefile.PE(sys.argv[1])
def data(entry):
    d = entry.data.struct
    return pe.get_data(d.OffsetToData, d.Size)
def wide(raw, at):
    end = at
    while raw[end:end + 2] != b"\0\0":
        end += 2
    return raw[at:end].decode("utf-16-le"), end + 2
for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
    for n in t.directory.entries:
        for lang in n.directory.entries:
            raw = data(lang)
            if t.id == 4:  # menu: header, then flags, id (not for pop-ups), text
                at, items = 4, []
                while at < len(raw):
                    flags = int.from_bytes(raw[at:at + 2], "little")
                    at += 2 if flags & 0x10 else 4
                    text, at = wide(raw, at)
                    if text:
                        items.append(text.replace("&", ""))
                print("  menu %d: %s" % (n.id, " | ".join(items)))
            elif t.id == 6:  # string block: 16 counted UTF-16 strings
                at, first = 0, (n.id - 1) * 16
                for i in range(16):
                    count = int.from_bytes(raw[at:at + 2], "little")
                    if count:
                        print("  string %d: %s" % (first + i, raw[at + 2:at + 2 + 2 * count].decode("utf-16-le")))
                    at += 2 + 2 * count
PY
}
# The check of a run: the difference left between a patched program and the translation
# must be the empty resource image (the version resource aside, which a patch keeps).
expect_translated() {
  local left=$1
  if [ "$(stat -c %s "$left")" -ne 32 ]; then
    echo "FAILED: the patched program does not hold the translation ($left)"
    exit 1
  fi
  echo "the patched program holds every resource of the translation (the version aside)"
}

step "building vandolin and the stub"
configure "$native"
configure "$win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake"
cmake --build "$native" -j"$jobs" --target vandolin >/dev/null
cmake --build "$win32" -j"$jobs" --target zedevaviz >/dev/null
vandolin="$native/tools/vandolin/vandolin"
stub="$win32/app/zedevaviz.exe"
echo "vandolin: $vandolin"
echo "stub:     $stub"

rm -rf "$work"
mkdir -p "$work/native" "$work/wine"
cd "$work"

step "building the sample program and its Russian resources"
show i686-w64-mingw32-windres -I "$root/sample" "$root/sample/app_en.rc" -o app_en.o
show i686-w64-mingw32-gcc -O1 -mwindows -s -I "$root/sample" -o sample.exe "$root/sample/app.c" app_en.o
show i686-w64-mingw32-windres -I "$root/sample" -O res "$root/sample/app_ru.rc" -o app_ru.res
printf 'Start the patcher in the folder that holds sample.exe and press Start.\r\nA copy of the English program is kept as "sample Backup.exe".\r\n' >instructions.txt

step "making the patcher"
show "$vandolin" make --stub "$stub" --target sample.exe --res app_ru.res \
  --author "Zedevaviz sample" --email "sample@zedevaviz.org" \
  --note "Russian translation of the sample program" --instructions instructions.txt \
  -o sample_ru_patch.exe

step "what the patcher carries"
show "$vandolin" show sample_ru_patch.exe --target sample.exe

step "resources of the program before the patch"
cp sample.exe native/sample.exe
show "$vandolin" list native/sample.exe
texts native/sample.exe

step "patching a copy with vandolin apply"
(cd native && show "$vandolin" apply ../sample_ru_patch.exe -guiless)
step "resources of the program after the patch"
show "$vandolin" list native/sample.exe
texts native/sample.exe
# What is left between the patched program and the translation: nothing but the version.
show "$vandolin" diff native/sample.exe app_ru.res -o native/left.res
expect_translated native/left.res

if command -v wine >/dev/null 2>&1; then
  step "patching another copy with the patcher itself under Wine"
  cp sample.exe sample_ru_patch.exe wine/
  (cd wine && show bash "$root/scripts/wine-run.sh" sample_ru_patch.exe -guiless)
  show "$vandolin" list wine/sample.exe
  texts wine/sample.exe
  show "$vandolin" diff wine/sample.exe app_ru.res -o wine/left.res
  expect_translated wine/left.res
else
  step "Wine is not installed: the patcher itself was not run"
fi

step "done: the files are in $work"
