#!/usr/bin/env bash
# The control gallery on a real X server, driven by xdotool: list rows picked
# by click and by key, a column widened by dragging its header separator, a
# combo opened and an item picked, a tree node expanded and checked, the
# slider dragged, text typed, selected, copied and pasted in the rich edit
# through the desktop clipboard, the animated GIF seen moving, a date set in
# the picker, the browser and child-layout tab pages. Each step is checked in
# the gallery's notification log and in screenshots, which stay in the
# artifacts folder. The gallery's automation driver only lists the controls
# (their rectangles and texts) when the script asks for it.
#
# A part whose control class is not in the program (the gallery lists the
# tags it can build with --tags) is skipped with a message naming the tag.
source "${E2E_LIB:?}"
GALLERY="${GALLERY:?}"

work="$ART/work"
mkdir -p "$work"
export LUMORA_PLATFORM=gtk
TAGS=$("$GALLERY" --tags) || fail "kesto-gallery --tags failed"
echo "$TAGS" >"$ART/tags.txt"
has() { grep -qx "$1" <<<"$TAGS"; }
skipped() { echo "SKIP: no <$1> in this build; $2 not checked"; }

# The driver lists the window once it is there, then once more for every
# tree-N file the script makes; the close button ends it.
{
  echo "wait-window Kesto Gallery 30000"
  echo "tree Kesto Gallery"
  for n in $(seq 1 60); do
    echo "wait-file $work/tree-$n 120000"
    echo "tree Kesto Gallery"
  done
} >"$work/driver.txt"
LUMORA_AUTOMATION="$work/driver.txt" LUMORA_AUTOMATION_LOG="$ART/driver.log" KESTO_GALLERY_LOG="$ART/notify.log" \
  "$GALLERY" >"$ART/gallery.out" 2>"$ART/gallery.err" &
GALLERY_PID=$!
PIDS+=("$GALLERY_PID")

