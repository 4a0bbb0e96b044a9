#!/usr/bin/env bash
# The native edit widget: typing changes its text, the limit holds, Enter and
# Tab go to its window procedure, and the focus moves between it and the
# painted window as the window system says.
source "${E2E_LIB:?}"

start_probe main --caption "Probe Edit" --edit --rect 200,150,400,300
WID=$(window_of "Probe Edit")
xdotool windowfocus --sync "$WID"

# Click into the edit (at 20,200 in the window) and type.
xdotool mousemove 260 363 click 1
wait_log main '^EDIT_FOCUS 1$'
xdotool type hello
wait_log main '^EN_CHANGE hello$'
screenshot typed
xdotool key Return
wait_log main '^EDIT_RETURN hello$'
expect_eq "$(count_log main '^WM_CHAR')" 0 "characters that went past the edit"

# The limit is 12 units: the rest of the typing is refused.
xdotool type 'world wide web'
wait_log main '^EN_CHANGE helloworld w$'
xdotool key x
xdotool key BackSpace
wait_log main '^EN_CHANGE helloworld $'
expect_eq "$(count_log main 'EN_CHANGE helloworld wx')" 0 "text beyond the limit"

# A click in the painting takes the keyboard back to the window.
xdotool mousemove 300 200 click 1
wait_log main '^WM_SETFOCUS$'
xdotool key q
wait_log main '^WM_CHAR 0x0071$'
# F8 gives the edit the focus again; Tab leaves it through its procedure.
xdotool key F8 type z
wait_log main '^EN_CHANGE helloworld z$'
xdotool key Tab
wait_log main '^EDIT_TAB$'
xdotool key r
wait_log main '^WM_CHAR 0x0072$'
screenshot final

# A selection set from the program is what typing replaces.
xdotool key F9
wait_log main '^EDIT_SELECTION 0 5$'
xdotool key F8 type J
wait_log main '^EN_CHANGE Jworld z$'
# Typing over the selection is one change, as on Windows.
expect_eq "$(count_log main '^EN_CHANGE world z$')" 0 "changes reported halfway through typing over a selection"
# Read-only: typing changes nothing, Enter still reaches the procedure.
xdotool key Tab F11 F8 type k
xdotool key Return
wait_log main '^EDIT_RETURN Jworld z$'
expect_eq "$(count_log main '^EN_CHANGE .*k')" 0 "typing into a read-only edit"
