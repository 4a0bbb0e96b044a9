#!/usr/bin/env bash
# Installs what is missing, builds the launcher and the local portal, starts the
# portal on its default ports unless one already answers there (or the portal
# hosts are pointed elsewhere), runs the launcher, and stops the portal it
# started when the launcher exits.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" run

api_port=47801
portal_pid=""
portal_log="$root/build/run/portal.log"

listening() {
  (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null
}

stop_portal() {
  if [ -n "$portal_pid" ]; then
    kill "$portal_pid" 2>/dev/null || true
    wait "$portal_pid" 2>/dev/null || true
    portal_pid=""
  fi
}
trap stop_portal EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

overridden=""
for var in LUMORA_PORTAL_HOSTS LUMORA_PORTAL_API_HOST LUMORA_PORTAL_WEB_HOST LUMORA_PORTAL_STATS_HOST \
  LUMORA_PORTAL_FORUM_HOST LUMORA_PORTAL_GAME_HOST LUMORA_PORTAL_PARTNER_HOST LUMORA_PORTAL_DOWNLOAD_HOST; do
  if [ -n "${!var:-}" ]; then overridden="$var"; fi
done

if [ -n "$overridden" ]; then
  echo "run.sh: $overridden is set; not starting the local portal" >&2
elif listening "$api_port"; then
  echo "run.sh: a portal already answers on 127.0.0.1:$api_port; using it" >&2
else
  "$root/build/run/portal/lumora-portal" --ports default >/dev/null 2>>"$portal_log" &
  portal_pid=$!
  for _ in $(seq 100); do
    if listening "$api_port"; then break; fi
    if ! kill -0 "$portal_pid" 2>/dev/null; then
      wait "$portal_pid" || true
      portal_pid=""
      echo "run.sh: the local portal did not start; see $portal_log" >&2
      exit 1
    fi
    sleep 0.1
  done
  echo "run.sh: local portal running (log: $portal_log)" >&2
fi

status=0
"$root/build/run/app/morvaine" "$@" || status=$?
exit "$status"
