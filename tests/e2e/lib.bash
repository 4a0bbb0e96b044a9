# Helpers of the end-to-end scripts (sourced, not a test of its own).
# Every wait polls with a deadline; nothing sleeps a fixed time to let
# something happen.
set -euo pipefail

ART="${E2E_ARTIFACTS:?}/$(basename "$0" .sh)"
rm -rf "$ART"
mkdir -p "$ART"
PROBE="${GTK_PROBE:?}"
PIDS=()

cleanup() {
  local p
  for p in "${PIDS[@]}"; do kill "$p" 2>/dev/null || true; done
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  import -window root "$ART/failure.png" 2>/dev/null || true
  local f
  for f in "$ART"/*.log "$ART"/*.err; do
    [ -s "$f" ] && { echo "--- $f" >&2; cat "$f" >&2; }
  done
  exit 1
}

# start_probe NAME ARGS...: a probe logging to $ART/NAME.log; PROBE_PID is its id.
start_probe() {
  local name=$1
  shift
  "$PROBE" "$@" >"$ART/$name.log" 2>"$ART/$name.err" &
  PROBE_PID=$!
  PIDS+=("$PROBE_PID")
  wait_log "$name" '^READY'
}

# wait_log NAME REGEX [SECONDS]: until a line of NAME.log matches.
wait_log() {
  local log="$ART/$1.log" re=$2 end=$((SECONDS + ${3:-10}))
  until grep -qE -- "$re" "$log" 2>/dev/null; do
    [ "$SECONDS" -lt "$end" ] || fail "no line matching '$re' in $1.log"
    sleep 0.05
  done
}

# count_log NAME REGEX: how many lines match.
count_log() { grep -cE -- "$2" "$ART/$1.log" || true; }

# wait_until SECONDS WHAT COMMAND...: until the command succeeds.
wait_until() {
  local end=$((SECONDS + $1)) what=$2
  shift 2
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || fail "timed out waiting for $what"
    sleep 0.05
  done
}

# The X window with exactly this title.
window_of() {
  local id
  id=$(xdotool search --sync --name "^$1\$" | head -n 1)
  [ -n "$id" ] || fail "no window named '$1'"
  echo "$id"
}

# "X Y W H" of a window.
geometry() {
  local X Y WIDTH HEIGHT WINDOW SCREEN
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $WIDTH $HEIGHT"
}

geometry_is() { [ "$(geometry "$1")" = "$2" ]; }

screenshot() { import -window root "$ART/$1.png"; }

# pixel SHOT X Y: the colour as RRGGBB.
pixel() { convert "$ART/$1.png" -format "%[hex:p{$2,$3}]" info: | cut -c1-6; }

expect_pixel() {
  local got
  got=$(pixel "$1" "$2" "$3")
  [ "$got" = "$4" ] || fail "pixel ($2,$3) of $1.png is $got, expected $4"
}

expect_eq() { [ "$1" = "$2" ] || fail "$3: got '$1', expected '$2'"; }

# "L T R B" of the last control of this name in a driver log's tree listing:
# tree_rect LOG NAME.
tree_rect() {
  local line
  line=$(grep -E "name=\"$2\" rect=" "$1" | tail -n 1)
  [ -n "$line" ] || fail "no control '$2' in the tree of $(basename "$1")"
  line=${line#*rect=}
  echo "${line%% *}" | tr , ' '
}

# Starts the portal on ephemeral ports with its data under DATA-DIR and one
# player, "xplayer" with the password "Secret12"; exports LUMORA_PORTAL_HOSTS
# and defines role_host ROLE ("host:port" of that role).
# start_portal_with_player DATA-DIR [PORTAL-LOG]
start_portal_with_player() {
  "$PORTAL" --ports ephemeral --data "$1" --win-width 1000 --win-height 640 \
    >"$ART/portal-out.log" 2>"${2:-$ART/portal.log}" &
  PIDS+=($!)
  wait_log portal-out '^LUMORA_PORTAL_HOSTS='
  local hosts reply
  hosts=$(grep -m1 '^LUMORA_PORTAL_HOSTS=' "$ART/portal-out.log")
  export "${hosts?}"
  role_host() { local h="${LUMORA_PORTAL_HOSTS#*$1=}"; echo "${h%%,*}"; }
  reply=$(curl -sS -d 'gid=73&username=xplayer&password=Secret12&password_again=Secret12&channel=360gj&version=3' \
    "http://$(role_host web)/register/tillow.html")
  [[ "$reply" == *'"status":"200"'* ]] || fail "the account was not registered: $reply"
}
