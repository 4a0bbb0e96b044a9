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
  # A prefix is made once and then reused; wineboot returns when it is ready.
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    wine wineboot --init
  fi
  wineserver --wait
  exit 0
fi
exec wine "$@"
