#!/usr/bin/env bash
# Fails when a source of one of the platform's groups includes a header of a
# group it may not use, or a header of the platform outside every group (a
# backend's, or a path from before the grouping). The object libraries of the
# groups cannot catch this: a header needs no linking.
#   scripts/check-platform-layers.sh [source root]
set -euo pipefail
root="${1:-$(cd "$(dirname "$0")/.." && pwd)}"

declare -A uses=(
  [base]=""
  [gfx]="base"
  [window]="gfx base"
  [syscontrols]="window gfx base"
  [system]="base"
  [com]="window system gfx base"
)
# Include edges out of the groups that are known and meant to go: file|header.
exceptions=()

failures=0
for group in "${!uses[@]}"; do
  dir="$root/platform/$group"
  [[ -d "$dir" ]] || { echo "missing group folder: platform/$group" >&2; failures=$((failures + 1)); continue; }
  while IFS= read -r -d '' file; do
    rel="${file#"$root/platform/"}"
    while IFS= read -r header; do
      target="${header%%/*}"
      [[ "$target" == "$group" ]] && continue
      allowed=no
      for used in ${uses[$group]}; do
        [[ "$target" == "$used" ]] && allowed=yes
      done
      for exception in "${exceptions[@]}"; do
        [[ "$rel|$header" == "$exception" ]] && allowed=yes
      done
      if [[ $allowed == no ]]; then
        if [[ -n "${uses[$target]+set}" ]]; then
          echo "platform/$rel includes platform/$header: $group may use only: ${uses[$group]:-nothing}" >&2
        else
          echo "platform/$rel includes platform/$header, which belongs to no group $group may use" >&2
        fi
        failures=$((failures + 1))
      fi
    done < <(sed -nE 's@^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]platform/([^">]+)[">].*@\1@p' "$file")
  done < <(find "$dir" -type f \( -name '*.h' -o -name '*.cpp' \) -print0)
done

if ((failures > 0)); then
  echo "$failures include edge(s) outside the platform's group graph" >&2
  exit 1
fi
echo "platform groups: every include edge is allowed"
