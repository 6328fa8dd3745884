#!/usr/bin/env bash
# Runs a Windows program under Wine the way the tests need it: quiet, with its own prefix,
# with code page 1251 for the program's Russian texts, and a virtual display when there is
# no display (the programs may show message boxes or dialogs).
set -u
export WINEDEBUG=-all
export WINEPREFIX=${WINEPREFIX:-${ZED_WINEPREFIX:-$HOME/.wine-zedevaviz}}
export LC_ALL=${ZED_WINE_LOCALE:-ru_RU.UTF-8}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
if [ ! -d "$WINEPREFIX" ]; then
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
fi
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$@"
fi
exec wine "$@"
