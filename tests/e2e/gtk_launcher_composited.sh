#!/usr/bin/env bash
# The launcher journey of gtk_launcher.sh with a compositor (xcompmgr)
# running: the skinned windows are drawn with per-pixel alpha through an RGBA
# visual instead of being cut to shape, and every check must hold as well.
xcompmgr >/dev/null 2>&1 &
# A window takes its visual when it is made: the compositor must own the
# screen first (its selection window exists then).
for _ in $(seq 200); do
  xwininfo -root -children 2>/dev/null | grep -q '"xcompmgr"' && break
  sleep 0.05
done
source "$(dirname "$0")/gtk_launcher.sh"
