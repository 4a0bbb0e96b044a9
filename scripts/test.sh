#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer flavour and runs every test:
# unit and integration tests through ctest, then the end-to-end scripts.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
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
