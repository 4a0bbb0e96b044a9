#!/usr/bin/env bash
# e2e-screen: 3840x2160x24
# The launcher on a high-density screen: 3840×2160 device pixels with the
# desktop's scale factor at 2 (GDK_SCALE), against a run at scale 1 on the
# same screen. Everything the launcher measures stays logical; the desktop
# sees twice the pixels.
#
# At scale 2 the login window is 2200×1440 device pixels, centred; clicks at
# the device positions of the fields and the login button (real X input)
# reach them: the button's click logs in; the account field's tooltip is at
# twice its scale-1 distance from the pointer and twice its size; the portal's
# refusal box is centred on the login window at twice its scale-1 size; the
# game window takes the page's META size doubled, about the same logical
# centre, and the page inside it paints. A button's
# text (the registration link's: the login button's caption is part of its
# picture) at scale 2 is drawn at the screen's resolution: it has far more
# hard edges than a smooth 2× enlargement of the scale-1 text, and more than
# a pixel-doubled one. Screenshots of both scales stay in the artifacts
# folder.
source "${E2E_LIB:?}"
LAUNCHER="${LAUNCHER:?}"
PORTAL="${PORTAL:?}"

work="$ART/work"
mkdir -p "$work"

read -r SCREEN_W SCREEN_H < <(xdpyinfo | awk '/dimensions:/ { split($2, d, "x"); print d[1], d[2] }')
[ "$SCREEN_W" = 3840 ] && [ "$SCREEN_H" = 2160 ] || fail "the screen is ${SCREEN_W}x${SCREEN_H}, not 3840x2160"

# --- The portal, with one account ------------------------------------------------------
start_portal_with_player "$work/portal"

export LUMORA_PLATFORM=gtk

# start_launcher NAME SCALE: a launcher at the scale, with its own folders,
# whose driver lists the login window's controls and records boxes.
start_launcher() {
  local name=$1 scale=$2 home="$work/$1"
  mkdir -p "$home/data"
  cat >"$home/driver.txt" <<SCRIPT
boxes show
wait-window LumoraMorvaine 30000
tree LumoraMorvaine
wait-file $home/go-end 120000
SCRIPT
  GDK_SCALE=$scale XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config" XDG_CACHE_HOME="$home/cache" \
    LUMORA_REGISTRY="$home/registry.reg" LUMORA_SHELL_LOG="$home/shell.txt" \
    LUMORA_AUTOMATION="$home/driver.txt" LUMORA_AUTOMATION_LOG="$ART/$name.log" \
    "$LAUNCHER" >"$ART/$name.out" 2>"$ART/$name.err" &
  LAUNCHED=$!
  PIDS+=("$LAUNCHED")
}

# The launcher's window with exactly this title, once it is there: a search
# racing with windows that come or go finds nothing rather than waiting.
launcher_window() {
  found() { WID=$(xdotool search --all --pid "$LAUNCHED" --name "^$1\$" 2>/dev/null | head -n 1) && [ -n "$WID" ]; }
  wait_until 20 "the window '$1'" found "$1"
}

# "L T R B" of the last control of this name the driver of NAME listed.
control_rect() { tree_rect "$ART/$1.log" "$2"; }
# Device point at the centre of a control: logical control coordinates times
# the scale, from the window's device position WX,WY.
device_centre() {
  local l t r b
  read -r l t r b < <(control_rect "$1" "$2")
  echo "$((WX + $3 * (l + r) / 2)) $((WY + $3 * (t + b) / 2))"
}

crop_differs() {  # SHOT-A SHOT-B GEOMETRY: the two screenshots differ inside it
  convert "$ART/$1.png" -crop "$3" +repage "$work/crop-a.png"
  convert "$ART/$2.png" -crop "$3" +repage "$work/crop-b.png"
  local diff
  diff=$(compare -metric AE "$work/crop-a.png" "$work/crop-b.png" null: 2>&1 || true)
  [[ "$diff" =~ ^[0-9]+$ ]] || fail "cannot compare $1 and $2: $diff"
  [ "$diff" != 0 ]
}

# edges PNG: pixels whose grey value differs from the left or upper
# neighbour's by more than a third of the range: hard edges, which a smooth
# enlargement spreads over several softer steps.
edges() {
  local h v
  h=$(convert "$1" -colorspace Gray \( +clone -roll +1+0 \) -compose Difference -composite \
    -crop +1+0 +repage -threshold 33% -format '%[fx:round(mean*w*h)]' info:)
  v=$(convert "$1" -colorspace Gray \( +clone -roll +0+1 \) -compose Difference -composite \
    -crop +0+1 +repage -threshold 33% -format '%[fx:round(mean*w*h)]' info:)
  echo $((h + v))
}

