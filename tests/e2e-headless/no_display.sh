#!/usr/bin/env bash
# The launcher started where no desktop can be reached: it must not fall back
# to acting unseen (answering its own boxes, starting an installer). It says
# which display it tried in one line and exits with a non-zero code before any
# start-up decision: no request reaches the portal, nothing is launched.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${LUMORA_BUILD_DIR:-$root/build/test}"
launcher="${LAUNCHER:-$build/app/morvaine}"
portal="${PORTAL:-$build/portal/lumora-portal}"
artifacts="${E2E_ARTIFACTS:-$build/e2e-artifacts}/no_display"
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

# A portal that would make the launcher prompt for an installer at once.
coproc PORTAL { exec "$portal" --ports ephemeral --data "$work/portal" --force-update 2>"$work/portal.log"; }
portal_pid=$PORTAL_PID
read -r hosts <&"${PORTAL[0]}" || fail "the portal did not start"
[[ "$hosts" == LUMORA_PORTAL_HOSTS=* ]] || fail "unexpected portal line: $hosts"

run() {
  set +e
  env -u LUMORA_PLATFORM -u WAYLAND_DISPLAY "$@" "$hosts" HOME="$work/home" XDG_DATA_HOME="$work/data" \
    XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" LUMORA_SHELL_LOG="$work/shell.log" \
    timeout 30 "$launcher" >"$work/stdout.txt" 2>"$work/stderr.txt"
  code=$?
  set -e
}

run DISPLAY=:97
[[ $code -ne 0 && $code -ne 124 ]] || fail "exit code $code without a display"
grep -q 'cannot open the display ":97"' "$work/stderr.txt" || fail "no line naming the display: $(cat "$work/stderr.txt")"
[[ ! -s "$work/shell.log" ]] || fail "something was launched: $(cat "$work/shell.log")"
requests="$(grep -c 'latest_version' "$work/portal.log" || true)"
[[ "$requests" == 0 ]] || fail "the version document was asked for without a display"

run -u DISPLAY WAYLAND_DISPLAY=nowhere-0
[[ $code -ne 0 && $code -ne 124 ]] || fail "exit code $code without DISPLAY"
grep -q 'cannot open the display (not set) (WAYLAND_DISPLAY "nowhere-0")' "$work/stderr.txt" ||
  fail "no line naming both displays: $(cat "$work/stderr.txt")"
echo "PASS: no display, no decisions"
