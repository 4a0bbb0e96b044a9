#!/usr/bin/env bash
# Runs a Windows program under Wine for ctest (the Windows build's
# CMAKE_CROSSCOMPILING_EMULATOR): `wine-run.sh PROGRAM ARGS...`, or
# `wine-run.sh --boot` to make the prefix first. WINEPREFIX names the prefix
# (the build folder's own); Wine's debug channels are off, and its offers to
# install Mono and Gecko are declined: the test programs are console programs
# that need neither, nor a display.
set -euo pipefail
: "${WINEPREFIX:?WINEPREFIX must name the Wine prefix of this build}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
unset DISPLAY WAYLAND_DISPLAY
if [ "${1:-}" = "--boot" ]; then
  # A prefix is made once and then reused. One made before wine32 came (or
  # went) lacks (or has) the 32-bit system and cannot start 32-bit programs,
  # so it is made anew when the installed Wine loaders change.
  made_by="$(wine --version) $(ls /usr/lib/wine 2>/dev/null | tr '\n' ' ')"
  if [ -f "$WINEPREFIX/system.reg" ] && [ "$(cat "$WINEPREFIX/.made-by" 2>/dev/null)" != "$made_by" ]; then
    wineserver --kill 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init
    # wineboot returns before the server has written the registry out.
    wineserver --wait
    echo "$made_by" >"$WINEPREFIX/.made-by"
  fi
  exit 0
fi
exec wine "$@"
