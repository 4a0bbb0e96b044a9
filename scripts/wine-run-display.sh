#!/usr/bin/env bash
# Runs a Windows program that makes windows under Wine on an X display of its
# own: `wine-run-display.sh PROGRAM ARGS...` (ctest's command for such
# programs). LUMORA_XVFB_DISPLAY names the display number to use (a
# developer's own, when several run Xvfb at once); unset, xvfb-run picks a
# free one. The programs get a Wine prefix of their own (WINEPREFIX with
# "-display" appended), made on first use, so that no wineserver of the
# display-less tests is shared with them.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this build}"
export WINEPREFIX="${WINEPREFIX}-display"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset WAYLAND_DISPLAY
if [ -n "${LUMORA_XVFB_DISPLAY:-}" ]; then
  server=(-n "$LUMORA_XVFB_DISPLAY")
else
  server=(-a)
fi
# The program's exit code is the test's; the server goes when it ends.
exec xvfb-run "${server[@]}" -s "-screen 0 1280x1024x24 -noreset" bash -c '
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init
    wineserver --wait
  fi
  wine "$@"
  status=$?
  wineserver --kill 2>/dev/null || true
  exit $status
' wine-run-display "$@"
