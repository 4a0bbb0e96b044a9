#!/usr/bin/env bash
# The player's journey through the built launcher, timed against bare
# programs doing the same work, on a private Xvfb against an ephemeral local
# portal. Builds nothing.
#
#   bench/journey.sh [-n RUNS] [-d DISPLAY] [-t TYPING-SECONDS] [BUILD-DIR]
#              (default: 5 runs, a free display, 2 s of typing, build/bench)
#
# The build folder needs morvaine (with its engine module), lumora-portal and
# the helpers of bench/journey/:
#   cmake --build BUILD-DIR --target morvaine morvaine-webkit lumora-portal \
#     journey-exec journey-bare-window journey-bare-webkit
#
# Each run starts, one after the other: the bare GTK window, the launcher
# (driven through its automation driver and xdotool; the login comes
# TYPING-SECONDS after the first frame, the time a player takes to type, in
# which the launcher starts its web engine), the bare WebKitGTK window on the
# launcher's own server-list address. A warm-up run goes first
# and is not counted. Printed: the median of each phase over the runs, the
# reference's median and their ratio, and the peak memory (VmHWM) at the end
# of each phase, the program's own and with its web engine processes:
#   (a) process start → first login frame drawn; reference: process start →
#       the bare window's first frame drawn
#   (b) login submitted → server list loaded and its META sizes applied;
#       reference: process start → the same page loaded in a bare WebKitGTK
#       window, its META elements read through JavaScript and the size taken;
#       a second line compares with the bare program's part from its
#       load request on (its libraries, GTK and its view already there)
#   (c) the server's game link taken → game page loaded; reference: the same
#       in the bare WebKitGTK window
# "Process start" is the moment before exec (journey-exec stamps it), so the
# dynamic loader's work counts. The programs say when they reach a point with
# "mark: POINT NANOSECONDS" lines (monotonic clock): the launcher in its
# automation log, the references on standard output.
set -euo pipefail

runs=5
display=
typing=2
while getopts n:d:t: option; do
  case "$option" in
    n) runs=$OPTARG ;;
    d) display=${OPTARG#:} ;;
    t) typing=$OPTARG ;;
    *) echo "usage: $0 [-n RUNS] [-d DISPLAY] [-t TYPING-SECONDS] [BUILD-DIR]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || { echo "RUNS must be a positive number" >&2; exit 2; }
[[ -z "$display" || "$display" =~ ^[0-9]+$ ]] || { echo "DISPLAY must be a display number (:81)" >&2; exit 2; }
[[ "$typing" =~ ^[0-9]+(\.[0-9]+)?$ ]] || { echo "TYPING-SECONDS must be a number" >&2; exit 2; }
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$root/build/bench}" && pwd)"

launcher="$build/app/morvaine"
portal="$build/portal/lumora-portal"
stamp="$build/bench/journey/journey-exec"
bare_window="$build/bench/journey/journey-bare-window"
bare_webkit="$build/bench/journey/journey-bare-webkit"
for program in "$launcher" "$portal" "$stamp" "$bare_window" "$bare_webkit"; do
  [[ -x "$program" ]] || { echo "missing $program (see the build line at the top of $0)" >&2; exit 2; }
done
for tool in Xvfb xdotool import convert curl; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

work="$(mktemp -d)"
pids=()
cleanup() {
  local p
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  if [[ "${keep:-0}" = 1 ]]; then echo "logs kept in $work" >&2; else rm -rf "$work"; fi
}
trap cleanup EXIT

fail() {
  keep=1
  echo "journey: $*" >&2
  if [[ -n "${xvfb:-}" ]] && ! kill -0 "$xvfb" 2>/dev/null; then echo "journey: its X server is gone" >&2; fi
  exit 1
}

# nap SECONDS: a sleep that starts no process. The script waits while the
# programs it times start up, on two processors: a sleep, grep and sed
# started every few milliseconds took one of them away often enough to slow
# the bare window's start by half. The read waits on a pipe that never
# carries anything.
exec {nap_fd}<> <(:)
nap() { read -r -t "$1" -u "$nap_fd" _ || true; }

