#!/usr/bin/env bash
# Shared code reaches a backend only through the platform's own calls
# (platform/window/Backend.h and what it serves): no file outside the backends
# includes a backend's headers or the desktop toolkit's. The exceptions are
# the backends themselves, tests and benchmarks (which drive a backend on
# purpose), and the programs' main.cpp, which pick and register a backend.
#   backend_reach_ins.sh [SOURCE_DIR]   checks the tree (default: this checkout)
#   backend_reach_ins.sh --self-test    shows that a reach-in is caught
set -euo pipefail

check() {
  local root="$1"
  local pattern='^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]((platform/)?(gtk|headless)/|(gdk|X11|webkit2|JavaScriptCore)/)'
  local found
  found="$(cd "$root" && grep -rnE --include='*.cpp' --include='*.h' --include='*.cc' --include='*.hpp' "$pattern" . |
    sed 's|^\./||' |
    grep -vE '^(platform/gtk/|platform/headless/|tests/|bench/|build[^/]*/|[^/]+/main\.cpp:)' || true)"
  if [ -n "$found" ]; then
    echo "shared code includes a backend's headers; add a platform call instead:" >&2
    echo "$found" >&2
    return 1
  fi
}

if [ "${1:-}" = "--self-test" ]; then
  scratch="$(mktemp -d)"
  trap 'rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/platform/headless" "$scratch/automation" "$scratch/app" "$scratch/tests/platform"
  echo '#include "platform/headless/Headless.h"' > "$scratch/platform/headless/Own.cpp"
  echo '#include "platform/gtk/Gtk.h"' > "$scratch/app/main.cpp"
  echo '#include "platform/headless/Headless.h"' > "$scratch/tests/platform/Test.cpp"
  check "$scratch" || { echo "self-test: an allowed include was refused" >&2; exit 1; }
  for reach in '#include "platform/headless/StaticBrowser.h"' '#include <gtk/gtk.h>' '  #  include "gtk/Gtk.h"'; do
    echo "$reach" > "$scratch/automation/Driver.cpp"
    if check "$scratch" 2>/dev/null; then
      echo "self-test: not caught: $reach" >&2
      exit 1
    fi
  done
  echo "self-test: reach-ins are caught"
  exit 0
fi

check "${1:-$(cd "$(dirname "$0")/../.." && pwd)}"
echo "no reach-ins into a backend"
