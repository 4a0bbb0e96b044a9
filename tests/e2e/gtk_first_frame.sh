#!/usr/bin/env bash
# When the window system says a window's first frame reached the desktop, its
# pixels are there: the program stops at that moment and the screen is taken.
# For a window that blits and for a layered one, each also made small and
# given its size before it is shown (as a window that takes its size from a
# skin is). The launcher's start-up figures count up to that moment.
source "${E2E_LIB:?}"

for kind in plain layered plain-grown layered-grown; do
  args=(--caption "Probe $kind" --rect 300,200,400,300 --hold-first-frame 3000)
  [[ "$kind" = layered* ]] && args+=(--layered)
  [[ "$kind" = *-grown ]] && args+=(--grow-before-show)
  "$PROBE" "${args[@]}" >"$ART/$kind.log" 2>"$ART/$kind.err" &
  PIDS+=($!)
  wait_log "$kind" '^FIRST_FRAME$'
  screenshot "$kind-first-frame"
  # Caption strip and body.
  expect_pixel "$kind-first-frame" 500 210 1B2A3A
  expect_pixel "$kind-first-frame" 500 350 2A6FB0
  # Gone before the next one, which takes the same place: the pixels checked
  # must be the new window's own, and a probe whose hold ends raises itself.
  kill "${PIDS[-1]}"
  wait "${PIDS[-1]}" 2>/dev/null || true
done

# GTK does not draw a shown window before its first frame; a window that
# never presents pixels of its own still gets GTK's drawing after a moment:
# its edit widget appears.
start_probe silent --caption "Probe silent" --rect 300,200,400,300 --edit --no-paint
edit_drawn() {
  screenshot silent
  [ "$(pixel silent 420 413)" = "FFFFFF" ]
}
wait_until 5 "the edit of a window that paints nothing" edit_drawn