# until SECONDS WHAT COMMAND...: polls the command until it succeeds.
until_ok() {
  local end=$((SECONDS + $1)) what=$2
  shift 2
  until "$@"; do
    [[ "$SECONDS" -lt "$end" ]] || fail "timed out waiting for $what"
    nap 0.02
  done
}

# mark_of FILE POINT [NTH]: the time of the NTH (default: first) mark.
mark_of() { grep -E "^mark: $2 [0-9]+$" "$1" 2>/dev/null | sed -n "${3:-1}p" | cut -d' ' -f3; }

# wait_mark SECONDS FILE POINT [NTH]: waits for the NTH (default: first)
# mark of POINT while the program runs, reading FILE as it grows with the
# shell's own read: nothing is started while the program works.
wait_mark() {
  local end=$((SECONDS + $1)) file=$2 point=$3 nth=${4:-1} seen=0 line pending= fd
  until [[ -e "$file" ]]; do
    [[ "$SECONDS" -lt "$end" ]] || fail "timed out waiting for $point in $file"
    nap 0.005
  done
  exec {fd}<"$file"
  while :; do
    # A line read at the end of the file may be half written: its rest comes
    # with the next read.
    while IFS= read -r line <&"$fd"; do
      line=$pending$line pending=
      if [[ "$line" =~ ^mark:\ $point\ [0-9]+$ ]] && ((++seen == nth)); then
        exec {fd}<&-
        return 0
      fi
    done
    pending+=$line
    if [[ "$SECONDS" -ge "$end" ]]; then
      exec {fd}<&-
      fail "timed out waiting for $point in $file"
    fi
    nap 0.005
  done
}

# peak_kib PID: "OWN ALL", the process's VmHWM and that of it and all its
# descendants together (the web engine's processes), in KiB.
peak_kib() {
  local all own=0 total=0 p hwm
  all="$(ps -e -o pid=,ppid= | awk -v root="$1" '
    { parent[$1] = $2 }
    END { for (p in parent) { q = p; while (q != "" && q != 0 && q != root) q = parent[q]; if (q == root) print p } }')"
  for p in $all; do
    hwm="$(awk '/^VmHWM:/ { print $2 }' "/proc/$p/status" 2>/dev/null || true)"
    [[ -n "$hwm" ]] || continue
    total=$((total + hwm))
    [[ "$p" = "$1" ]] && own=$hwm
  done
  echo "$own $total"
}

# --- The desktop and the portal ---------------------------------------------------------
# -noreset: by default the X server resets when its last client leaves, which
# here is after every program; each program then started on a server just
# reset and paid for it (30 ms and more of the first frame's time, the same
# for the launcher and its reference, which hid half of their difference).
# A machine shared with other X servers gets its display number with -d.
if [[ -n "$display" ]]; then
  # An X server still ending on that display (a run just before) goes first.
  until_ok 10 "display :$display to be free" test ! -e "/tmp/.X$display-lock"
  Xvfb ":$display" -screen 0 1920x1080x24 -nolisten tcp -noreset 2>"$work/xvfb.log" &
  xvfb=$!
  export DISPLAY=":$display"
  x_up() { xdpyinfo -display "$DISPLAY" >/dev/null 2>&1; }
  until_ok 10 "Xvfb" x_up
  [[ "$(tr -d ' \n' <"/tmp/.X$display-lock" 2>/dev/null)" == "$xvfb" ]] ||
    fail "display :$display is another X server's"
else
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb=$!
  until_ok 10 "Xvfb" test -s "$work/display"
  export DISPLAY=":$(cat "$work/display")"
fi
pids+=("$xvfb")
export NO_AT_BRIDGE=1 GDK_BACKEND=x11
unset LUMORA_DEBUG LUMORA_PLATFORM

