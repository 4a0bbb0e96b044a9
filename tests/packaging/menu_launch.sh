#!/usr/bin/env bash
# The installed product started the way a player starts it: the built tree is
# installed with `cmake --install` into a scratch folder and moved, the
# desktop's search path (XDG_DATA_DIRS, PATH) points into it only, and the
# launcher is started through its menu entry with gtk-launch against the
# installed portal. It logs in and reaches the server list; its process, its
# web engine module and its window class must come from the scratch tree and
# agree with the menu entry. A second start from the menu while the game is
# open gives the "游戏已经打开" box. The icon is found by its name through the
# desktop's icon theme. With DEBS (a list of .deb files) the scratch tree is
# the unpacked packages instead of an install of BUILD_DIR.
source "${E2E_LIB:?}"
: "${BUILD_DIR:?}" "${PREFIX:?}" "${BINDIR:?}" "${LAUNCHERDIR:?}" "${LIBDIR:?}" "${DATADIR:?}" "${INSTALLED_PROBE:?}"
app_id=com.lumora.Morvaine

work="$ART/work"
mkdir -p "$work/home"
if [ -n "${DEBS:-}" ]; then
  # The Debian packages instead, unpacked as dpkg would (they have no
  # maintainer scripts).
  for deb in $DEBS; do dpkg-deb -x "$deb" "$work/stage"; done
else
  DESTDIR="$work/stage" cmake --install "$BUILD_DIR" >"$ART/install.log"
fi
root="$work/root"
mv "$work/stage$PREFIX" "$root"
rm -rf "$work/stage"

# The desktop sees the scratch tree first, then the system's own data (the
# icon theme's index, schemas) and programs; nothing of the build tree.
export XDG_DATA_DIRS="$root/$DATADIR:/usr/share"
export PATH="$root/$LAUNCHERDIR:$root/$BINDIR:/usr/bin:/bin"
unset LUMORA_WEB_ENGINE_MODULE
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export LUMORA_PLATFORM=gtk LUMORA_REGISTRY="$work/registry.reg" LUMORA_SHELL_LOG="$work/shell.txt"
# Started from the menu, the launcher's working folder is the desktop's.
cd "$work/home"

# --- The icon, by its name ----------------------------------------------------------------
icon="$("$INSTALLED_PROBE" icon "$app_id" 48)" || fail "the icon theme has no icon named $app_id"
[[ "$icon" == "$root/"* ]] || fail "the icon $app_id comes from $icon, not the scratch tree"

# --- The installed portal, with one account -------------------------------------------------
"$root/$BINDIR/lumora-portal" --ports ephemeral --data "$work/portal" >"$ART/portal-out.log" 2>"$ART/portal.log" &
PIDS+=($!)
wait_log portal-out '^LUMORA_PORTAL_HOSTS='
hosts=$(grep -m1 '^LUMORA_PORTAL_HOSTS=' "$ART/portal-out.log")
export "${hosts?}"
web="${LUMORA_PORTAL_HOSTS#*web=}"
reply=$(curl -sS -d 'gid=73&username=xplayer&password=Secret12&password_again=Secret12&channel=360gj&version=3' \
  "http://${web%%,*}/register/tillow.html")
[[ "$reply" == *'"status":"200"'* ]] || fail "the account was not registered: $reply"

# --- From the menu: log in and reach the server list ---------------------------------------
cat >"$work/first.txt" <<SCRIPT
wait-window LumoraMorvaine 30000
click user
type xplayer
click pass
type Secret12
key Enter
wait-file $work/go-end 120000
quit
SCRIPT
# gtk-launch returns once the program is started; the launcher keeps its
# standard streams.
LUMORA_DEBUG=1 LUMORA_AUTOMATION="$work/first.txt" LUMORA_AUTOMATION_LOG="$ART/first.log" \
  gtk-launch "$app_id" >"$ART/first-out.log" 2>"$ART/first-err.log" || fail "gtk-launch cannot start $app_id"
wait_log first '^hand-over: url="http://[^"]*/client/redirect.html\?type=servers' 30
wait_log portal '^\[api\] GET /client/redirect.html 200$' 20
game_window() {
  local w
  for w in $(xdotool search --name '^LumoraMorvaine$' 2>/dev/null); do
    if geometry_is "$w" "460 220 1000 640"; then WID=$w; return 0; fi
  done
  return 1
}
wait_until 30 "the game window resized by the server list" game_window
screenshot 01-server-list

# The process, its module and its window, all from the scratch tree.
pid=$(xdotool getwindowpid "$WID")
PIDS+=("$pid")
[ "$(readlink -f "/proc/$pid/exe")" = "$(readlink -f "$root/$LAUNCHERDIR/morvaine")" ] ||
  fail "the menu started $(readlink -f "/proc/$pid/exe"), not the installed launcher"
module="$(readlink -f "$root/$LIBDIR/morvaine/morvaine-webkit.so")"
wait_log first-err "platform.webengine: loaded .*morvaine-webkit.so" 20
loaded=$(grep -o 'platform.webengine: loaded .*' "$ART/first-err.log" | head -n 1)
[ "$(readlink -f "${loaded#platform.webengine: loaded }")" = "$module" ] || fail "the launcher loaded ${loaded#*loaded }"
# (The scratch folder, with the launcher's own data and cache, lies in it.)
outside=$(grep -F "$BUILD_DIR/" "/proc/$pid/maps" | grep -vF "$work/" || true)
[ -z "$outside" ] || fail "the launcher maps files of the build tree: $outside"
# The dock groups the window with the entry it was started from.
wm_class=$(sed -n 's/^StartupWMClass=//p' "$root/$DATADIR/applications/$app_id.desktop")
xprop -id "$WID" WM_CLASS | grep -q "\"$wm_class\"\$" || fail "the window's class is $(xprop -id "$WID" WM_CLASS), the entry says $wm_class"

# --- A second start from the menu ------------------------------------------------------------
echo "answer ok" >"$work/second.txt"
LUMORA_AUTOMATION="$work/second.txt" LUMORA_AUTOMATION_LOG="$ART/second.log" \
  gtk-launch "$app_id" >"$ART/second-out.log" 2>&1 || fail "gtk-launch cannot start $app_id again"
wait_log second '^box: caption="LumoraMorvaine" text="游戏已经打开" buttons=OK answer=OK$' 30
kill -0 "$pid" 2>/dev/null || fail "the first launcher ended with the second"

# --- The end ------------------------------------------------------------------------------------
touch "$work/go-end"
wait_until 20 "the launcher's end" bash -c "! kill -0 $pid 2>/dev/null"
grep -q '^error:' "$ART/first.log" && fail "a driver command failed: $(grep '^error:' "$ART/first.log")"
echo "menu_launch: passed"