# login_until_refused NAME SCALE: the window centred at the scale, painted;
# account and a wrong password typed into the fields (clicked at its device
# position) and sent; the refusal box up and answered. Sets WX WY (the
# window's device position) and BOX_GEOMETRY.
login_until_refused() {
  local name=$1 scale=$2 w h x y l t r b
  w=$((1100 * scale)) h=$((720 * scale))
  xdotool mousemove 5 5
  launcher_window LumoraMorvaine
  WX=$(((SCREEN_W - w) / 2)) WY=$(((SCREEN_H - h) / 2))
  wait_until 10 "the login window centred at scale $scale" geometry_is "$WID" "$WX $WY $w $h"
  wait_log "$name" '^tree: "LumoraMorvaine"' 20
  painted() { screenshot "$name-01-login" && [ "$(pixel "$name-01-login" $((WX + 550 * scale)) $((WY + 400 * scale)))" != 000000 ]; }
  wait_until 10 "a painted login window" painted
  # The transparent top of the skin, at its logical place in device pixels.
  [ "$(pixel "$name-01-login" $((WX + 20 * scale)) $((WY + 20 * scale)))" = "$(pixel "$name-01-login" 4 4)" ] ||
    fail "the transparent top of the skin hides the desktop at scale $scale"

  # The account field's tooltip comes under the resting pointer; where it
  # is, relative to the pointer, and its size are kept (TIP).
  local field
  read -r l t r b < <(control_rect "$name" user)
  field="$((scale * (r - l)))x$((scale * (b - t)))+$((WX + scale * l))+$((WY + scale * t))"
  read -r x y < <(device_centre "$name" user "$scale")
  xdotool mousemove "$x" "$y"
  tooltip() { TIP_ID=$(xdotool search --onlyvisible --all --pid "$LAUNCHED" --name '' 2>/dev/null | grep -vx "$WID" | head -n 1) && [ -n "$TIP_ID" ]; }
  wait_until 10 "the account field's tooltip" tooltip
  local tx ty tw th
  read -r tx ty tw th < <(geometry "$TIP_ID")
  TIP="$((tx - x)) $((ty - y)) $tw $th"
  # The account field, clicked at its device position, shows what is typed.
  xdotool click 1
  xdotool type --delay 40 xplayer
  typed() { screenshot "$name-typed" && crop_differs "$name-01-login" "$name-typed" "$field"; }
  wait_until 5 "the account in its field at scale $scale" typed
  xdotool key Tab
  xdotool type --delay 40 Wrong123
  xdotool key Return
  wait_log "$name" '^box: caption="LumoraMorvaine" text="账号或密码错误" buttons=OK shown$' 20
  refusal_box() { BOX=$(xdotool search --onlyvisible --all --pid "$LAUNCHED" --name '^LumoraMorvaine$' | grep -vx "$WID" | head -n 1) && [ -n "$BOX" ]; }
  wait_until 10 "the refusal box" refusal_box
  sleep 0.3
  BOX_GEOMETRY=$(geometry "$BOX")
  screenshot "$name-02-refused"
  xdotool key Return
  box_gone() { ! xdotool search --onlyvisible --all --pid "$LAUNCHED" --name '^LumoraMorvaine$' | grep -qvx "$WID"; }
  wait_until 10 "the refusal box to go" box_gone
}

# --- Scale 1 on the same screen ------------------------------------------------------------
start_launcher scale1 1
login_until_refused scale1 1
read -r l t r b < <(control_rect scale1 regaccount)
convert "$ART/scale1-01-login.png" -crop "$((r - l))x$((b - t))+$((WX + l))+$((WY + t))" +repage "$ART/text-scale1.png"
read -r _ _ BOX1_W BOX1_H <<<"$BOX_GEOMETRY"
read -r TIP1_DX TIP1_DY TIP1_W TIP1_H <<<"$TIP"
# Closed by its close button: the launcher ends.
touch "$work/scale1/go-end"
read -r x y < <(device_centre scale1 closebtn 1)
xdotool mousemove "$x" "$y" click 1
wait_until 20 "the scale-1 launcher's end" bash -c "! kill -0 $LAUNCHED 2>/dev/null"
wait "$LAUNCHED" && code=0 || code=$?
expect_eq "$code" 0 "the scale-1 launcher's exit code"

# --- Scale 2 ---------------------------------------------------------------------------------
start_launcher scale2 2
login_until_refused scale2 2
LOGIN_X=$WX LOGIN_Y=$WY
convert "$ART/scale2-01-login.png" -crop "$((2 * (r - l)))x$((2 * (b - t)))+$((WX + 2 * l))+$((WY + 2 * t))" +repage \
  "$ART/text-scale2.png"

# The box: twice its scale-1 size (GTK lays it out in logical units), centred
# on the login window.
read -r BX BY BW BH <<<"$BOX_GEOMETRY"
[ $((BW - 2 * BOX1_W)) -ge -4 ] && [ $((BW - 2 * BOX1_W)) -le 4 ] && [ $((BH - 2 * BOX1_H)) -ge -4 ] &&
  [ $((BH - 2 * BOX1_H)) -le 4 ] || fail "the box is ${BW}x${BH} at scale 2 and ${BOX1_W}x${BOX1_H} at scale 1"
