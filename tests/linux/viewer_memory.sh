# shellcheck shell=bash
# Helpers that read a running viewer's memory, for its end-to-end tests and
# its memory bench; sourced. Need xdotool and a DISPLAY.

# Prints the id of the window of viewer process $1 once it shows a keyframe
# (its title then holds "K/N"); waits up to 20 s (slow sanitizer builds).
viewer_window() {
  local pid=$1 id i
  for i in $(seq 400); do
    id=$(xdotool search --pid "$pid" --name '  [0-9]+/[0-9]+' 2>/dev/null | head -n1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.05
  done
  return 1
}

rss_kib() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
cpu_ticks_of() { sed 's/.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }

# Prints VmRSS (KiB) of process $1 once it has used no CPU for half a second:
# a paused viewer sleeps until input comes, so by then it has handled all of
# it (a resize, keys typed ahead). Gives up after 120 s and prints it anyway.
settled_rss() {
  local pid=$1 last now i
  last=$(cpu_ticks_of "$pid")
  for i in $(seq 240); do
    sleep 0.5
    now=$(cpu_ticks_of "$pid")
    [ "$now" = "$last" ] && break
    last=$now
  done
  rss_kib "$pid"
}

# Steps the paused viewer in window $1 from its first keyframe (Home) through
# to the last of its $2 with →, $3 times over. One key at a time, each shown
# before the next comes (keys that arrive together are applied together and
# shown once), so every keyframe retitles the window.
step_through() {
  local win=$1 keyframes=$2 passes=$3 rights
  mapfile -t rights < <(yes Right | head -n $((keyframes - 1)))
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
  for _ in $(seq "$passes"); do
    xdotool key Home
    xdotool key --delay 1 "${rights[@]}"
  done
}
