#!/usr/bin/env bash
# Minimise, maximise and restore through WM_SYSCOMMAND, as Windows reports
# them; a resize drag on the border.
source "${E2E_LIB:?}"

start_probe main --caption "Probe States" --sizable --rect 200,150,400,300
WID=$(window_of "Probe States")
xdotool windowfocus --sync "$WID"
# The probe's one-shot start-up timer must not land among the messages the
# restore below is checked by.
wait_log main '^WM_TIMER 7$'

xdotool key F6
wait_log main '^WM_SIZE 2 1920 1080$'
wait_until 5 "the maximised window" geometry_is "$WID" "0 0 1920 1080"
screenshot maximised
xdotool key F7
wait_log main '^WM_SIZE 0 400 300$'
wait_until 5 "the restored window" geometry_is "$WID" "200 150 400 300"

xdotool key F5
wait_log main '^WM_SIZE 1 0 0$'
wait_until 5 "the minimised window off the screen" geometry_is "$WID" "-32000 -32000 160 28"
# Restored from another process, as a taskbar would (SC_RESTORE).
"$PROBE" --find "Probe States" --post 0x112 0xF120 0 >"$ART/restore.log"
wait_log main '^WM_SYSCOMMAND 0xF120$'
wait_until 5 "the window back" geometry_is "$WID" "200 150 400 300"
expect_eq "$(tail -n 1 "$ART/main.log" | cut -d' ' -f1)" "WM_SIZE" "last message after restoring"

# Drag the bottom-right corner: the desktop resizes, the window hears of it.
xdotool mousemove 598 448 mousedown 1
wait_log main '^WM_NCLBUTTONDOWN 17$'
# The desktop takes over with the first motion; the pointer moves on.
xdotool mousemove 620 470
wait_until 5 "the desktop's resize" grep -q "the desktop resizes the window" "$ART/main.err"
xdotool mousemove 660 520 mousemove 698 548
wait_log main '^WM_SIZE 0 500 400$'
# Beyond the maximum track size (520 x 420) the window stops growing.
xdotool mousemove 760 620 mousemove 850 700
xdotool mouseup 1
wait_until 5 "the resized window" geometry_is "$WID" "200 150 520 420"
wait_log main '^WM_SIZE 0 520 420$'
wait_log main '^WM_EXITSIZEMOVE$'
# Each step of the way is reported once, nothing bounces back.
expect_eq "$(grep -c '^WM_SIZE 2 ' "$ART/main.log")" 1 "WM_SIZE while maximised"
screenshot resized
