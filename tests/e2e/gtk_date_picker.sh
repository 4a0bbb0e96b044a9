#!/usr/bin/env bash
# The date picker's drop-down calendar: a click on the field drops it under
# the field; the arrow keys and Enter pick a day; Page Down and the
# calendar's own arrow move through the months and a click on a day picks
# it; Escape and a click outside close it without a change; the window stays
# active throughout.
source "${E2E_LIB:?}"

start_probe main --caption "Probe Date" --date --rect 200,150,400,320
WID=$(window_of "Probe Date")
xdotool windowfocus --sync "$WID"
screenshot closed

calendar_open() { [ -n "$(xdotool search --onlyvisible --name '^gtk_probe$' 2>/dev/null)" ]; }
calendar_closed() { ! calendar_open; }

# The field lies at (20,240) in the window, 160x26: screen (220,390).
open_calendar() {
  local before
  before=$(count_log main '^DTN_DROPDOWN$')
  xdotool mousemove 260 403 click 1
  wait_log main "^DTN_DROPDOWN\$"
  wait_until 5 "the calendar to show" calendar_open
  expect_eq "$(count_log main '^DTN_DROPDOWN$')" $((before + 1)) "drop-downs"
}

open_calendar
CAL=$(xdotool search --onlyvisible --name '^gtk_probe$' | head -n 1)
read -r CX CY _ _ <<<"$(geometry "$CAL")"
expect_eq "$CX $CY" "220 416" "calendar position (under the field)"
screenshot open

# Keys: two days on from 2025-03-14, picked with Enter.
xdotool key Right Right Return
wait_log main '^DTN_DATETIMECHANGE 2025-03-16$'
wait_log main '^DTN_CLOSEUP$'
wait_until 5 "the calendar to close" calendar_closed

# Months: Page Down to April, the header's arrow to May, then a click on
# the fourth row's Thursday, the 22nd.
open_calendar
xdotool key Next
xdotool mousemove 315 429 click 1
xdotool mousemove 351 522 click 1
wait_log main '^DTN_DATETIMECHANGE 2025-05-22$'
wait_until 5 "the calendar to close" calendar_closed
screenshot picked
expect_eq "$(count_log main '^DTN_DATETIMECHANGE')" 2 "changes"

# Escape, and a click outside: closed, nothing changed.
open_calendar
xdotool key Escape
wait_until 5 "Escape to close the calendar" calendar_closed
open_calendar
xdotool mousemove 500 250 click 1
wait_until 5 "a click outside to close the calendar" calendar_closed
expect_eq "$(count_log main '^DTN_CLOSEUP$')" 4 "close-ups"
expect_eq "$(count_log main '^DTN_DATETIMECHANGE')" 2 "changes after closing without a pick"
# The calendar's grab is no deactivation of the window.
expect_eq "$(count_log main '^WM_ACTIVATE 0')" 0 "deactivations"

# The field shows the picked date: its text's pixels changed.
convert "$ART/closed.png" -crop 130x26+222+390 "$ART/field-before.png"
convert "$ART/picked.png" -crop 130x26+222+390 "$ART/field-after.png"
diff_pixels=$(compare -metric AE "$ART/field-before.png" "$ART/field-after.png" null: 2>&1 || true)
[ "${diff_pixels%% *}" -gt 20 ] || fail "the field's text did not change on screen ($diff_pixels pixels)"