TREES=1
# Asks for a fresh listing and waits for it.
refresh() {
  TREES=$((TREES + 1))
  touch "$work/tree-$((TREES - 1))"
  # The listing is written line by line: the status line comes last.
  wait_until 10 "listing $TREES" bash -c "[ \$(grep -c 'name=\"status\" rect=' '$ART/driver.log') -ge $TREES ]"
}
# The last listing's line of the named control.
control_line() {
  local line
  line=$(awk '/^tree: /{block=""} {block=block $0 "\n"} END{printf "%s", block}' "$ART/driver.log" |
    grep -E "name=\"$1\" rect=" | tail -n 1)
  [ -n "$line" ] || fail "no control '$1' in the listing"
  echo "$line"
}
# "L T R B" of the named control in the last listing (client coordinates).
control_rect() {
  local line
  line=$(control_line "$1")
  line=${line#*rect=}
  echo "${line%% *}" | tr , ' '
}
control_text() {
  local line
  line=$(control_line "$1")
  line=${line#* text=\"}
  echo "${line%\"}"
}
control_visible() { control_line "$1" | grep -q ' visible '; }
window_pos() { read -r WX WY _ _ < <(geometry "$WID"); }
# Screen point at the centre of a control.
centre() {
  local l t r b
  read -r l t r b < <(control_rect "$1")
  echo "$((WX + (l + r) / 2)) $((WY + (t + b) / 2))"
}
click_control() {
  local x y
  read -r x y < <(centre "$1")
  xdotool mousemove "$x" "$y" click 1
}
notified() { wait_log notify "$1" "${2:-10}"; }
crop_of() {  # SHOT CONTROL OUT: the control's rectangle of a screenshot
  local l t r b
  read -r l t r b < <(control_rect "$2")
  convert "$ART/$1.png" -crop "$((r - l))x$((b - t))+$((WX + l))+$((WY + t))" +repage "$3"
}
differs() {  # SHOT-A SHOT-B CONTROL: the control looks different in the two
  crop_of "$1" "$3" "$work/a.png"
  crop_of "$2" "$3" "$work/b.png"
  compare_crops "$1" "$2"
}
# SHOT-A SHOT-B L T R B: the client rectangle looks different in the two.
region_differs() {
  convert "$ART/$1.png" -crop "$(($5 - $3))x$(($6 - $4))+$((WX + $3))+$((WY + $4))" +repage "$work/a.png"
  convert "$ART/$2.png" -crop "$(($5 - $3))x$(($6 - $4))+$((WX + $3))+$((WY + $4))" +repage "$work/b.png"
  compare_crops "$1" "$2"
}
compare_crops() {
  local diff
  diff=$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 || true)
  [[ "$diff" =~ ^[0-9]+$ ]] || fail "cannot compare $1 and $2: $diff"
  [ "$diff" != 0 ]
}

# --- The window ------------------------------------------------------------------------------
xdotool mousemove 5 5
WID=$(window_of "Kesto Gallery")
wait_until 15 "the gallery centred" geometry_is "$WID" "410 180 1100 720"
wait_log driver '^tree: "Kesto Gallery"' 20
window_pos
painted() { screenshot 01-start && [ "$(pixel 01-start $((WX + 20)) $((WY + 10)))" = 2B3A55 ]; }
wait_until 10 "a painted gallery" painted
notified '^windowinit - 0 0$'

click_control button
notified '^click button 0 0$'
refresh
expect_eq "$(control_text status)" "click button 0 0" "the status line"

# --- List ------------------------------------------------------------------------------------
if has List; then
  click_control row1
  notified '^itemselect list 1 -1$'
  notified '^itemclick row1 0 0$'
  # Keys move the selection on from the clicked row.
  xdotool key Down
  notified '^itemselect list 2 1$'
  xdotool key Down
  notified '^itemselect list 3 2$'
  xdotool key Up
  notified '^itemselect list 2 3$'
  screenshot 02-list-selected
  differs 01-start 02-list-selected list || fail "the selected rows look as before"
  # A double click activates the row.
  read -r x y < <(centre row4)
  xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
  notified '^itemactivate row4 0 0$'
  notified '^itemselect list 4 2$'
else
  skipped List "row selection by click and key"
fi

if has ListHeader && has ListHeaderItem; then
  # The separator is the right edge of the header item: drag it 60 pixels on.
  read -r l t r b < <(control_rect col_name)
  width=$((r - l))
  y=$((WY + (t + b) / 2))
  xdotool mousemove $((WX + r - 1)) "$y" mousedown 1
  xdotool mousemove $((WX + r + 20)) "$y" mousemove $((WX + r + 40)) "$y" mousemove $((WX + r + 59)) "$y"
  xdotool mouseup 1
  refresh
  read -r l2 _ r2 _ < <(control_rect col_name)
  grown=$((r2 - l2 - width))
  [ "$grown" -ge 50 ] && [ "$grown" -le 70 ] || fail "the column grew by $grown pixels, not about 60"
  read -r kl _ _ _ < <(control_rect col_kind)
  expect_eq "$kl" "$r2" "the next column's left edge"
  screenshot 03-column-resized
  # A click on a header item (not its separator) is a header click.
  click_control col_kind
  notified '^headerclick col_kind 0 0$'
else
  skipped ListHeaderItem "the column drag"
fi

# --- Combo -----------------------------------------------------------------------------------
if has Combo; then
  click_control combo
  notified '^dropdown combo 0 0$'
  # The drop-down lists the items below the combo, 22 pixels a row: the
  # third is Plum.
  read -r l t r b < <(control_rect combo)
  dropped() { screenshot 04-combo-open && region_differs 01-start 04-combo-open "$l" "$b" "$r" $((b + 90)); }
  wait_until 5 "the drop-down on screen" dropped
  xdotool mousemove $((WX + (l + r) / 2)) $((WY + b + 2 + 22 * 2 + 11)) click 1
  notified '^itemselect combo 2 0$'
  # The combo shows the picked item's text instead of the first one's.
  shows_pick() { screenshot 05-combo-picked && differs 01-start 05-combo-picked combo; }
  wait_until 5 "the combo showing Plum" shows_pick
else
  skipped Combo "the drop-down"
fi

# --- Tree ------------------------------------------------------------------------------------
if has TreeView && grep -qx TreeNode <<<"$TAGS"; then
  control_visible node_calvera && fail "a collapsed node's child is shown"
  # The node's row: its first check box is the folder button, the second
  # the node's check box.
  buttons=$(awk '/^tree: /{block=""} {block=block $0 "\n"} END{printf "%s", block}' "$ART/driver.log" |
    sed -n '/name="node_login"/,/name="node_calvera"/p' | grep -E 'CheckBoxUI|OptionUI' | head -n 2)
  folder=$(sed -n 1p <<<"$buttons")
  check=$(sed -n 2p <<<"$buttons")
  [ -n "$folder" ] && [ -n "$check" ] || fail "no folder button and check box in node_login's row"
  rect_centre() { local r=${1#*rect=}; r=${r%% *}; IFS=, read -r l t r b <<<"$r"; echo "$((WX + (l + r) / 2)) $((WY + (t + b) / 2))"; }
  read -r x y < <(rect_centre "$folder")
  xdotool mousemove "$x" "$y" click 1
  refresh
  wait_until 5 "node_calvera shown" control_visible node_calvera
  read -r x y < <(rect_centre "$check")
  xdotool mousemove "$x" "$y" click 1
  notified '^selectchanged '
  screenshot 06-tree-expanded
  read -r x y < <(centre node_webframe)
  xdotool mousemove "$x" "$y" click --repeat 2 --delay 80 1
  notified '^itemdbclick '
else
  skipped TreeView "the tree"
fi

# --- Slider ----------------------------------------------------------------------------------
if has Slider; then
  # Thumb at 30 of 0..100 over the width less the 16-pixel thumb.
  read -r l t r b < <(control_rect slider)
  y=$((WY + (t + b) / 2))
  x30=$((WX + l + 8 + 30 * (r - l - 16) / 100))
  x80=$((WX + l + 8 + 80 * (r - l - 16) / 100))
  xdotool mousemove "$x30" "$y" mousedown 1
  for x in $(seq "$x30" 12 "$x80") "$x80"; do xdotool mousemove "$x" "$y"; done
  notified '^movevaluechanged slider 0 0$'
  xdotool mouseup 1
  notified '^valuechanged slider 0 0$'
  refresh
  value=$(control_text slidervalue)
  value=${value#slider }
  [ "$value" -ge 78 ] && [ "$value" -le 82 ] || fail "the slider ended at $value, not about 80"
  expect_eq "$(control_text progress)" "$value %" "the progress that follows the slider"
  screenshot 07-slider
  differs 01-start 07-slider progress || fail "the progress bar did not follow the slider"
else
  skipped Slider "the slider drag"
fi

# --- GIF -------------------------------------------------------------------------------------
if has GifAnim; then
  screenshot 08-gif-a
  moved() { screenshot 08-gif-b && differs 08-gif-a 08-gif-b gif; }
  wait_until 5 "the GIF's next frame" moved
else
  skipped GifAnim "the animation"
fi

# --- Rich edit -------------------------------------------------------------------------------
if has RichEdit; then
  click_control richedit
  xdotool key ctrl+End Return
  xdotool type --delay 30 "kesto"
  notified '^textchanged richedit 0 0$'
  # Select the word just typed, copy it, and paste it twice after a blank.
  xdotool key shift+Home ctrl+c End space ctrl+v ctrl+v
  # A paste may wait for the selection's owner: look again until it is in.
  pasted() { refresh && [[ "$(control_text richedit)" == *"kesto kestokesto" ]]; }
  wait_until 5 "the pasted text" pasted
  screenshot 09-richedit
else
  skipped RichEdit "typing and the clipboard"
fi

# --- Date ------------------------------------------------------------------------------------
if has DateTime; then
  before=$(control_text date)
  [[ "$before" =~ ^[0-9]{4}-[0-9]{2}-[0-9]{2}$ ]] || fail "the date control shows '$before'"
  click_control date
  # The calendar drops below the field and takes the keyboard: the next day,
  # then Enter.
  read -r l t r b < <(control_rect date)
  calendar() { screenshot 10-date-picker && region_differs 01-start 10-date-picker "$l" "$b" $((l + 150)) $((b + 120)); }
  wait_until 5 "the calendar on screen" calendar
  xdotool key Right Return
  notified '^textchanged date 0 0$'
  refresh
  after=$(control_text date)
  expect_eq "$after" "$(date -d "$before + 1 day" +%F)" "the date after picking the next day"
else
  skipped DateTime "the date picker"
fi

# --- Tab pages ------------------------------------------------------------------------------
# The browser page draws its own page; the child layout's button answers.
click_control tab_web
notified '^tabselect tabs 2 0$'
web_drawn() { screenshot 10b-web-page && differs 01-start 10b-web-page tabs; }
wait_until 20 "the browser page" web_drawn
click_control tab_child
notified '^tabselect tabs 1 2$'
refresh
click_control childbutton
notified '^click childbutton 0 0$'

# --- Flash and the end -----------------------------------------------------------------------
if has Flash; then
  control_visible flash || fail "the Flash host is not shown"
else
  skipped Flash "the Flash host"
fi
# The window still answers after all of it.
click_control option_green
notified '^selectchanged option_green 0 0$'
screenshot 11-final
click_control closebtn
wait_until 10 "the gallery's end" bash -c "! kill -0 $GALLERY_PID 2>/dev/null"
wait "$GALLERY_PID" && code=0 || code=$?
expect_eq "$code" 0 "the gallery's exit code"
echo "gallery journey done in $SECONDS s"