dx=$((BX + BW / 2 - (LOGIN_X + 1100))) dy=$((BY + BH / 2 - (LOGIN_Y + 720)))
[ "${dx#-}" -le 4 ] && [ "${dy#-}" -le 4 ] || fail "the box at $BOX_GEOMETRY is not centred on the login window"

# The tooltip: its logical offset from the pointer and its size, doubled.
near() { [ $(($1 - $2)) -ge -$3 ] && [ $(($1 - $2)) -le "$3" ]; }
read -r TIP2_DX TIP2_DY TIP2_W TIP2_H <<<"$TIP"
near "$TIP2_DX" $((2 * TIP1_DX)) 2 && near "$TIP2_DY" $((2 * TIP1_DY)) 2 && near "$TIP2_W" $((2 * TIP1_W)) 6 &&
  near "$TIP2_H" $((2 * TIP1_H)) 6 ||
  fail "the tooltip is at $TIP2_DX,$TIP2_DY from the pointer, ${TIP2_W}x$TIP2_H at scale 2; $TIP1_DX,$TIP1_DY, ${TIP1_W}x$TIP1_H at scale 1"

# Sharp text: the scale-2 crop has more hard edges than the scale-1 crop
# enlarged to the same size, smoothly or pixel by pixel.
convert "$ART/text-scale1.png" -filter Triangle -resize 200% "$ART/text-scale1-smooth.png"
convert "$ART/text-scale1.png" -scale 200% "$ART/text-scale1-doubled.png"
sharp=$(edges "$ART/text-scale2.png")
smooth=$(edges "$ART/text-scale1-smooth.png")
doubled=$(edges "$ART/text-scale1-doubled.png")
echo "hard edges of the text: scale 2 $sharp, scale 1 enlarged smoothly $smooth, pixel-doubled $doubled"
[ "$smooth" -gt 0 ] && [ "$doubled" -gt 0 ] || fail "no text in the crops"
[ "$sharp" -gt $((smooth * 2)) ] || fail "the text at scale 2 ($sharp hard edges) is a blurred enlargement ($smooth)"
[ "$sharp" -gt "$doubled" ] || fail "the text at scale 2 ($sharp hard edges) is no sharper than pixels doubled ($doubled)"

# The right password and a click at the login button's device position log
# in; the game window takes the page's 1000×640 in logical units, grown
# about the 788×600 window's centre: 2000×1280 device pixels at the logical
# 460,220 of the 1920×1080 logical screen.
# The field is typed into once it shows that it has the keyboard (its frame
# lights up): keys pressed while its native field is still being made would
# go astray, at any scale.
read -r l t r b < <(control_rect scale2 pass)
pass_field="$((2 * (r - l)))x$((2 * (b - t)))+$((WX + 2 * l))+$((WY + 2 * t))"
screenshot scale2-03-before-password
read -r x y < <(device_centre scale2 pass 2)
xdotool mousemove "$x" "$y" click 1
focused() { screenshot scale2-04-password-focused && crop_differs scale2-03-before-password scale2-04-password-focused "$pass_field"; }
wait_until 5 "the password field's focus" focused
xdotool type --delay 40 Secret12
logins=$(count_log scale2 '^mark: login ')
read -r x y < <(device_centre scale2 startbtn 2)
xdotool mousemove "$x" "$y"
sleep 0.2
xdotool click 1
clicked() { [ "$(count_log scale2 '^mark: login ')" -gt "$logins" ]; }
wait_until 10 "a login from the button's click" clicked
wait_log scale2 '^hand-over: url="http://[^"]*/client/redirect.html\?type=servers&gcode=mvn&ver=3" uid="10001"' 20
resized() {
  local w
  for w in $(xdotool search --name '^LumoraMorvaine$' 2>/dev/null); do
    if geometry_is "$w" "920 440 2000 1280"; then WID=$w; return 0; fi
  done
  return 1
}
wait_until 30 "the game window at twice the page's size" resized
read -r WX WY _ _ < <(geometry "$WID")
# The page painted across the browser's device area (logical 2,30 to 998,638)
# and laid out for its full logical width: the three server buttons' orange
# spans about 656 logical units (1312 device pixels), against some 564 while
# the page still has the window's size before the META resize.
buttons() {
  screenshot scale2-03-server-list
  read -r OW OH < <(convert "$ART/scale2-03-server-list.png" -crop "1992x1216+$((WX + 4))+$((WY + 60))" +repage \
    -fill black -fuzz 3% +opaque '#ffb53b' -trim -format '%w %h' info: 2>/dev/null)
  [ -n "${OW:-}" ] && [ "$OW" -gt 1250 ]
}
wait_until 30 "the server list's buttons across the page" buttons
touch "$work/scale2/go-end"
echo "gtk_high_density: passed"
