#!/usr/bin/env bash
# morvaine.exe under Wine on an X server, against the Linux build's local
# portal on ephemeral ports. The launcher's automation driver types and
# clicks through the platform's input path and reports (control trees, boxes,
# the hand-over); what the desktop shows is checked from outside, over Wine's
# X windows (xdotool) and screenshots.
#
# The journey, in the order its checks land:
#   1. the program starts and its login window appears with the caption
#      "LumoraMorvaine", 1100×720, painted;
#   2. registration through the launcher's page: the portal's database holds
#      the new account, and the launcher hands over to the game window;
#   3. a refused login brings the portal's message in a real box on the
#      desktop, which Enter answers; the right password logs in (the portal
#      keeps the token);
#   4. the game window opens and shows its frame; the page cannot load (Wine
#      has no web engine component here) and the launcher survives that;
#   5. a second launcher shows "游戏已经打开" in a box and ends with 0 while
#      the first runs;
#   6. the first launcher ends with 0 when told to.
# Screenshots of each step stay in the artifacts folder.
#
# Environment: LAUNCHER (morvaine.exe), PORTAL (the Linux lumora-portal),
# E2E_ARTIFACTS, E2E_LIB (tests/e2e/lib.bash), WINEPREFIX (a prefix of the
# journey's own; made on first use). Exits 77 (skipped) when the portal has
# not been built.
GTK_PROBE="${GTK_PROBE:-none}"  # the shared helpers' probe: not used here
source "${E2E_LIB:?}"
LAUNCHER="${LAUNCHER:?}"
PORTAL="${PORTAL:?}"
: "${WINEPREFIX:?}"
if [ ! -x "$PORTAL" ]; then
  echo "wine_journey: skipped: no Linux portal at $PORTAL (scripts/build.sh test lumora-portal)"
  exit 77
fi
[ -f "$LAUNCHER" ] || fail "no launcher at $LAUNCHER"