"$portal" --ports ephemeral --data "$work/portal" --win-width 1000 --win-height 640 \
  >"$work/portal-out.log" 2>"$work/portal.log" &
pids+=($!)
until_ok 10 "the portal" grep -qs '^LUMORA_PORTAL_HOSTS=' "$work/portal-out.log"
hosts="$(grep -m1 '^LUMORA_PORTAL_HOSTS=' "$work/portal-out.log")"
export "${hosts?}"
web="${LUMORA_PORTAL_HOSTS#*web=}"
web="${web%%,*}"
reply="$(curl -sS -d 'gid=73&username=xplayer&password=Secret12&password_again=Secret12&channel=360gj&version=3' \
  "http://$web/register/tillow.html")"
[[ "$reply" == *'"status":"200"'* ]] || fail "the account was not registered: $reply"

# --- One run of each program ------------------------------------------------------------
# Each leaves "NAME=VALUE" lines in $run/figures: times in nanoseconds, memory
# in KiB.

run_bare_window() {
  local run=$1 pid hold="$run/window-hold" own all
  mkdir -p "$hold"
  "$stamp" "$run/window.start" "$bare_window" "$hold" >"$run/window.out" 2>"$run/window.err" &
  pid=$!
  wait_mark 20 "$run/window.out" first-frame
  read -r own all < <(peak_kib "$pid")
  touch "$hold/first-frame.go"
  wait "$pid" || fail "the bare window ended with $?"
  echo "ref_a=$(($(mark_of "$run/window.out" first-frame) - $(cat "$run/window.start")))" >>"$run/figures"
  echo "ref_mem_a=$own" >>"$run/figures"
  echo "ref_mem_a_all=$all" >>"$run/figures"
}

