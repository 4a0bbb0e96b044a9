#!/usr/bin/env bash
# Configures and builds one flavour of the project with Ninja.
#   scripts/build.sh run    → build/run   (optimised, for playing)
#   scripts/build.sh test   → build/test  (AddressSanitizer + UndefinedBehaviorSanitizer)
#   scripts/build.sh fuzz   → build/fuzz  (clang: the libFuzzer targets of tests/fuzz)
#   scripts/build.sh win64  → build/win64 (MinGW-w64, 64-bit Windows programs; tests run under Wine)
#   scripts/build.sh win32  → build/win32 (MinGW-w64, 32-bit Windows programs)
# The Windows flavours first build their libcurl and jsoncpp once into
# build/win64-deps or build/win32-deps, or where LUMORA_WIN_DEPS_PREFIX says
# (scripts/build-win-deps.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-run}"
shift || true
case "$flavour" in
  run) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_SANITIZE=OFF -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF) ;;
  test) args=(-DCMAKE_BUILD_TYPE=Debug -DLUMORA_SANITIZE=ON -DLUMORA_TESTS=ON -DLUMORA_BENCH=ON) ;;
  fuzz) args=(-DCMAKE_BUILD_TYPE=Debug -DLUMORA_SANITIZE=OFF -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF -DLUMORA_FUZZ=ON
              -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  win64|win32)
    bash "$root/scripts/build-win-deps.sh" "$flavour"
    triplet=x86_64-w64-mingw32
    [ "$flavour" = win32 ] && triplet=i686-w64-mingw32
    args=(-DCMAKE_BUILD_TYPE=Debug -DLUMORA_SANITIZE=OFF -DLUMORA_TESTS=ON -DLUMORA_BENCH=OFF
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$triplet.cmake"
          -DLUMORA_WIN_DEPS_PREFIX="${LUMORA_WIN_DEPS_PREFIX:-$root/build/$flavour-deps}") ;;
  *) echo "usage: $0 run|test|fuzz|win64|win32 [ninja targets...]" >&2; exit 2 ;;
esac
build="$root/build/$flavour"
cmake -S "$root" -B "$build" -G Ninja "${args[@]}" >/dev/null
cmake --build "$build" -j "${LUMORA_JOBS:-2}" -- "$@"