# Wine's own: no debug channels, no offers to install Mono or the web engine
# component (the browser control then has no engine, as on a Windows without
# one).
export WINEPREFIX WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  bash "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine-run.sh" --boot >"$ART/wineboot.log" 2>&1 ||
    fail "could not make the Wine prefix (see wineboot.log)"
  # The system's own dialogs (message boxes) draw with Wine's Latin faces;
  # a Chinese Windows links them to a Chinese face, which the host's fonts
  # stand in for here.
  cjk=$(fc-list :lang=zh file family | head -n 1)
  if [ -n "$cjk" ]; then
    cjk_file=$(basename "${cjk%%:*}") cjk_family=${cjk#*: }
    for face in Tahoma "MS Shell Dlg" "MS Shell Dlg 2" "Microsoft Sans Serif"; do
      wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
        /t REG_MULTI_SZ /d "$cjk_file,${cjk_family%%,*}" /f >>"$ART/wineboot.log" 2>&1
    done
  fi
  wineserver --wait
fi
# A launcher left running in this prefix by an earlier run would be taken
# for the running game.
wineserver --kill 2>/dev/null || true
cleanup_wine() {
  cleanup
  wineserver --kill 2>/dev/null || true
}
trap cleanup_wine EXIT

work="$ART/work"
mkdir -p "$work"
start_portal_with_player "$work/portal" "$ART/portal.log"
db="$work/portal/portal.sqlite"
sql() { sqlite3 "$db" "$1"; }

# Windows paths of files here (Wine's Z: drive), for what the launcher opens.
win() { winepath -w "$1" 2>/dev/null; }
# The launcher's data from earlier runs (remembered account, channel) would
# change what the login window shows: the prefix's profile starts without it.
rm -rf "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/lumora "$WINEPREFIX"/drive_c/users/*/"Application Data"/lumora

# run_launcher NAME: morvaine.exe with the driver script $work/NAME.txt, its
# log in $ART/NAME.log; LAUNCHER_PID is the Wine process.
run_launcher() {
  LUMORA_AUTOMATION="$(win "$work/$1.txt")" LUMORA_AUTOMATION_LOG="$(win "$ART/$1.log")" \
    wine "$LAUNCHER" >"$ART/$1.out" 2>"$ART/$1.err" &
  LAUNCHER_PID=$!
  PIDS+=("$LAUNCHER_PID")
}
# exit_code PID: waits for the Wine process (a child of this shell, so not
# in a subshell) and sets CODE to its exit code.
exit_code() { wait "$1" && CODE=0 || CODE=$?; }
# The visible X windows named LumoraMorvaine. Wine may replace a window's X
# window as it goes, so windows are found anew by their sizes at each check,
# and one gone when asked about answers nothing instead of failing.
launcher_windows() { xdotool search --onlyvisible --name '^LumoraMorvaine$' 2>/dev/null || true; }
# "X Y W H" of a window, empty when it is gone.
place_of() {
  xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^(X|Y|WIDTH|HEIGHT)=' | cut -d= -f2 | paste -sd ' '
}
# window_sized W H: WINDOW becomes a launcher window of that size, SIZE its
# size; window_not_sized W H: one of another size.
window_sized() { find_window = "$1x$2"; }
window_not_sized() { find_window != "$1x$2"; }
find_window() {
  local w x y width height
  for w in $(launcher_windows); do
    read -r x y width height < <(place_of "$w")
    [ -n "${height:-}" ] || continue
    if [ "${width}x${height}" "$1" "$2" ]; then
      WINDOW=$w PLACE="$x $y $width $height" SIZE="${width}x${height}"
      return 0
    fi
  done
  return 1
}
# box_painted SHOT: a screenshot on which the box WINDOW shows more than its
# background (its text and button drawn). A box's X window is mapped before
# the box has drawn anything or taken the keyboard: until then it shows what
# lay beneath, a dark skin of many colours with the edit field still open in
# it, which passes for text. Drawn, the box is mostly its light face.
box_painted() {
  local x y width height area
  read -r x y width height < <(place_of "$WINDOW")
  [ -n "${height:-}" ] && screenshot "$1" || return 1
  area=("$ART/$1.png" -crop "${width}x${height}+$x+$y" +repage)
  [ "$(convert "${area[@]}" -format %k info:)" -gt 4 ] &&
    [ "$(convert "${area[@]}" -colorspace gray -format '%[fx:mean > 0.5 ? 1 : 0]' info:)" = 1 ]
}
# painted SHOT W H: the launcher window of that size is on a screenshot, its
# centre not black.
painted() {
  local x y width height
  window_sized "$2" "$3" || return 1
  read -r x y width height <<<"$PLACE"
  screenshot "$1" && [ "$(pixel "$1" $((x + width / 2)) $((y + height / 2)))" != 000000 ]
}

# --- 1. The program starts: the login window -----------------------------------------------
cat >"$work/register.txt" <<SCRIPT
wait-window LumoraMorvaine 60000
tree LumoraMorvaine
wait-file $(win "$work/go-register") 120000
click regaccount
click reguser
key Home
key Shift+End
type wine_player
click regpass
type Secr&t=1
click regpassconfirm
type Secr&t=1
click regbtn
wait-window LumoraMorvaine 30000
sleep 1000
quit
SCRIPT
run_launcher register
# 1100×720 as the skin says.
wait_until 90 "the 1100×720 login window under Wine" window_sized 1100 720
wait_log register '^tree: "LumoraMorvaine"' 30
wait_until 20 "a painted login window" painted 01-login 1100 720
# The launcher's icon group, a resource of the program, reaches the desktop.
xprop -id "$WINDOW" _NET_WM_ICON | grep -q 'Icon ([0-9]* x [0-9]*)' || fail "the login window has no icon"

# --- 2. Registration through the launcher ----------------------------------------------------
touch "$work/go-register"
wait_log register '^automation: end of script' 90
registered() { [ "$(sql "SELECT count(*) FROM accounts WHERE account = 'wine_player'")" = 1 ]; }
wait_until 10 "the registered account in the portal's database" registered
grep -q '^hand-over: .*uid="[0-9]*" token="[0-9a-f]*"' "$ART/register.log" ||
  fail "the registration did not hand over to the game window"
exit_code "$LAUNCHER_PID"
expect_eq "$CODE" 0 "the registering launcher's exit code"
# The launcher's own files, in the profile's application data: the account
# remembered, the channel written with its terminating zero.
data=$(ls -d "$WINEPREFIX"/drive_c/users/*/AppData/Roaming/lumora 2>/dev/null | head -n 1)
[ -s "$data/login/lastlogininfo.info" ] || fail "the registration did not remember the account"
expect_eq "$(od -An -c "$data/channel.ini" | tr -d ' \n')" '360gj\0' "channel.ini"

# --- 3. A refused login, then the login ------------------------------------------------------
cat >"$work/first.txt" <<SCRIPT
boxes show
wait-window LumoraMorvaine 60000
tree LumoraMorvaine
click user
key Home
key Shift+End
type xplayer
click pass
type Wrong123
key Enter
wait-file $(win "$work/go-login") 120000
click pass
type Secret12
key Enter
wait-file $(win "$work/go-game") 120000
tree LumoraMorvaine
wait-file $(win "$work/go-end") 300000
quit 0
SCRIPT
run_launcher first
FIRST=$LAUNCHER_PID
wait_log first '^tree: "LumoraMorvaine"' 90
wait_until 30 "the login window" window_sized 1100 720
wait_log first '^box: caption="LumoraMorvaine" text="账号或密码错误" buttons=OK shown$' 30
# The box: a window of the caption beside the login window.
wait_until 20 "the refusal box on the desktop" window_not_sized 1100 720
BOX=$WINDOW BOX_SIZE=$SIZE
wait_until 10 "the refusal box drawn" box_painted 02-refused
# Its text is the driver's record above; the picture is taken again once the
# box has settled, for whoever reads the artifacts.
sleep 0.5
screenshot 02-refused
[ "$(sql 'SELECT count(*) FROM tokens WHERE uid = 10001')" = 0 ] || fail "a wrong password was let in"
xdotool windowactivate --sync "$BOX" 2>/dev/null || true
xdotool key --window "$BOX" Return
box_gone() { ! window_sized "${BOX_SIZE%x*}" "${BOX_SIZE#*x}"; }
wait_until 20 "the refusal box to go" box_gone
touch "$work/go-login"
wait_log first '^hand-over: url="http://[^"]*/client/redirect.html\?type=servers&gcode=mvn&ver=3" uid="10001"' 30
token_kept() { [ "$(sql 'SELECT count(*) FROM tokens WHERE uid = 10001')" = 1 ]; }
wait_until 10 "the login's token" token_kept

# --- 4. The game window: its frame, and a page that cannot load -------------------------------
# The login window hides as the game window comes.
game_window() { window_not_sized 1100 720 && ! window_sized 1100 720; }
wait_until 30 "the game window" game_window
GAME_SIZE=$SIZE
touch "$work/go-game"
wait_log first 'WebBrowserUI name="ie"' 30
wait_until 20 "a painted game window" painted 03-game-window "${GAME_SIZE%x*}" "${GAME_SIZE#*x}"
# Its frame: the skin's title bar above the browser and its edge below it,
# not the browser's area moved over them.
read -r gx gy gw gh <<<"$PLACE"
page=$(pixel 03-game-window $((gx + gw / 2)) $((gy + gh / 2)))
[ "$(pixel 03-game-window $((gx + 10)) $((gy + 15)))" != "$page" ] || fail "the browser covers the title bar"
[ "$(pixel 03-game-window $((gx + gw / 2)) $((gy + gh - 1)))" != "$page" ] || fail "the browser covers the lower edge"
kill -0 "$FIRST" 2>/dev/null || fail "the launcher ended when the page could not load"

# --- 5. A second launcher while the first runs ------------------------------------------------
wine "$LAUNCHER" >"$ART/second.out" 2>"$ART/second.err" &
SECOND=$!
PIDS+=("$SECOND")
wait_until 60 "the second launcher's box" window_not_sized "${GAME_SIZE%x*}" "${GAME_SIZE#*x}"
BOX=$WINDOW
wait_until 10 "the second launcher's box drawn" box_painted 04-second-launcher
sleep 0.5
screenshot 04-second-launcher
xdotool windowactivate --sync "$BOX" 2>/dev/null || true
xdotool key --window "$BOX" Return
exit_code "$SECOND"
expect_eq "$CODE" 0 "the second launcher's exit code"
kill -0 "$FIRST" 2>/dev/null || fail "the first launcher ended with the second"
# What the box said, recorded by the driver of a third launcher.
echo "answer ok" >"$work/third.txt"
run_launcher third
exit_code "$LAUNCHER_PID"
expect_eq "$CODE" 0 "the third launcher's exit code"
wait_log third '^box: caption="LumoraMorvaine" text="游戏已经打开" buttons=OK answer=OK$'

# --- 6. The end ----------------------------------------------------------------------------------
touch "$work/go-end"
exit_code "$FIRST"
expect_eq "$CODE" 0 "the launcher's exit code"
for log in register first; do
  grep -q '^error:' "$ART/$log.log" && fail "a driver command failed in $log: $(grep '^error:' "$ART/$log.log")"
done
echo "wine_journey: passed"
