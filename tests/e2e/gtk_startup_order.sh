#!/usr/bin/env bash
# The launcher readies its windows while the version document is on its way,
# yet shows nothing before the answer is in: with the portal's API holding
# its answer, the launcher's request is out and no window of the launcher
# exists (mapped or not: no X window at all but the toolkit's hidden leader);
# once the answer came, the login window appears with its caption and icon,
# and the launcher ends with 0.
source "${E2E_LIB:?}"
LAUNCHER="${LAUNCHER:?}"
PORTAL="${PORTAL:?}"

work="$ART/work"
mkdir -p "$work"
delay_ms=4000
"$PORTAL" --ports ephemeral --data "$work/portal" --delay "api=$delay_ms" \
  >"$ART/portal-out.log" 2>"$ART/portal.log" &
PIDS+=($!)
wait_log portal-out '^LUMORA_PORTAL_HOSTS='
hosts=$(grep -m1 '^LUMORA_PORTAL_HOSTS=' "$ART/portal-out.log")
export "${hosts?}"
api="${LUMORA_PORTAL_HOSTS#*api=}"
api_port="${api%%,*}"
api_port="${api_port##*:}"

export LUMORA_PLATFORM=gtk
export XDG_DATA_HOME="$work/data" XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache"
export LUMORA_REGISTRY="$work/registry.reg" LUMORA_SHELL_LOG="$work/shell.txt"
cat >"$work/script.txt" <<SCRIPT
wait-window LumoraMorvaine 30000
wait-file $work/done 30000
quit
SCRIPT
LUMORA_AUTOMATION="$work/script.txt" LUMORA_AUTOMATION_LOG="$ART/launcher.log" \
  "$LAUNCHER" >"$ART/launcher-out.log" 2>"$ART/launcher.err" &
launcher=$!
PIDS+=("$launcher")

# The request is out when the launcher holds a connection to the API's port
# (/proc/net/tcp: the remote address's port in hexadecimal, state 01).
requesting() {
  local port
  port=$(printf '%04X' "$api_port")
  kill -0 "$launcher" 2>/dev/null || fail "the launcher ended before its window"
  awk -v port="$port" '$3 ~ (":" port "$") && $4 == "01" { found = 1 } END { exit !found }' \
    "/proc/$launcher/net/tcp" 2>/dev/null
}
wait_until 20 "the version request" requesting

# Every X window the launcher made so far is the toolkit's client leader
# (unmapped, its own WM_CLIENT_LEADER, made when the display was opened).
for w in $(xdotool search --pid "$launcher" 2>/dev/null || true); do
  leader=$(xprop -id "$w" WM_CLIENT_LEADER 2>/dev/null | awk '{ print $NF }')
  [ "$leader" = "$(printf '0x%x' "$w")" ] ||
    fail "window $w ('$(xdotool getwindowname "$w" 2>/dev/null)') exists before the version document came"
done
[ -z "$(xdotool search --onlyvisible --pid "$launcher" 2>/dev/null || true)" ] ||
  fail "a window of the launcher is mapped before the version document came"
[ -z "$(xdotool search --name '^LumoraMorvaine$' 2>/dev/null || true)" ] ||
  fail "the login window exists before the version document came"
grep -q 'GET /client/latest_version.html' "$ART/portal.log" &&
  fail "the portal answered early: the checks above saw nothing"

# The answer, then the window.
id=$(window_of LumoraMorvaine)
answered() { grep -q '^\[api\] GET /client/latest_version.html 200' "$ART/portal.log"; }
wait_until 10 "the portal's answer to the version request" answered
xprop -id "$id" _NET_WM_ICON | grep -q 'Icon (' || fail "the login window has no icon"
touch "$work/done"
wait "$launcher" || fail "the launcher ended with $?"
