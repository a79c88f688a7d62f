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

# Types $2 arrow keys into window $1, → and ← in turn: each one steps to
# another keyframe and so retitles the window.
step_keys() {
  local win=$1 left=$2 chunk args i
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
  while [ "$left" -gt 0 ]; do
    chunk=$((left < 1000 ? left : 1000))
    args=()
    for ((i = 0; i < chunk; i++)); do
      if ((i % 2)); then args+=(Left); else args+=(Right); fi
    done
    xdotool key --delay 0 "${args[@]}"
    left=$((left - chunk))
  done
}
