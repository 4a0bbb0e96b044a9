#!/usr/bin/env bash
# MessageBox: a modal GtkMessageDialog with the caption as title, answered
# from the keyboard; the window keeps getting its messages meanwhile.
source "${E2E_LIB:?}"

start_probe main --caption "Probe Boxes"
WID=$(window_of "Probe Boxes")
xdotool windowfocus --sync "$WID"

xdotool key F2
BOX=$(window_of "Probe Box")
screenshot box
# Messages posted meanwhile are dispatched by the dialog's loop.
"$PROBE" --find "Probe Boxes" --post 2028 1 2 >/dev/null
wait_log main '^WM_USER_MESSAGE 2028 1 2$'
xdotool windowfocus --sync "$BOX" key Return
wait_log main '^MessageBox -> 1$'
wait_until 5 "the box to go" bash -c "! xdotool search --name '^Probe Box\$' >/dev/null"

# Escape answers Cancel.
xdotool windowfocus --sync "$WID" key F2
BOX=$(window_of "Probe Box")
xdotool windowfocus --sync "$BOX" key Escape
wait_log main '^MessageBox -> 2$'
