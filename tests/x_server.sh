# shellcheck shell=bash
# A private X server for the end-to-end scripts and the host bench; sourced.

# start_x_server DIR COMMAND [ARGS...]: runs the X server COMMAND (Xvfb or
# Xorg with its arguments) on a free display, which it names through
# -displayfd, and waits up to 10 s for it; then exports DISPLAY. The server's
# own output goes to DIR/x-server.log. Sets x_server_pid; returns 1 when the
# server named no display.
start_x_server() {
  local dir=$1
  shift
  x_server_pid=""
  exec 5>"$dir/display"
  "$@" -displayfd 5 </dev/null >"$dir/x-server.log" 2>&1 &
  x_server_pid=$!
  export x_server_pid  # read by the scripts that source this file
  exec 5>&-
  for _ in $(seq 200); do  # 10 s
    [ -s "$dir/display" ] && break
    sleep 0.05
  done
  [ -s "$dir/display" ] || return 1
  DISPLAY=":$(head -n1 "$dir/display")"
  export DISPLAY
}

# On Xorg's dummy driver with one screen (one-screen-randr-xorg.conf), puts a
# 1024x768 monitor (output DUMMY1) to the right of the 1280x720 one (DUMMY0).
add_right_monitor() {
  xrandr --newmode 1024x768_right 65.00 1024 1048 1184 1344 768 771 777 806 -hsync -vsync &&
    xrandr --addmode DUMMY1 1024x768_right &&
    xrandr --fb 2304x768 --output DUMMY1 --mode 1024x768_right --right-of DUMMY0
}
