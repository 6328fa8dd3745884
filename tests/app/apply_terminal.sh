#!/usr/bin/env bash
# `vandolin apply` as a user meets it on Linux: a patcher made from patch_stub.exe (which
# carries zedevaviz.exe's real dialog template) is run in a tmux terminal, its dialog read
# from the screen, Enter pressed to patch and again to close; then the window-less mode,
# -help, and a failing start. python3-pefile judges the patched files.
#
# Usage: apply_terminal.sh VANDOLIN MAKE_TEST_PATCHER FIXTURE_DIR SOURCE_DIR
set -u
vandolin=$1
make_patcher=$2
fixtures=$3
source_dir=$4

work=$(mktemp -d /tmp/zed-apply-terminal.XXXXXX)
session=zed-apply-$$
cleanup() {
  tmux kill-session -t "$session" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# patched FILE: the file's string table carries the patch's text.
patched() {
  /usr/bin/python3 "$source_dir/tests/patch/pe_resources.py" "$1" 2>/dev/null |
    grep -q "^6/1/1033 .*$(printf 'Patched target' | iconv -t UTF-16LE | od -An -tx1 | tr -d ' \n')"
}

# screen_has TEXT SECONDS: waits until the tmux screen shows TEXT.
screen_has() {
  for _ in $(seq $(($2 * 10))); do
    tmux capture-pane -p -t "$session" -S -200 | grep -qF -- "$1" && return 0
    sleep 0.1
  done
  return 1
}

cd "$work" || exit 1
cp "$fixtures/patch_target.exe" game.exe
"$make_patcher" "$fixtures/patch_stub.exe" "$fixtures/patch_update.res" Fix.exe \
  --input game.exe --output game_ru.exe --target game.exe --instructions "Press Start." ||
  { echo "FAIL: no patcher"; exit 1; }

# The dialog on the terminal.
tmux new-session -d -s "$session" -x 120 -y 50 \
  "cd '$work' && '$vandolin' apply Fix.exe; echo exit=\$?; sleep 30"
screen_has "== Fix - Vandolin Zedevaviz ==" 10 || fail "no dialog title on the terminal"
for text in "Исходный файл:" "(1) game.exe" "(2) game_ru.exe" "[x] Создать резервную копию файла" \
            "Введите верное имя и нажмите Пуск." "[Пуск: Enter]" "[Инструкции: i]"; do
  screen_has "$text" 2 || fail "the dialog does not show \"$text\""
done
tmux capture-pane -p -t "$session" > screen-before.txt
tmux send-keys -t "$session" Enter
screen_has "Успешно !" 20 || fail "no success on the status line"
screen_has "[Готово: Enter]" 5 || fail "button 1 does not read Готово"
tmux send-keys -t "$session" Enter
screen_has "exit=0" 10 || fail "the patcher did not end with 0 after the second Enter"
tmux capture-pane -p -t "$session" -S -200 > screen-after.txt
echo "--- the terminal dialog after patching:"
cat screen-after.txt
patched game_ru.exe || fail "game_ru.exe is not patched"
cmp -s game.exe "$fixtures/patch_target.exe" || fail "the input changed"

# Window-less: nothing on the terminal, the output patched, a backup of the old one.
rm -f game_ru.exe
cp "$fixtures/patch_target_v2.exe" game_ru.exe
out=$("$vandolin" apply "$work/Fix.exe" -guiless -force -dir "$work" 2>&1)
code=$?
[ "$code" -eq 0 ] || fail "-guiless exit code $code"
[ -z "$out" ] || fail "-guiless printed: $out"
patched game_ru.exe || fail "-guiless: game_ru.exe is not patched"
cmp -s "game_ru Backup.exe" "$fixtures/patch_target_v2.exe" || fail "-guiless: no backup"

# A failing window-less start: one error box (on stderr), exit code 0; -quiet: nothing.
rm -f game.exe
out=$("$vandolin" apply Fix.exe -guiless 2>&1 >/dev/null)
[ "$?" -eq 0 ] || fail "failing -guiless: exit code not 0"
case "$out" in
  "Ошибка"*"Файл не найден"*) ;;
  *) fail "failing -guiless shows: $out" ;;
esac
out=$("$vandolin" apply Fix.exe -guiless -quiet 2>&1)
[ -z "$out" ] || fail "-guiless -quiet printed: $out"

# -help shows the help box and reads no payload.
out=$("$vandolin" apply "$fixtures/patch_target.exe" -help 2>&1)
case "$out" in
  "Zedevaviz Help"*"-nobackup"*) ;;
  *) fail "-help shows: $out" ;;
esac

if [ "$failures" -gt 0 ]; then exit 1; fi
echo "ok: terminal dialog, -guiless, failing start and -help"
