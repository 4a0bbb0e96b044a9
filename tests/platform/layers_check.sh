#!/usr/bin/env bash
# The platform's include and link checks fail on forbidden edges and pass
# edges that are allowed.
set -euo pipefail
scripts="$(cd "$(dirname "$0")/../.." && pwd)/scripts"
check="$scripts/check-platform-layers.sh"
links="$scripts/check-platform-links.sh"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

make_tree() {
  rm -rf "$scratch/platform"
  for group in base gfx window syscontrols system com; do mkdir -p "$scratch/platform/$group/internal"; done
  printf '#pragma once\n' >"$scratch/platform/base/Types.h"
  printf '#include "platform/base/Types.h"\n' >"$scratch/platform/gfx/Canvas.h"
  printf '#include "platform/gfx/Canvas.h"\n#include <vector>\n' >"$scratch/platform/window/Window.h"
  printf '#include "platform/window/Window.h"\n' >"$scratch/platform/window/internal/State.h"
  printf '#include "platform/window/internal/State.h"\n' >"$scratch/platform/syscontrols/Edit.cpp"
  printf '#include "platform/base/Types.h"\n' >"$scratch/platform/system/Shell.h"
  printf '#include "platform/system/Shell.h"\n#include "platform/window/Window.h"\n' >"$scratch/platform/com/Ole.h"
}

expect_refused() {
  local what="$1" file="$2" line="$3" message="$4"
  make_tree
  printf '%s\n' "$line" >>"$scratch/platform/$file"
  local out
  if out="$(bash "$check" "$scratch" 2>&1)"; then
    echo "FAIL: $what was let through" >&2
    exit 1
  fi
  if [[ "$out" != *"$message"* ]]; then
    echo "FAIL: $what: expected '$message' in: $out" >&2
    exit 1
  fi
}

make_tree
bash "$check" "$scratch" >/dev/null || { echo "FAIL: an allowed tree was refused" >&2; exit 1; }

expect_refused "a group using one above it" gfx/Canvas.h '#include "platform/window/Window.h"' \
  "platform/gfx/Canvas.h includes platform/window/Window.h"
expect_refused "system using window" system/Shell.h '#include "platform/window/internal/State.h"' \
  "system may use only: base"
expect_refused "base using anything" base/Types.h '#  include <platform/gfx/Canvas.h>' \
  "base may use only: nothing"
expect_refused "syscontrols using com" syscontrols/Edit.cpp '#include "platform/com/Ole.h"' \
  "platform/syscontrols/Edit.cpp includes platform/com/Ole.h"
expect_refused "a path from before the grouping" window/Window.h '#include "platform/Flat.h"' \
  "belongs to no group"
expect_refused "a backend header" window/Window.h '#include "platform/headless/Headless.h"' \
  "belongs to no group"
# Object code: window calling into syscontrols is refused; the other way is fine.
printf 'namespace os { void Registered(); void Start() { Registered(); } }\n' >"$scratch/upper.cpp"
printf 'namespace os { void Registered() {} }\n' >"$scratch/lower.cpp"
"${CXX:-c++}" -c "$scratch/upper.cpp" -o "$scratch/upper.o"
"${CXX:-c++}" -c "$scratch/lower.cpp" -o "$scratch/lower.o"
if out="$(bash "$links" window="$scratch/upper.o" syscontrols="$scratch/lower.o" 2>&1)"; then
  echo "FAIL: window needing a syscontrols symbol was let through" >&2
  exit 1
fi
[[ "$out" == *"window needs os::Registered(), which syscontrols defines"* ]] || {
  echo "FAIL: unexpected link report: $out" >&2
  exit 1
}
bash "$links" syscontrols="$scratch/upper.o" window="$scratch/lower.o" >/dev/null ||
  { echo "FAIL: syscontrols needing a window symbol was refused" >&2; exit 1; }
echo "ok"
