#!/usr/bin/env bash
# A whole registration and login through the launcher binary on the headless
# backend, against the local portal on ephemeral ports. The first run
# registers (which signs in at once), the second signs in with the account the
# first one remembered. Checks the automation logs (boxes, launches, the
# hand-over with uid and token) and the portal's statistics rows; keeps the
# snapshots and logs under $E2E_ARTIFACTS/login_headless/.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${LUMORA_BUILD_DIR:-$root/build/test}"
launcher="${LAUNCHER:-$build/app/morvaine}"
portal="${PORTAL:-$build/portal/lumora-portal}"
artifacts="${E2E_ARTIFACTS:-$build/e2e-artifacts}/login_headless"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=0}"

rm -rf "$artifacts"
mkdir -p "$artifacts"
work="$(mktemp -d)"
portal_pid=""
cleanup() {
  if [[ -n "$portal_pid" ]]; then kill "$portal_pid" 2>/dev/null || true; wait "$portal_pid" 2>/dev/null || true; fi
  cp -f "$work"/*.log "$work"/*.txt "$artifacts"/ 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# --- The portal ------------------------------------------------------------------
"$portal" --ports ephemeral --data "$work/portal" >"$work/portal-out.txt" 2>"$work/portal.log" &
portal_pid=$!
hosts=""
for _ in $(seq 1 100); do
  hosts="$(grep -m1 '^LUMORA_PORTAL_HOSTS=' "$work/portal-out.txt" 2>/dev/null || true)"
  [[ -n "$hosts" ]] && break
  kill -0 "$portal_pid" 2>/dev/null || fail "the portal did not start: $(cat "$work/portal.log")"
  sleep 0.1
done
[[ -n "$hosts" ]] || fail "the portal printed no hosts line"
export "${hosts?}"
echo "portal: $LUMORA_PORTAL_HOSTS"

# The launcher's own environment: headless, its data folder in the work
# folder, launches recorded instead of started, no registry.
export LUMORA_PLATFORM=headless
export XDG_DATA_HOME="$work/data"
export XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache"
export LUMORA_REGISTRY="$work/registry.reg"
export LUMORA_SHELL_LOG="$work/shell.txt"
mkdir -p "$XDG_DATA_HOME"

run_launcher() {  # script-file log-file
  LUMORA_AUTOMATION="$1" LUMORA_AUTOMATION_LOG="$2" timeout 60 "$launcher" >"$2.out" 2>&1 ||
    fail "the launcher ended with $? (log: $(cat "$2"))"
}

expect_line() {  # log-file fixed-text
  grep -qF -- "$2" "$1" || fail "$(basename "$1") lacks: $2"
}

# --- First run: register ----------------------------------------------------------
cat >"$work/register.txt" <<SCRIPT
wait-window LumoraMorvaine 10000
snapshot LumoraMorvaine $artifacts/01-login-page.png
tree LumoraMorvaine
click startbtn
click webbtn
click regaccount
snapshot LumoraMorvaine $artifacts/02-registration-page.png
click reguser
key Home
key Shift+End
type e2e_player
click regpass
type Secr&t=1
click regpassconfirm
type Secr&t=2
click regbtn
click regpassconfirm
type Secr&t=1
snapshot LumoraMorvaine $artifacts/03-registration-filled.png
click regbtn
wait-window LumoraMorvaine 10000
sleep 500
snapshot LumoraMorvaine $artifacts/04-game-window.png
quit
SCRIPT
run_launcher "$work/register.txt" "$work/register.log"
log="$work/register.log"
expect_line "$log" 'box: caption="LumoraMorvaine" text="请输入游戏账号或者密码" buttons=OK answer=OK'
expect_line "$log" 'box: caption="LumoraMorvaine" text="两次密码不一致,请确认" buttons=OK answer=OK'
web="${LUMORA_PORTAL_HOSTS#*web=}"
web="${web%%,*}"
expect_line "$log" "launch: program=\"iexplore.exe\" parameters=\"http://$web\""
expect_line "$log" 'EditUI name="user"'
expect_line "$log" 'automation: end of script'
grep -q '^error:' "$log" && fail "a command failed: $(grep '^error:' "$log")"
handover="$(grep '^hand-over:' "$log" || true)"
[[ -n "$handover" ]] || fail "the registration did not hand over to the game window"
# After a registration the game opens on the login reply's own page.
[[ "$handover" =~ uid=\"[0-9]+\"\ token=\"[0-9a-f]+\" ]] || fail "no uid and token in: $handover"
for png in 01-login-page 02-registration-page 03-registration-filled 04-game-window; do
  [[ -s "$artifacts/$png.png" ]] || fail "no snapshot $png"
done
remembered="$XDG_DATA_HOME/lumora/login/lastlogininfo.info"
[[ -s "$remembered" ]] || fail "the registration did not remember the account"
[[ "$(od -An -c "$XDG_DATA_HOME/lumora/channel.ini" | tr -d ' \n')" == '360gj\0' ]] || fail "channel.ini is wrong"

# --- Second run: sign in with the remembered account -----------------------------------
cp "$remembered" "$work/remembered-before.txt"
cat >"$work/login.txt" <<SCRIPT
wait-window LumoraMorvaine
tree LumoraMorvaine
snapshot LumoraMorvaine $artifacts/05-login-restored.png
click pass
type wrong-password
key Enter
click pass
type Secr&t=1
snapshot LumoraMorvaine $artifacts/06-login-filled.png
key Enter
wait-window LumoraMorvaine 10000
sleep 500
tree LumoraMorvaine
snapshot LumoraMorvaine $artifacts/07-game-window.png
quit
SCRIPT
run_launcher "$work/login.txt" "$work/login.log"
log="$work/login.log"
expect_line "$log" 'EditUI name="user" rect='
expect_line "$log" 'text="e2e_player"'
expect_line "$log" 'text=(password, 8 characters)'
expect_line "$log" 'box: caption="LumoraMorvaine" text="账号或密码错误" buttons=OK answer=OK'
grep -q '^error:' "$log" && fail "a command failed: $(grep '^error:' "$log")"
handover="$(grep '^hand-over:' "$log" || true)"
api="${LUMORA_PORTAL_HOSTS#*api=}"
api="${api%%,*}"
expect_line "$log" "hand-over: url=\"http://$api/client/redirect.html?type=servers&gcode=mvn&ver=3\" uid=\""
[[ "$handover" =~ uid=\"[0-9]+\"\ token=\"[0-9a-f]+\" ]] || fail "no uid and token in: $handover"
cmp -s "$remembered" "$work/remembered-before.txt" || fail "a login changed the remembered account"
[[ -s "$artifacts/07-game-window.png" ]] || fail "no snapshot of the game window"
# The journey's time marks: the login window's first frame before anything
# else, a login per submission, the server list's sizes after the last one,
# all on one clock that never goes back.
marks="$(grep -E '^mark: ' "$log" | cut -d' ' -f2 | tr '\n' ' ')"
[[ "$marks" =~ ^first-frame\ (login\ )+server-list\ server-list\ $ ]] || fail "unexpected marks: $marks"
grep -E '^mark: ' "$log" | cut -d' ' -f3 | sort -c -n || fail "the marks' times go back"

# --- The portal's records ------------------------------------------------------------------
kill "$portal_pid"
wait "$portal_pid" 2>/dev/null || true
portal_pid=""
pings="$(sqlite3 "$work/portal/portal.sqlite" "SELECT t || ' ' || c || ' ' || length(u) FROM pings ORDER BY id")"
echo "$pings" >"$work/pings.txt"
[[ "$pings" == $'2 360gj 16\n3 360gj 16\n3 360gj 16' ]] || fail "unexpected statistics rows: $pings"
accounts="$(sqlite3 "$work/portal/portal.sqlite" "SELECT account FROM accounts")"
[[ "$accounts" == "e2e_player" ]] || fail "unexpected accounts: $accounts"
echo "login_headless: passed"
