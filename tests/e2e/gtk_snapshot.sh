#!/usr/bin/env bash
# The driver's snapshot on the gtk backend is what the X server shows of the
# window: the "snapshot" command reads the frame back through the backend
# (the surface's back buffer), and its pixels are the screen's at the
# window's place, in the same byte order and at the same offsets. The
# gallery is used for its many colours; its animated GIF moves between the two
# pictures and is left out of the comparison.
source "${E2E_LIB:?}"
GALLERY="${GALLERY:?}"

work="$ART/work"
mkdir -p "$work"
export LUMORA_PLATFORM=gtk
{
  echo "wait-window Kesto Gallery 30000"
  echo "tree Kesto Gallery"
  echo "wait-file $work/go 60000"
  echo "snapshot Kesto Gallery $ART/snapshot.png"
  echo "wait-file $work/done 60000"
  echo "quit 0"
} >"$work/driver.txt"
LUMORA_AUTOMATION="$work/driver.txt" LUMORA_AUTOMATION_LOG="$ART/driver.log" \
  "$GALLERY" >"$ART/gallery.out" 2>"$ART/gallery.err" &
GALLERY_PID=$!
PIDS+=("$GALLERY_PID")

xdotool mousemove 5 5
WID=$(window_of "Kesto Gallery")
wait_until 15 "the gallery centred" geometry_is "$WID" "410 180 1100 720"
painted() { screenshot screen && [ "$(pixel screen 430 190)" = 2B3A55 ]; }
wait_until 10 "a painted gallery" painted

touch "$work/go"
wait_until 10 "the snapshot" grep -q '^snapshot: ' "$ART/driver.log"
screenshot screen
touch "$work/done"

[ "$(identify -format '%wx%h' "$ART/snapshot.png")" = 1100x720 ] || fail "the snapshot is not the window's size"
[ "$(pixel snapshot 20 10)" = 2B3A55 ] || fail "the snapshot's title bar is not the window's colour"
# The GIF's rectangle (client coordinates: the window has no frame) from the
# driver's listing, painted over in both pictures.
gif=$(grep -m 1 -E 'name="gif" rect=' "$ART/driver.log") || fail "no GIF in the listing"
gif=${gif#*rect=}
read -r gl gt gr gb < <(echo "${gif%% *}" | tr , ' ')
cover=(-fill black -draw "rectangle $gl,$gt,$((gr - 1)),$((gb - 1))")
convert "$ART/screen.png" -crop 1100x720+410+180 +repage -alpha off "${cover[@]}" "$work/screen-window.png"
convert "$ART/snapshot.png" -alpha off "${cover[@]}" "$work/snapshot-opaque.png"
differing=$(compare -metric AE "$work/screen-window.png" "$work/snapshot-opaque.png" null: 2>&1 || true)
[[ "$differing" =~ ^[0-9]+$ ]] || fail "cannot compare the snapshot with the screen: $differing"
[ "$differing" = 0 ] || fail "$differing pixels of the snapshot differ from the screen"

code=0
wait "$GALLERY_PID" || code=$?
[ "$code" = 0 ] || fail "the gallery ended with code $code"
echo "gtk_snapshot: passed"
