#!/usr/bin/env bash
# Another process finds the window by its exact caption and by its process,
# posts it message 2028, cannot post it pointer messages, and asks it to close.
source "${E2E_LIB:?}"

start_probe main --caption "Probe Cross"
MAIN=$PROBE_PID

"$PROBE" --find "Probe Cross" --post 2028 7 9 >"$ART/post.log" || fail "posting failed: $(cat "$ART/post.log")"
grep -qx "FOUND $MAIN" "$ART/post.log" || fail "found the wrong process: $(cat "$ART/post.log")"
wait_log main '^WM_USER_MESSAGE 2028 7 9$'

# Parameters keep their 64 bits and their sign.
"$PROBE" --find "Probe Cross" --post 2029 0x123456789 -2 >/dev/null
wait_log main '^WM_USER_MESSAGE 2029 4886718345 -2$'

# WM_SETTEXT would carry a pointer into the sender: refused, the window lives on.
"$PROBE" --find "Probe Cross" --post 0x000C 0 4096 >/dev/null
"$PROBE" --find "Probe Cross" --post 2027 1 1 >/dev/null
wait_log main '^WM_USER_MESSAGE 2027 1 1$'
kill -0 "$MAIN" || fail "the window's process died"
window_of "Probe Cross" >/dev/null

# The caption must match exactly.
if "$PROBE" --find "Probe Cros" >"$ART/partial.log"; then fail "found a window by part of its caption"; fi
grep -qx NOT_FOUND "$ART/partial.log" || fail "unexpected answer: $(cat "$ART/partial.log")"

# The walk of the top-level windows finds the process's window.
"$PROBE" --find-pid "$MAIN" >"$ART/pid.log" || fail "no window of process $MAIN"
grep -qx "FOUND_PID Probe Cross" "$ART/pid.log" || fail "unexpected answer: $(cat "$ART/pid.log")"

# A close request ends it.
"$PROBE" --find "Probe Cross" --close >"$ART/close.log"
wait_log main '^WM_SYSCOMMAND 0xF060$'
wait_log main '^WM_DESTROY$'
wait "$MAIN" || fail "the probe exited with $?"
