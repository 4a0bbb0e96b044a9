#!/usr/bin/env bash
# A top-level window of the gtk backend: where it appears, what it shows, and
# how pointer, wheel, keys, hover, caption drags and double clicks reach its
# window procedure.
source "${E2E_LIB:?}"

start_probe main --caption "Probe Window" --rect 200,150,400,300 --thread-post 600
WID=$(window_of "Probe Window")
wait_until 5 "the window at its place" geometry_is "$WID" "200 150 400 300"
# The icons are given once the first frame is on the screen.
has_icon() { xprop -id "$WID" _NET_WM_ICON | grep -q "Icon (32 x 32)"; }
wait_until 5 "the window's 32x32 icon" has_icon
if xprop -id "$WID" _NET_WM_STATE | grep -q SKIP_TASKBAR; then fail "an unowned window left off the taskbar"; fi
wait_log main '^WM_TIMER 7$'
# Posted from another thread while the loop waits on GLib with nothing due.
wait_log main '^WM_USER_MESSAGE 1101 1 2$'

# What it shows: caption strip, body, the button.
screenshot shown
expect_pixel shown 260 160 1B2A3A
expect_pixel shown 260 300 2A6FB0
expect_pixel shown 540 230 E0A020

# Clicks arrive in client coordinates; the button area is hit.
xdotool mousemove 540 230 click 1
wait_log main '^WM_LBUTTONDOWN 340 80$'
wait_log main '^BUTTON_CLICK$'
wait_log main '^WM_LBUTTONUP 340 80$'
xdotool click 3
wait_log main '^WM_RBUTTONDOWN 340 80$'

# Resting pointer: hover after the hover time; leaving: WM_MOUSELEAVE.
xdotool mousemove 300 300
wait_log main '^WM_MOUSEHOVER 100 150$'
xdotool mousemove 1000 800
wait_log main '^WM_MOUSELEAVE$'

# Wheel notches, both ways.
xdotool mousemove 300 300 click 4
wait_log main '^WM_MOUSEWHEEL 120$'
xdotool click 5
wait_log main '^WM_MOUSEWHEEL -120$'

# Keys: virtual keys and the characters TranslateMessage makes of them.
xdotool windowfocus --sync "$WID"
wait_log main '^WM_ACTIVATE 1$'
xdotool key a
wait_log main '^WM_KEYDOWN 0x41$'
wait_log main '^WM_CHAR 0x0061$'
wait_log main '^WM_KEYUP 0x41$'
xdotool key shift+b
wait_log main '^WM_KEYDOWN 0x10$'
wait_log main '^WM_CHAR 0x0042$'
xdotool key Return Left
wait_log main '^WM_CHAR 0x000D$'
wait_log main '^WM_KEYDOWN 0x25$'
# A letter the keyboard layout lacks, mapped to a free key for good (xdotool's
# own map-type-unmap races the window's reading of the map under load).
free=$(xmodmap -pke | awk 'NF == 3 { k = $2 } END { print k }')
[ -n "$free" ] || fail "no free key code to map é to"
xmodmap -e "keycode $free = eacute Eacute"
xdotool key eacute
wait_log main '^WM_CHAR 0x00E9$'

# The tooltip window shows its text box where it was asked to.
xdotool key F3
wait_log main '^TOOLTIP 240 270$'
shot_tip() { screenshot tooltip && [ "$(pixel tooltip 242 272)" = FFFFE1 ]; }
wait_until 5 "the tooltip" shot_tip

# A drag in the caption moves the window with the pointer.
xdotool mousemove 300 165 mousedown 1
wait_log main '^WM_NCLBUTTONDOWN 2$'
# The desktop takes over with the first motion; the pointer moves on.
xdotool mousemove 320 185
wait_until 5 "the desktop's move" grep -q "the desktop moves the window" "$ART/main.err"
xdotool mousemove 360 215 mousemove 380 245
xdotool mouseup 1
wait_until 5 "the dragged window" geometry_is "$WID" "280 230 400 300"
wait_log main '^WM_MOVE 280 230$'
wait_log main '^WM_EXITSIZEMOVE$'
screenshot dragged
expect_pixel dragged 340 380 2A6FB0

# Clicks still land right after the move; a double click on the caption is a
# non-client double click.
xdotool mousemove 380 380 click 1
wait_log main '^WM_LBUTTONDOWN 100 150$'
xdotool mousemove 500 240 click --repeat 2 --delay 60 1
wait_log main '^WM_NCLBUTTONDBLCLK 2$'
wait_until 5 "the window to stay put" geometry_is "$WID" "280 230 400 300"

# Escape closes it and the message loop ends.
xdotool mousemove 380 380 click 1 key Escape
wait_log main '^QUIT 0$'
wait "$PROBE_PID" || fail "the probe exited with $?"
