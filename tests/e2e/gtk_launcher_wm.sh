#!/usr/bin/env bash
# The launcher journey of gtk_launcher.sh with a window manager (openbox)
# running, as on a desktop: the manager places, focuses and moves the windows
# and decorates the boxes; every check of the journey must hold as well.
openbox >/dev/null 2>&1 &
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
source "$(dirname "$0")/gtk_launcher.sh"
