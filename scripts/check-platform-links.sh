#!/usr/bin/env bash
# Fails when the object code of one of the platform's groups needs a symbol of
# the platform that only a group it may not use defines (a call through a
# declaration placed below its definition escapes the include check).
#   scripts/check-platform-links.sh group=object.o:object.o ...
set -euo pipefail

declare -A uses=(
  [base]=""
  [gfx]="base"
  [window]="gfx base"
  [syscontrols]="window gfx base"
  [system]="base"
  [com]="window system gfx base"
)

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

declare -a groups=()
for arg in "$@"; do
  group="${arg%%=*}"
  [[ -n "${uses[$group]+set}" ]] || { echo "unknown group: $group" >&2; exit 2; }
  groups+=("$group")
  IFS=: read -r -a objects <<<"${arg#*=}"
  # Symbols of namespace os (mangled _ZN2os / _ZNK2os), defined and needed.
  nm --defined-only "${objects[@]}" 2>/dev/null | awk '$2 ~ /^[TWDBRV]$/ && $3 ~ /^_ZN(K)?2os/ {print $3}' |
    sort -u >"$scratch/$group.defined"
  nm --undefined-only "${objects[@]}" 2>/dev/null | awk '$1 == "U" && $2 ~ /^_ZN(K)?2os/ {print $2}' |
    sort -u >"$scratch/$group.needed"
done
((${#groups[@]} > 0)) || { echo "usage: $0 group=object.o:object.o ..." >&2; exit 2; }

failures=0
for group in "${groups[@]}"; do
  for other in "${groups[@]}"; do
    [[ "$other" == "$group" ]] && continue
    [[ " ${uses[$group]} " == *" $other "* ]] && continue
    while IFS= read -r symbol; do
      grep -qxF "$symbol" "$scratch/$group.defined" && continue
      echo "$group needs $(c++filt "$symbol"), which $other defines; $group may use only: ${uses[$group]:-nothing}" >&2
      failures=$((failures + 1))
    done < <(comm -12 "$scratch/$group.needed" "$scratch/$other.defined")
  done
done

if ((failures > 0)); then
  echo "$failures symbol(s) needed across the platform's group graph" >&2
  exit 1
fi
echo "platform groups: every symbol needed comes from an allowed group"
