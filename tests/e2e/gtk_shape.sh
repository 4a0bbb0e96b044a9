#!/usr/bin/env bash
# Transparency: a per-pixel-alpha window and a window with a rounded region
# show the desktop through their corners and take no clicks there.
source "${E2E_LIB:?}"

start_probe layered --caption "Probe Layered" --layered --rect 300,300,300,200
start_probe region --caption "Probe Region" --region --rect 800,300,300,200
LAYERED=$(window_of "Probe Layered")
REGION=$(window_of "Probe Region")
wait_until 5 "the layered window" geometry_is "$LAYERED" "300 300 300 200"
wait_until 5 "the region window" geometry_is "$REGION" "800 300 300 200"

# The corners are cut out: the root shows there, the body inside.
shapes_shown() {
  screenshot shapes
  [ "$(pixel shapes 400 400)" = 2A6FB0 ] && [ "$(pixel shapes 900 400)" = 2A6FB0 ]
}
wait_until 5 "painted windows" shapes_shown
for x in 300 800; do
  expect_pixel shapes $((x + 24)) 305 1B2A3A
  [ "$(pixel shapes $((x + 1)) 301)" != 1B2A3A ] || fail "the corner of the window at $x is not cut"
  [ "$(pixel shapes $((x + 298)) 498)" != 2A6FB0 ] || fail "the corner of the window at $x is not cut"
done

for name in layered region; do
  [ "$name" = layered ] && x=300 || x=800
  # A click on a transparent corner pixel goes through to the desktop ...
  xdotool mousemove $((x + 1)) 301 click 1
  xdotool mousemove $((x + 298)) 498 click 1
  # ... one inside arrives, and is the only one.
  xdotool mousemove $((x + 150)) 400 click 1
  wait_log "$name" '^WM_LBUTTONDOWN 150 100$'
  expect_eq "$(count_log "$name" '^WM_LBUTTONDOWN')" 1 "clicks that reached the $name window"
  # Just inside the rounded corner is inside.
  xdotool mousemove $((x + 12)) 488 click 1
  wait_log "$name" '^WM_LBUTTONDOWN 12 188$'
done
