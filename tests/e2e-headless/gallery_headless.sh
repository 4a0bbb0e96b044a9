#!/usr/bin/env bash
# The gallery binary on the headless backend, driven by its automation
# driver: the window comes, clicked controls report their notifications in
# the log KESTO_GALLERY_LOG names (and the status line shows the last one),
# a snapshot of the window is written, and "quit" ends it with code 0. Keeps
# the snapshot and logs under $E2E_ARTIFACTS/gallery_headless/.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${LUMORA_BUILD_DIR:-$root/build/test}"
gallery="${GALLERY:-$build/gallery/kesto-gallery}"
artifacts="${E2E_ARTIFACTS:-$build/e2e-artifacts}/gallery_headless"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"
rm -rf "$artifacts"
mkdir -p "$artifacts"

fail() {
  echo "FAIL: $*" >&2
  for f in "$artifacts"/*.log; do echo "--- $f" >&2; cat "$f" >&2; done
  exit 1
}

tags=$("$gallery" --tags) || fail "--tags failed"
grep -qx Button <<<"$tags" || fail "--tags does not list Button: $tags"

cat >"$artifacts/driver.txt" <<SCRIPT
wait-window Kesto Gallery
click button
click option_blue
click tab_child
click childbutton
tree Kesto Gallery
snapshot Kesto Gallery $artifacts/gallery.png
quit 0
SCRIPT
code=0
LUMORA_PLATFORM=headless LUMORA_AUTOMATION="$artifacts/driver.txt" LUMORA_AUTOMATION_LOG="$artifacts/driver.log" \
  KESTO_GALLERY_LOG="$artifacts/notify.log" timeout 60 "$gallery" >"$artifacts/out.log" 2>&1 || code=$?
[ "$code" = 0 ] || fail "the gallery ended with $code"
! grep -q '^error:' "$artifacts/driver.log" || fail "the driver reported errors"

expected=("windowinit - 0 0" "click button 0 0" "selectchanged option_blue 0 0" "click tab_child 0 0"
  "click childbutton 0 0")
at=0
for line in "${expected[@]}"; do
  n=$(grep -nxF -- "$line" "$artifacts/notify.log" | head -n 1 | cut -d: -f1)
  [ -n "$n" ] && [ "$n" -gt "$at" ] || fail "'$line' missing from the log, or out of order"
  at=$n
done
# The status line showed the last notification before the listing.
last=$(tail -n 1 "$artifacts/notify.log")
grep -qF "LabelUI name=\"status\" rect=0,694,1100,720 visible text=\"$last\"" "$artifacts/driver.log" ||
  fail "the status line does not show '$last'"
[ "$(identify -format '%wx%h' "$artifacts/gallery.png")" = 1100x720 ] || fail "no 1100×720 snapshot"
echo "gallery_headless: ok"
