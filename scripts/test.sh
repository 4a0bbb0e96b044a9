#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer flavour and runs every test:
# unit and integration tests through ctest, then the end-to-end scripts; then,
# where the MinGW-w64 compilers and Wine are present, the Windows build's unit
# tests under Wine and the 32-bit Windows build; then, where clang is present, the fuzz targets of
# tests/fuzz. CI (CI set) installs the Windows tools too; LUMORA_WINDOWS=1
# asks for them elsewhere, LUMORA_WINDOWS=0 skips the Windows stage.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
windows="${LUMORA_WINDOWS:-}"
if [ -z "$windows" ] && [ -n "${CI:-}" ]; then
  windows=1
fi
if [ "$windows" = 1 ]; then
  bash "$root/scripts/install-deps.sh" windows
else
  bash "$root/scripts/install-deps.sh"
fi
bash "$root/scripts/build.sh" test
cd "$root/build/test"
# LeakSanitizer is off: GLib, fontconfig and the web engine keep process-lifetime
# caches that it would report as leaks.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# A test that fails is run once more before it counts as failed: the
# end-to-end scripts drive real X servers, input timing and a web engine on a
# small machine, where a wait can run out under load. Its first failure stays
# in the output.
ctest --output-on-failure -j "${LUMORA_JOBS:-2}" --timeout 300 --repeat until-pass:2

# The Windows build (64-bit, MinGW-w64): its unit tests as Windows programs
# under Wine, a check that each imports system DLLs only, and morvaine.exe's
# journey under Wine against the portal the Linux build above made.
# Its libcurl and jsoncpp are built once (about four minutes on two cores) and
# reused by later runs: into build/win64-deps, or under CI, whose every run is
# a fresh clone, into the machine's cache folder. Its tests get a second run
# too: Wine's first start on a machine can fail outright, and the journey
# drives a display as the end-to-end scripts do.
if [ "$windows" != 0 ] && command -v x86_64-w64-mingw32-g++-posix >/dev/null 2>&1 &&
   command -v wine >/dev/null 2>&1; then
  if [ -n "${CI:-}" ] && [ -z "${LUMORA_WIN_DEPS_PREFIX:-}" ]; then
    export LUMORA_WIN_DEPS_PREFIX="${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/lumora/win64-deps"
  fi
  bash "$root/scripts/build.sh" win64
  (cd "$root/build/win64" && ctest --output-on-failure -j "${LUMORA_JOBS:-2}" --timeout 300 --repeat until-pass:2)
fi
# The 32-bit program (i686): built, and its programs' imports checked; its
# tests run only where Wine can start 32-bit programs (wine32).
if [ "$windows" != 0 ] && command -v i686-w64-mingw32-g++-posix >/dev/null 2>&1; then
  win32_deps=()
  if [ -n "${CI:-}" ]; then
    win32_deps=(env LUMORA_WIN_DEPS_PREFIX="${XDG_CACHE_HOME:-${HOME:-/tmp}/.cache}/lumora/win32-deps")
  else
    win32_deps=(env -u LUMORA_WIN_DEPS_PREFIX)
  fi
  "${win32_deps[@]}" bash "$root/scripts/build.sh" win32
  (cd "$root/build/win32" && ctest --output-on-failure -j "${LUMORA_JOBS:-2}" --timeout 300 --repeat until-pass:2)
fi

# The fuzz flavour (clang, libFuzzer): each target replays its seed corpus and
# then fuzzes for LUMORA_FUZZ_SECONDS (20 s), two targets at a time, which
# keeps the stage within about five minutes on two cores.
if command -v clang++ >/dev/null 2>&1; then
  bash "$root/scripts/build.sh" fuzz fuzz_targets
  cd "$root/build/fuzz"
  ctest -L fuzz --output-on-failure -j "${LUMORA_JOBS:-2}" --timeout 300
fi
