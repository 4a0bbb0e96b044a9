#!/usr/bin/env bash
# Per-pixel alpha with a compositor running: a layered window is drawn with
# an alpha channel and blended over the desktop (a half-covered band shows
# the grey beneath it mixed in), fully transparent pixels show the desktop and
# let clicks through, covered ones take them.
source "${E2E_LIB:?}"

xsetroot -solid '#808080'
xcompmgr >"$ART/xcompmgr.log" 2>&1 &
PIDS+=($!)
# A window takes its visual when it is made: the compositor must own the
# screen first (its selection window exists then).
compositor_up() { xwininfo -root -children 2>/dev/null | grep -q '"xcompmgr"'; }
wait_until 10 "the compositor" compositor_up
start_probe layered --caption "Probe Layered" --layered --rect 300,300,300,200
LAYERED=$(window_of "Probe Layered")
wait_until 5 "the layered window" geometry_is "$LAYERED" "300 300 300 200"

# Within two steps of rounding of (0x15,0x37,0x58) + (1 - 128/255) × 0x80 each.
near() {  # SHOT X Y RRGGBB
  local got want i d
  got=$(pixel "$1" "$2" "$3")
  want=$4
  for i in 0 2 4; do
    d=$((16#${got:i:2} - 16#${want:i:2}))
    [ "${d#-}" -le 2 ] || return 1
  done
}
# The blended frame shows once the compositor has drawn it.
blended() { screenshot blended && [ "$(pixel blended 400 400)" = 2A6FB0 ] && near blended 360 450 557798; }
wait_until 10 "the band blended with the desktop" blended
expect_pixel blended 301 301 808080
expect_pixel blended 324 305 1B2A3A

# A click on a transparent corner goes through; one on the band arrives.
xdotool mousemove 301 301 click 1
xdotool mousemove 360 450 click 1
wait_log layered '^WM_LBUTTONDOWN 60 150$'
expect_eq "$(count_log layered '^WM_LBUTTONDOWN')" 1 "clicks that reached the layered window"