# page_window TITLE LEFT TOP: the window of that title once the page sized it
# to 1000x640, and the page's area in it (inside LEFT and TOP of frame and
# title bar, and as much on the right and bottom as on the left).
page_window() {
  local w
  for w in $(xdotool search --name "^$1\$" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$w" | sed 's/^/local /')"
    if [[ "$WIDTH" = 1000 && "$HEIGHT" = 640 ]]; then
      PAGE_X=$((X + $2)) PAGE_Y=$((Y + $3)) PAGE_W=$((1000 - 2 * $2)) PAGE_H=$((640 - $3 - $2))
      return 0
    fi
  done
  return 1
}

# The first open server's button in the page found by page_window: the
# page's orange, once the page fills its area. The page is laid out for the
# window's first size until the view takes the size its META gave; a button
# found before that moves when the page is laid out again, and the click
# misses it. Both programs are clicked this way, through
# the X server, after the same search: a click through JavaScript at once
# after the load met a page still busy with its new size, and made the
# reference's figure depend on how soon it came.
server_button() {
  local bw bh bx by edge
  import -window root "$1/page.png" 2>/dev/null || return 1
  edge="$(convert "$1/page.png" -crop "1x1+$((PAGE_X + PAGE_W - 6))+$((PAGE_Y + 300))" +repage \
    -format '%[hex:p{0,0}]' info: 2>/dev/null)"
  [[ -n "$edge" && "$edge" != 000000* ]] || return 1
  read -r bw bh bx by < <(convert "$1/page.png" -crop "${PAGE_W}x${PAGE_H}+$PAGE_X+$PAGE_Y" +repage \
    -fill black -fuzz 3% +opaque '#ffb53b' -trim -format '%w %h %X %Y\n' info: 2>/dev/null | tr -d '+')
  [[ -n "${bw:-}" && "$bw" -gt 50 ]] || return 1
  BUTTON_X=$((PAGE_X + bx + 20)) BUTTON_Y=$((PAGE_Y + by + bh / 2))
}

run_launcher() {
  local run=$1 pid log="$run/launcher.log" data="$run/launcher" hold="$run/launcher-hold"
  mkdir -p "$data" "$hold"
  cat >"$run/script.txt" <<SCRIPT
wait-window LumoraMorvaine 30000
wait-file $hold/first-frame.go 60000
wait-file $hold/login.go 60000
click user
type xplayer
click pass
type Secret12
click startbtn
wait-file $hold/game-page.go 120000
quit
SCRIPT
  XDG_DATA_HOME="$data/data" XDG_CONFIG_HOME="$data/config" XDG_CACHE_HOME="$data/cache" \
    LUMORA_REGISTRY="$data/registry.reg" LUMORA_SHELL_LOG="$data/shell.txt" \
    LUMORA_AUTOMATION="$run/script.txt" LUMORA_AUTOMATION_LOG="$log" \
    "$stamp" "$run/launcher.start" "$launcher" >"$run/launcher.out" 2>"$run/launcher.err" &
  pid=$!
  wait_mark 30 "$log" first-frame
  local mem_a mem_a_all mem_l mem_l_all mem_b mem_b_all mem_c mem_c_all
  # The launcher's own figure at its first frame (a sample taken now would
  # include what it starts right after that frame); no engine process yet.
  # (Written with the mark; a launcher without that line is sampled now.)
  local tries=0
  until grep -qE '^first-frame: peak memory [0-9]+ KiB$' "$log" || [[ $((tries += 1)) -gt 25 ]]; do nap 0.02; done
  mem_a="$(sed -nE 's/^first-frame: peak memory ([0-9]+) KiB$/\1/p' "$log" | head -n 1)"
  if [[ -n "$mem_a" ]]; then mem_a_all=$mem_a; else read -r mem_a mem_a_all < <(peak_kib "$pid"); fi
  touch "$hold/first-frame.go"
  # The player's typing: the time the launcher has before the login.
  sleep "$typing"
  read -r mem_l mem_l_all < <(peak_kib "$pid")
  touch "$hold/login.go"
  # Both sizes of the page applied.
  wait_mark 60 "$log" server-list 2
  read -r mem_b mem_b_all < <(peak_kib "$pid")
  until_ok 30 "the game window" page_window LumoraMorvaine 2 30
  until_ok 30 "the server list's buttons" server_button "$run"
  xdotool mousemove "$BUTTON_X" "$BUTTON_Y" click 1
  wait_mark 60 "$log" game-page
  read -r mem_c mem_c_all < <(peak_kib "$pid")
  touch "$hold/game-page.go"
  wait "$pid" || fail "the launcher ended with $? (see $log)"
  grep -q '^error:' "$log" && fail "a driver command failed: $(grep '^error:' "$log")"
  local server_list
  server_list="$(mark_of "$log" server-list 2)"
  {
    echo "a=$(($(mark_of "$log" first-frame) - $(cat "$run/launcher.start")))"
    echo "b=$((server_list - $(mark_of "$log" login)))"
    echo "c=$(($(mark_of "$log" game-page) - $(mark_of "$log" server-click)))"
    echo "mem_a=$mem_a"
    echo "mem_a_all=$mem_a_all"
    echo "mem_l=$mem_l"
    echo "mem_l_all=$mem_l_all"
    echo "mem_b=$mem_b"
    echo "mem_b_all=$mem_b_all"
    echo "mem_c=$mem_c"
    echo "mem_c_all=$mem_c_all"
  } >>"$run/figures"
  # The address the launcher opened, for the reference.
  local line url uid token
  line="$(grep -m1 '^hand-over: ' "$log")"
  url="$(sed -E 's/.*url="([^"]*)".*/\1/' <<<"$line")"
  uid="$(sed -E 's/.*uid="([^"]*)".*/\1/' <<<"$line")"
  token="$(sed -E 's/.*token="([^"]*)".*/\1/' <<<"$line")"
  echo "$url&uid=$uid&token=$token" >"$run/server-list.url"
}

run_bare_webkit() {
  local run=$1 pid out="$run/webkit.out" hold="$run/webkit-hold" mem_b mem_b_all mem_c mem_c_all
  mkdir -p "$run/webkit" "$hold"
  XDG_DATA_HOME="$run/webkit/data" XDG_CACHE_HOME="$run/webkit/cache" \
    "$stamp" "$run/webkit.start" "$bare_webkit" "$(cat "$run/server-list.url")" "$hold" >"$out" 2>"$run/webkit.err" &
  pid=$!
  wait_mark 60 "$out" server-list
  read -r mem_b mem_b_all < <(peak_kib "$pid")
  touch "$hold/server-list.go"
  until_ok 30 "the bare engine's window" page_window JourneyBareWebKit 0 0
  until_ok 30 "the bare engine's buttons" server_button "$run"
  xdotool mousemove "$BUTTON_X" "$BUTTON_Y" click 1
  wait_mark 60 "$out" game-page
  read -r mem_c mem_c_all < <(peak_kib "$pid")
  touch "$hold/game-page.go"
  wait "$pid" || fail "the bare engine ended with $?"
  {
    echo "ref_b=$(($(mark_of "$out" server-list) - $(cat "$run/webkit.start")))"
    echo "ref_b_load=$(($(mark_of "$out" server-list) - $(mark_of "$out" load)))"
    echo "ref_c=$(($(mark_of "$out" game-page) - $(mark_of "$out" server-click)))"
    echo "ref_mem_b=$mem_b"
    echo "ref_mem_b_all=$mem_b_all"
    echo "ref_mem_c=$mem_c"
    echo "ref_mem_c_all=$mem_c_all"
  } >>"$run/figures"
}

for i in $(seq 0 "$runs"); do
  run="$work/run-$i"
  mkdir -p "$run"
  run_bare_window "$run"
  run_launcher "$run"
  run_bare_webkit "$run"
  if [[ "$i" = 0 ]]; then
    echo "warm-up run done" >&2
  else
    cat "$run/figures" >>"$work/all-figures"
    echo "run $i of $runs done" >&2
  fi
done

# --- The figures -----------------------------------------------------------------------------
median() {  # NAME → the median of its values over the counted runs
  grep "^$1=" "$work/all-figures" | cut -d= -f2 | sort -n |
    awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
phase() {  # LABEL NAME GOAL [REFERENCE-NAME]
  awk -v label="$1" -v l="$(median "$2")" -v r="$(median "ref_${4:-$2}")" -v goal="$3" 'BEGIN {
    ratio = l / r
    printf "%-44s %9.1f ms %9.1f ms %7.2fx   <= %.2fx  %s\n", label, l / 1e6, r / 1e6, ratio, goal,
           ratio <= goal ? "met" : "NOT met" }'
}
memory() {  # LABEL NAME
  awk -v label="$1" -v own="$(median "$2")" -v all="$(median "$2_all")" -v rown="$(median "ref_$2")" \
    -v rall="$(median "ref_$2_all")" 'BEGIN {
    if (rall > 0) printf "%-44s %7.1f / %-7.1f %7.1f / %-7.1f\n", label, own / 1024, all / 1024, rown / 1024, rall / 1024
    else printf "%-44s %7.1f / %-7.1f %17s\n", label, own / 1024, all / 1024, "-" }'
}
echo
echo "journey of the launcher, median of $runs runs (each beside its reference)"
printf "%-44s %12s %12s %8s   %s\n" "phase" "launcher" "reference" "ratio" "goal"
phase "(a) start -> first login frame drawn" a 1.2
phase "(b) login -> server list, META applied" b 1.15
phase "    the same, beside the bare load alone" b 1.15 b_load
phase "(c) server link -> game page loaded" c 1.15
echo
echo "peak memory at the end of each phase, MiB (own / with the engine's processes)"
printf "%-44s %17s %17s\n" "phase" "launcher" "reference"
memory "(a) first login frame" mem_a
memory "    until the login (game window not open)" mem_l
memory "(b) server list" mem_b
memory "(c) game page" mem_c
