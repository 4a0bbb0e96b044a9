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
  # A first boot can fail at once ("could not load kernel32.dll") and leave
  # a half-made prefix behind that every later start fails on too; it is
  # made anew once before the failure counts.
  for attempt in 1 2; do
    [ -f "$WINEPREFIX/system.reg" ] && break
    if wine wineboot --init; then
      # wineboot returns before the server has written the registry out.
      wineserver --wait
      echo "$made_by" >"$WINEPREFIX/.made-by"
      break
    fi
    echo "wine-run: making the prefix failed (attempt $attempt)" >&2
    wineserver --kill 2>/dev/null || true
    rm -rf "$WINEPREFIX"
  done
  [ -f "$WINEPREFIX/system.reg" ]
  exit 0
fi
exec wine "$@"
