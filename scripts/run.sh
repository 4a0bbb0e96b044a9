#!/usr/bin/env bash
# Installs what is missing, builds the launcher and runs it.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
bash "$root/scripts/build.sh" run
exec "$root/build/run/app/morvaine" "$@"
