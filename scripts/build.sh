#!/usr/bin/env bash
# Configures and builds one flavour of the project with Ninja.
#   scripts/build.sh run    → build/run   (optimised, for playing)
#   scripts/build.sh test   → build/test  (AddressSanitizer + UndefinedBehaviorSanitizer)
#   scripts/build.sh fuzz   → build/fuzz  (clang: the libFuzzer targets of tests/fuzz)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
flavour="${1:-run}"
shift || true
case "$flavour" in
  run) args=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_SANITIZE=OFF -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF) ;;
  test) args=(-DCMAKE_BUILD_TYPE=Debug -DLUMORA_SANITIZE=ON -DLUMORA_TESTS=ON -DLUMORA_BENCH=ON) ;;
  fuzz) args=(-DCMAKE_BUILD_TYPE=Debug -DLUMORA_SANITIZE=OFF -DLUMORA_TESTS=OFF -DLUMORA_BENCH=OFF -DLUMORA_FUZZ=ON
              -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++) ;;
  *) echo "usage: $0 run|test|fuzz [ninja targets...]" >&2; exit 2 ;;
esac
build="$root/build/$flavour"
cmake -S "$root" -B "$build" -G Ninja "${args[@]}" >/dev/null
cmake --build "$build" -j "${LUMORA_JOBS:-2}" -- "$@"
