#!/usr/bin/env bash
# End-to-end cases of the Linux screen saver, each on its own Xvfb server.
# Usage: e2e.sh CASE   with MIRUKADO and X_PROBE naming the two programs.
# Exit 0 pass, 1 fail, 77 skip (no Xvfb or xdotool).
set -u

case_name=${1:?case}
: "${MIRUKADO:?}" "${X_PROBE:?}"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-e2e.XXXXXX")
xvfb=""
started=()

cleanup() {
  local p
  for p in "${started[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*"
  # What the saver said is usually the reason (a sanitizer's report included).
  [ -s "$work/err.log" ] && { echo "--- the saver's stderr:"; tail -n 40 "$work/err.log"; }
  exit 1
}

source "$(dirname "$0")/../x_server.sh"

# A private X server on a free display; -noreset keeps the pointer where the
# test put it when the last client disconnects.
start_x() {
  local size=${1:-1024x768x24}
  start_x_server "$work" Xvfb -screen 0 "$size" -noreset -nolisten tcp "${@:2}" ||
    fail "Xvfb did not start"
  xvfb=$x_server_pid
}

# Xorg on the dummy video driver with two monitors side by side, 1280x720 and
# 1024x768 at its right (Xvfb cannot place two monitors side by side): two X
# screens joined by Xinerama, or with "randr" one screen with a second RandR
# output. Xorg with a configuration of our own needs root.
start_two_monitors() {
  local conf=two-monitors-xorg.conf
  [ "${1:-}" = randr ] && conf=one-screen-randr-xorg.conf
  [ "$(id -u)" = 0 ] || { echo "SKIP: Xorg with the dummy driver needs root"; exit 77; }
  command -v Xorg >/dev/null || { echo "SKIP: Xorg is not installed"; exit 77; }
  ls /usr/lib/xorg/modules/drivers/dummy_drv.so >/dev/null 2>&1 ||
    { echo "SKIP: the dummy video driver is not installed"; exit 77; }
  start_x_server "$work" Xorg -config "$(dirname "$0")/$conf" -noreset -nolisten tcp \
    -logfile "$work/xorg.log"
  xvfb=$x_server_pid
  [ -s "$work/display" ] || fail "Xorg did not start: $(tail -n 5 "$work/xorg.log")"
  [ "${1:-}" = randr ] || return 0
  command -v xrandr >/dev/null || { echo "SKIP: xrandr is not installed"; exit 77; }
  add_right_monitor || fail "xrandr could not add the second monitor"
  xrandr >/dev/null  # the server polls its outputs once
}

# Prints the white box of the middle third of rows of "X Y W H" in window $1
# (there, the platoon drill's frame: its sides, not the captions above nor the
# marks below it) once it is at least a third of that width and the same twice
# running; fails the case when it never settles.
settled_white_box() {
  local id=$1 x=$2 y=$3 w=$4 h=$5 box previous="" i
  for i in $(seq 150); do
    box=$("$X_PROBE" white_box "$id" "$x" $((y + h / 3)) "$w" $((h / 3)))
    if [ "$box" != none ]; then
      read -r left _ right _ <<<"$box"
      if [ $((right - left)) -ge $((w / 3)) ]; then
        [ "$box" = "$previous" ] && { echo "$box"; return 0; }
        previous=$box
      fi
    fi
    sleep 0.2
  done
  return 1
}

# The platoon drill's frame on the part of the screen "X Y W H" lies inside it,
# centred: a stage of its own, not part of a stage cut by a seam.
expect_stage_in() {
  local what=$1 x=$2 y=$3 w=$4 h=$5 box
  box=$(settled_white_box root "$x" "$y" "$w" "$h") ||
    fail "$what: no whole stage drawn in $w x $h at $x,$y"
  read -r left _ right _ <<<"$box"
  [ "$left" -gt "$x" ] && [ "$right" -lt $((x + w - 1)) ] ||
    fail "$what: the stage touches the edges of $w x $h at $x,$y ($box)"
  local centre=$(((left + right) / 2)) middle=$((x + w / 2))
  [ "$centre" -ge $((middle - w / 20)) ] && [ "$centre" -le $((middle + w / 20)) ] ||
    fail "$what: the stage is not centred on $w x $h at $x,$y ($box)"
}

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
export NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory
unset XSCREENSAVER_WINDOW DBUS_SESSION_BUS_ADDRESS
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
ini="$XDG_CONFIG_HOME/mirukado/ミルカド.ini"

running() {
  local state
  state=$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1) || return 1
  [ -n "$state" ] && [ "$state" != Z ]
}

# Waits up to $2 ms for process $1 to end; fails the case otherwise.
expect_exit_within() {
  local pid=$1 ms=$2 waited=0
  while running "$pid"; do
    [ "$waited" -ge "$ms" ] && fail "${3:-process} still running after $ms ms"
    sleep 0.05
    waited=$((waited + 50))
  done
}

expect_running() { running "$1" || fail "${2:-process} is no longer running"; }

status_of() {
  wait "$1"
  echo $?
}

saver() {
  "$MIRUKADO" "$@" >>"$work/out.log" 2>>"$work/err.log" &
  started+=($!)
  last=$!
}

host_window() {
  rm -f "$work/host.id"
  "$X_PROBE" host "$1" "$2" >"$work/host.id" &
  host_pid=$!
  started+=($host_pid)
  local i
  for i in $(seq 100); do
    [ -s "$work/host.id" ] && break
    sleep 0.05
  done
  host_id=$(head -n1 "$work/host.id")
  [ -n "$host_id" ] || fail "no host window"
}

wait_for_caption() {
  local i ids
  for i in $(seq 200); do
    ids=$("$X_PROBE" find "$1")
    [ -n "$ids" ] && { echo "$ids" | head -n1; return 0; }
    sleep 0.05
  done
  return 1
}

lit() { "$X_PROBE" lit "$1"; }

# Presses OK in the settings dialog of run $last, whose choice cannot be
# saved: a message with the dialog's caption opens over it and the run waits
# there; Return in the message ends the run, with status 1 and one line on
# stderr that names the file and the reason ($2).
ok_not_saved() {
  local what=$1 reason=$2 dlg message="" i
  dlg=$(wait_for_caption ミルカドスクリーンセーバー設定) || fail "$what: no settings dialog"
  xdotool windowfocus --sync "$dlg" 2>/dev/null || xdotool windowfocus "$dlg"
  sleep 0.5
  xdotool key Return
  for i in $(seq 100); do
    message=$("$X_PROBE" find ミルカドスクリーンセーバー設定 | grep -vx "$dlg" | head -n1)
    [ -n "$message" ] && break
    sleep 0.05
  done
  [ -n "$message" ] || fail "$what: OK showed no message"
  sleep 0.5
  expect_running "$last" "$what: the dialog while its message shows"
  xdotool windowfocus --sync "$message" 2>/dev/null || xdotool windowfocus "$message"
  xdotool key Return
  expect_exit_within "$last" 3000 "$what: the dialog after its message"
  [ "$(status_of "$last")" = 1 ] || fail "$what: exit status not 1"
  [ "$(wc -l <"$work/err.log")" = 1 ] || fail "$what: stderr is not one line: $(cat "$work/err.log")"
  grep -q "could not be saved: .*$reason" "$work/err.log" || fail "$what: $(cat "$work/err.log")"
}

# Runs one start that must fail: $1 names the case in messages, the rest is an
# `env` command line (NAME=VALUE ... ARGS). Passes when the program ends within
# 3 s with status 1 and exactly one line on stderr, nothing on stdout.
expect_refused() {
  local what=$1
  shift
  env "$@" >"$work/refused.out" 2>"$work/refused.err" &
  local pid=$!
  started+=("$pid")
  expect_exit_within "$pid" 3000 "$what"
  local status
  status=$(status_of "$pid")
  [ "$status" = 1 ] || fail "$what: exit status $status, not 1"
  [ "$(wc -l <"$work/refused.err")" = 1 ] || fail "$what: stderr is not one line: $(cat "$work/refused.err")"
  [ ! -s "$work/refused.out" ] || fail "$what: wrote to stdout: $(cat "$work/refused.out")"
}

# Waits up to 20 s (slow sanitizer builds on a loaded machine) for something
# to be drawn in window $1.
wait_lit() {
  local i
  for i in $(seq 400); do
    [ "$(lit "$1")" -gt 0 ] 2>/dev/null && return 0
    sleep 0.05
  done
  return 1
}

case "$case_name" in

  fullscreen_key)
    start_x
    xdotool mousemove 100 100
    saver /s
    wait_for_caption ミルカドスクリーンセーバー本体 >/dev/null || fail "no window titled 本体"
    sleep 2
    wait_lit root || fail "the screen stays all black"
    expect_running "$last" "full-screen run"
    [ "$(cat "$ini")" = $'[Saver]\nConf= 7\nSpeed= 1' ] || fail "defaults not written: $(cat "$ini")"
    # No helper process: without a session bus nothing may autolaunch one.
    [ -z "$(pgrep -P "$last")" ] || fail "the run started $(pgrep -a -P "$last")"
    xdotool key a
    expect_exit_within "$last" 1000 "run after a key"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    for p in $(pgrep -x dbus-daemon); do
      ! tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qx "DISPLAY=$DISPLAY" ||
        fail "a dbus-daemon for $DISPLAY outlived the run"
    done
    ;;

  fullscreen_motion)
    start_x
    xdotool mousemove 200 150
    saver /s
    wait_for_caption ミルカドスクリーンセーバー本体 >/dev/null || fail "no window titled 本体"
    wait_lit root || fail "the screen stays all black"
    sleep 1
    # The window appearing under the still pointer is the first pointer event.
    expect_running "$last" "run after its first pointer event"
    xdotool mousemove 200 150
    sleep 0.5
    expect_running "$last" "run after an event at the first position"
    xdotool mousemove 201 150
    expect_exit_within "$last" 1000 "run after a one-pixel move"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    ;;

  fullscreen_click)
    start_x
    # X11 whatever SDL_VIDEODRIVER says: the offscreen driver would play unseen.
    SDL_VIDEODRIVER=offscreen saver /S trailing text
    wait_lit root || fail "the screen stays all black"
    sleep 0.5
    expect_running "$last"
    xdotool click 1
    expect_exit_within "$last" 1000 "run after a click"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    ;;

  preview)
    start_x
    host_window 320 240
    saver /p "$host_id"
    child=$(wait_for_caption ミルカドスクリーンセーバープレビュー) || fail "no preview caption"
    wait_lit "$host_id" || fail "nothing drawn in the host window"
    expect_running "$last" preview
    [ "$("$X_PROBE" children "$host_id")" = 1 ] || fail "not one child window in the host"
    [ "$("$X_PROBE" size "$child")" = "320 240" ] || fail "preview not sized to its host"
    [ "$("$X_PROBE" lit_outside "$host_id")" = 0 ] || fail "drawing outside the host window"
    xdotool mousemove 100 100 mousemove 150 120 click 1 key a key Escape
    sleep 1
    expect_running "$last" "preview after input"
    kill "$host_pid"
    expect_exit_within "$last" 1000 "preview after its host window was destroyed"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    [ ! -s "$work/err.log" ] || fail "preview was not quiet: $(cat "$work/err.log")"
    ;;

  preview_failures)
    # A preview or hack that has nowhere to draw says so and fails, so that
    # xscreensaver's log and scripts see it.
    start_x
    host_window 64 48
    wrapped=$((host_id + 4294967296)) # X ids are 32 bits: no alias of a real window
    for line in "/p" "/p garbage" "/p 0" "/p 1" "/p:1234" "/p 4000000" "/p -5" \
      "/p 99999999999999999999" "/p $wrapped" "-window-id garbage" "-window-id 1" \
      "-window-id" "XSCREENSAVER_WINDOW=garbage" "XSCREENSAVER_WINDOW=1"; do
      if [[ $line == XSCREENSAVER_WINDOW=* ]]; then
        expect_refused "$line" "$line" "$MIRUKADO"
      else
        # shellcheck disable=SC2086
        expect_refused "'$line'" "$MIRUKADO" $line
      fi
    done
    [ "$(lit "$host_id")" = 0 ] || fail "a refused preview drew in the host window"
    [ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "a preview created the instance lock: $(ls -A "$XDG_RUNTIME_DIR")"
    ;;

  no_display)
    # No X server: every mode ends at once with one line, and neither the
    # instance lock nor the settings file is created. No Xvfb is started.
    free=79
    while [ -e "/tmp/.X11-unix/X$free" ] || [ -e "/tmp/.X$free-lock" ]; do free=$((free + 1)); done
    for display in unset ":$free" garbage; do
      if [ "$display" = unset ]; then display_env=(-u DISPLAY); else display_env=("DISPLAY=$display"); fi
      for line in "/s" "/S trailing" "/p 123" "/a" "" "/c:1234" "-root" "-window-id 123" \
        "XSCREENSAVER_WINDOW=123"; do
        if [[ $line == XSCREENSAVER_WINDOW=* ]]; then
          expect_refused "DISPLAY $display, $line" "${display_env[@]}" "$line" "$MIRUKADO"
        else
          # shellcheck disable=SC2086
          expect_refused "DISPLAY $display, '$line'" "${display_env[@]}" "$MIRUKADO" $line
        fi
        [ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "DISPLAY $display, '$line': created $(ls -A "$XDG_RUNTIME_DIR")"
        [ ! -e "$XDG_CONFIG_HOME" ] || fail "DISPLAY $display, '$line': created the settings folder"
      done
    done
    # --help needs no display: the usage on stdout, status 0, nothing created.
    # The viewer's --help is the viewer's own usage, its options and drills.
    saver_words=("usage: mirukado" "/s" "/p ID" "-root" "-window-id" "mirukado view" "--drills")
    viewer_words=("usage: mirukado view" "--view teaching|saver" "--theme dark|light" "--role N"
      "--practice" "DRILL")
    for args in "--help" "view --help" "--drills kahan --help" "view --theme pink --help"; do
      # shellcheck disable=SC2086
      out=$(env -u DISPLAY "$MIRUKADO" $args 2>"$work/err.log")
      status=$?
      [ "$status" = 0 ] || fail "'$args' ended with status $status"
      [ ! -s "$work/err.log" ] || fail "'$args' wrote to stderr"
      if [[ $args == view* ]]; then words=("${viewer_words[@]}"); else words=("${saver_words[@]}" "×10"); fi
      for word in "${words[@]}" "小隊訓練" "ポンプ車操法" "可搬ポンプ操法"; do
        grep -qF -- "$word" <<<"$out" || fail "'$args' does not mention $word"
      done
      [[ $args != view* ]] || ! grep -qF -- "/p ID" <<<"$out" || fail "'$args' prints the saver's usage"
      [ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] && [ ! -e "$XDG_CONFIG_HOME" ] || fail "'$args' created files"
    done
    ;;

  dialog_ok)
    start_x
    mkdir -p "$(dirname "$ini")"
    printf '; mine\n[Other]\nx=1\n[Saver]\nConf=1\nSpeed=2\n' >"$ini"
    cp "$ini" "$work/before"
    saver
    dlg=$(wait_for_caption ミルカドスクリーンセーバー設定) || fail "no settings dialog"
    xdotool windowfocus --sync "$dlg" 2>/dev/null || xdotool windowfocus "$dlg"
    sleep 0.5
    # Focus starts on 訓練礼式: untick it, and nothing is ticked.
    xdotool key space
    sleep 0.3
    xdotool key Return
    sleep 0.7
    expect_running "$last" "dialog after Enter with OK disabled"
    cmp -s "$ini" "$work/before" || fail "OK wrote while disabled"
    # ポンプ車操法 on, then 通常 selected, then Enter.
    xdotool key Tab space Tab Tab space
    sleep 0.3
    xdotool key Return
    expect_exit_within "$last" 2000 "dialog after OK"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    expected=$'; mine\n[Other]\nx=1\n[Saver]\nConf= 2\nSpeed= 1'
    [ "$(cat "$ini")" = "$expected" ] || fail "file after OK: $(cat "$ini")"
    ;;

  dialog_cancel)
    start_x
    mkdir -p "$(dirname "$ini")"
    printf '[Saver]\r\nConf=3\r\nSpeed=3\r\n' >"$ini"
    cp "$ini" "$work/before"
    saver /c:1234
    dlg=$(wait_for_caption ミルカドスクリーンセーバー設定) || fail "no settings dialog"
    xdotool windowfocus --sync "$dlg" 2>/dev/null || xdotool windowfocus "$dlg"
    sleep 0.5
    xdotool key space Tab space
    sleep 0.3
    xdotool key Escape
    expect_exit_within "$last" 2000 "dialog after Esc"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    cmp -s "$ini" "$work/before" || fail "Cancel changed the file"
    # Without a file, start-up writes the defaults and Cancel adds nothing.
    rm -f "$ini"
    saver
    dlg=$(wait_for_caption ミルカドスクリーンセーバー設定) || fail "no settings dialog"
    xdotool windowfocus "$dlg"
    sleep 0.5
    xdotool key --window "$dlg" Escape
    expect_exit_within "$last" 2000 "dialog after Esc"
    [ "$(cat "$ini")" = $'[Saver]\nConf= 7\nSpeed= 1' ] || fail "file after Cancel: $(cat "$ini")"
    ;;

  single_instance)
    start_x
    saver /s
    first=$last
    wait_for_caption ミルカドスクリーンセーバー本体 >/dev/null || fail "no window titled 本体"
    saver /s
    expect_exit_within "$last" 1000 "second full-screen run"
    [ "$(status_of "$last")" = 0 ] || fail "second run's exit status not 0"
    expect_running "$first" "first full-screen run"
    # A preview is not held off by a full-screen run.
    host_window 200 150
    saver /p "$host_id"
    wait_for_caption ミルカドスクリーンセーバープレビュー >/dev/null || fail "no preview while a full-screen run plays"
    sleep 1
    expect_running "$last" "preview while a full-screen run plays"
    kill "$host_pid"
    expect_exit_within "$last" 2000 "preview after its host window was destroyed"
    xdotool key a
    expect_exit_within "$first" 1000 "first run after a key"
    # A preview does not block a full-screen start.
    host_window 200 150
    saver /p "$host_id"
    preview=$last
    wait_lit "$host_id" || fail "preview draws nothing"
    saver /s
    wait_lit root || fail "full-screen run draws nothing"
    sleep 1
    expect_running "$last" "full-screen run while a preview runs"
    xdotool key a
    expect_exit_within "$last" 1000 "full-screen run after a key"
    expect_running "$preview" "preview"
    ;;

  per_display)
    # One full-screen run per X display: a run on a second display (a remote
    # desktop beside the local one) plays beside the first, and a second run
    # on either display, under any spelling of its name, gives way.
    start_x
    first_display=$DISPLAY
    mkdir -p "$work/second"
    start_x_server "$work/second" Xvfb -screen 0 800x600x24 -noreset -nolisten tcp ||
      fail "the second Xvfb did not start"
    started+=("$x_server_pid")
    second_display=$DISPLAY
    [ "$first_display" != "$second_display" ] || fail "one display for both servers"
    DISPLAY=$first_display saver /s
    a=$last
    DISPLAY=$second_display saver /s
    b=$last
    DISPLAY=$first_display wait_lit root || fail "the run on $first_display draws nothing"
    DISPLAY=$second_display wait_lit root || fail "the run on $second_display draws nothing"
    sleep 1
    expect_running "$a" "the run on $first_display"
    expect_running "$b" "the run on $second_display beside the one on $first_display"
    for display in "$first_display" "$second_display.0" "unix$second_display"; do
      DISPLAY=$display saver /s
      expect_exit_within "$last" 3000 "a second run on $display"
      [ "$(status_of "$last")" = 0 ] || fail "the second run on $display: exit status not 0"
    done
    expect_running "$a" "the run on $first_display"
    expect_running "$b" "the run on $second_display"
    [ "$(find "$XDG_RUNTIME_DIR" -name 'mirukado*.lock' | wc -l)" = 2 ] ||
      fail "not one lock per display: $(ls -A "$XDG_RUNTIME_DIR")"
    ;;

  instance_race)
    # Two full-screen runs started at the same moment: exactly one plays.
    start_x
    for round in $(seq "${MIRUKADO_RACE_ROUNDS:-12}"); do
      saver /s
      a=$last
      saver /s
      b=$last
      wait_for_caption ミルカドスクリーンセーバー本体 >/dev/null || fail "round $round: no full-screen window"
      for _ in $(seq 60); do
        running "$a" && running "$b" || break
        sleep 0.05
      done
      sleep 0.3
      alive=0
      running "$a" && alive=$((alive + 1))
      running "$b" && alive=$((alive + 1))
      [ "$alive" = 1 ] || fail "round $round: $alive full-screen runs"
      kill -TERM "$a" "$b" 2>/dev/null
      expect_exit_within "$a" 2000 "round $round, first run"
      expect_exit_within "$b" 2000 "round $round, second run"
    done
    ;;

  dialog_not_saved)
    # OK whose choice cannot be written: a read-only settings file, and a home
    # folder the user cannot write in (as an unprivileged user when root,
    # whom permissions do not stop).
    start_x
    mkdir -p "$(dirname "$ini")"
    printf '[Saver]\nConf=1\nSpeed=2\n' >"$ini"
    chmod 444 "$ini"
    cp "$ini" "$work/before"
    saver
    ok_not_saved "read-only file" "$ini: the file is read-only"
    cmp -s "$ini" "$work/before" || fail "the read-only file changed: $(cat "$ini")"
    as_user=()
    [ "$(id -u)" = 0 ] && as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    if ! "${as_user[@]}" test -x "$MIRUKADO"; then
      echo "note: user 65534 cannot reach $MIRUKADO; the unwritable home is not checked"
      echo "PASS ($case_name)"
      exit 0
    fi
    locked="$work/locked-home"
    mkdir -p "$locked"
    chmod 755 "$work"
    chmod 555 "$locked"
    : >"$work/err.log"
    HOME=$locked XDG_CONFIG_HOME="" "${as_user[@]}" "$MIRUKADO" >>"$work/out.log" 2>>"$work/err.log" &
    started+=($!)
    last=$!
    ok_not_saved "unwritable home" "$locked/.config: Permission denied"
    [ -z "$(ls -A "$locked")" ] || fail "the unwritable home changed: $(ls -A "$locked")"
    ;;

  dialog_destroyed)
    # Another client destroys the dialog's window: the process ends, status
    # 0, and writes nothing.
    start_x
    mkdir -p "$(dirname "$ini")"
    printf '[Saver]\nConf=5\nSpeed=2\n' >"$ini"
    cp "$ini" "$work/before"
    saver
    dlg=$(wait_for_caption ミルカドスクリーンセーバー設定) || fail "no settings dialog"
    sleep 0.5
    xdotool windowclose "$dlg"
    expect_exit_within "$last" 2000 "dialog after its window was destroyed"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    cmp -s "$ini" "$work/before" || fail "the file changed: $(cat "$ini")"
    ;;

  oversize)
    # Windows wider or taller than 16384 pixels are refused, not mapped; the
    # largest accepted side still plays.
    start_x 16500x200x24
    expect_refused "/s on a 16500-pixel screen" "$MIRUKADO" /s
    host_window 32767 32767
    expect_refused "/p of a 32767 x 32767 window" "$MIRUKADO" /p "$host_id"
    expect_refused "-window-id of a 32767 x 32767 window" "$MIRUKADO" -window-id "$host_id"
    kill "$host_pid"
    host_window 16384 120
    saver /p "$host_id"
    wait_lit "$host_id" || fail "nothing drawn in a 16384 x 120 host window"
    expect_running "$last" "preview of a 16384 x 120 window"
    ;;

  xscreensaver)
    start_x
    host_window 300 200
    XSCREENSAVER_WINDOW=$(printf '0x%x' "$host_id") saver
    wait_lit "$host_id" || fail "nothing drawn in \$XSCREENSAVER_WINDOW"
    expect_running "$last" "hack"
    xdotool mousemove 120 120 click 1 key a
    sleep 0.7
    expect_running "$last" "hack after input"
    kill -TERM "$last"
    expect_exit_within "$last" 1000 "hack after SIGTERM"
    [ "$(status_of "$last")" = 143 ] || fail "not ended by SIGTERM's default action"
    # -window-id names the window the same way.
    saver -window-id "$host_id"
    wait_lit "$host_id" || fail "-window-id: nothing drawn"
    [ "$("$X_PROBE" children "$host_id")" -ge 1 ] || fail "-window-id: no window in the host"
    kill -TERM "$last"
    expect_exit_within "$last" 1000 "-window-id hack after SIGTERM"
    # -root without $XSCREENSAVER_WINDOW draws on the root window itself.
    kill "$host_pid"
    sleep 0.3
    saver -root
    wait_lit root || fail "-root: nothing drawn on the root window"
    [ -z "$("$X_PROBE" find ミルカドスクリーンセーバープレビュー)" ] || fail "-root renamed the root window"
    kill -TERM "$last"
    expect_exit_within "$last" 1000 "-root hack after SIGTERM"
    ;;

  two_monitors | two_monitors_randr)
    start_two_monitors "${case_name#two_monitors_}"
    xdotool mousemove 100 100
    saver --drills kiritu /s
    wait_for_caption ミルカドスクリーンセーバー本体 >/dev/null || fail "no window titled 本体"
    for i in $(seq 100); do
      [ "$("$X_PROBE" find ミルカドスクリーンセーバー本体 | wc -l)" = 2 ] && break
      sleep 0.05
    done
    [ "$("$X_PROBE" find ミルカドスクリーンセーバー本体 | wc -l)" = 2 ] || fail "not one window per monitor"
    for id in $("$X_PROBE" find ミルカドスクリーンセーバー本体); do
      for i in $(seq 40); do
        xprop -id "$id" _NET_WM_ICON | grep -q 'Icon (32 x 32)' && break
        sleep 0.05
      done
      xprop -id "$id" _NET_WM_ICON | grep -q 'Icon (32 x 32)' || fail "window $id has no icon"
    done
    expect_stage_in "/s, left monitor" 0 0 1280 720
    expect_stage_in "/s, right monitor" 1280 0 1024 768
    sleep 1
    expect_running "$last" "full-screen run on two monitors"
    # A key on either monitor ends the run for both.
    xdotool mousemove 1500 300 2>/dev/null
    expect_exit_within "$last" 1000 "run after the pointer moved to the other monitor"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    [ -z "$("$X_PROBE" find ミルカドスクリーンセーバー本体)" ] || fail "a window outlived the run"
    saver --drills kiritu /s
    wait_for_caption ミルカドスクリーンセーバー本体 >/dev/null || fail "no window titled 本体"
    expect_stage_in "/s again, right monitor" 1280 0 1024 768
    xdotool key a
    expect_exit_within "$last" 1000 "run after a key"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    # -root: one stage per monitor on the root window, none across the seam.
    saver -root --drills kiritu
    expect_stage_in "-root, left monitor" 0 0 1280 720
    expect_stage_in "-root, right monitor" 1280 0 1024 768
    kill -TERM "$last"
    expect_exit_within "$last" 1000 "-root hack after SIGTERM"
    # A preview stays one stage, even over the seam.
    host_window 600 400
    saver /p "$host_id" --drills kiritu
    box=$(settled_white_box "$host_id" 0 0 600 400) || fail "the preview draws no whole stage"
    read -r left _ right _ <<<"$box"
    [ $(((left + right) / 2)) -ge 270 ] && [ $(((left + right) / 2)) -le 330 ] ||
      fail "the preview is not one stage centred in its window ($box)"
    ;;

  visuals)
    # TrueColor at depths 16, 24 and 30: the same stage frame at the same
    # pixels; also sent without MIT-SHM (a server that does not offer it).
    for visual in 24 16 30 "24 -extension MIT-SHM" "16 -extension MIT-SHM"; do
      read -r depth shm <<<"$visual"
      # shellcheck disable=SC2086
      start_x "800x600x$depth" $shm
      saver --drills kiritu /s
      box=$(settled_white_box root 0 0 800 600) || fail "$visual: no stage drawn"
      [ "$visual" = 24 ] && want=$box
      [ "$box" = "$want" ] || fail "$visual: stage at $box, at depth 24 $want"
      kill "$last" "$xvfb"
      wait "$last" "$xvfb" 2>/dev/null
      xvfb=""
    done
    # 8-bit PseudoColor: one line and status 1, never a black screen.
    start_x 800x600x8
    expect_refused "depth 8" "$MIRUKADO" /s
    grep -q "visual" "$work/refused.err" || fail "depth 8: $(cat "$work/refused.err")"
    ;;

  options)
    start_x
    printf '[Saver]\nConf= 1\nSpeed= 1\n' >"$ini" 2>/dev/null ||
      { mkdir -p "$(dirname "$ini")" && printf '[Saver]\nConf= 1\nSpeed= 1\n' >"$ini"; }
    before=$(cat "$ini")
    xdotool mousemove 100 100
    saver --drills kahan,ponpu --speed 3 /s
    wait_lit root || fail "--drills/--speed: the screen stays all black"
    expect_running "$last" "run with options"
    xdotool key a
    expect_exit_within "$last" 1000 "run with options after a key"
    [ "$(cat "$ini")" = "$before" ] || fail "the options were written: $(cat "$ini")"
    expect_refused "unknown drill" "$MIRUKADO" --drills kiritu,hose /s
    expect_refused "speed out of range" "$MIRUKADO" -root --speed 5
    [ "$(cat "$ini")" = "$before" ] || fail "a refused start changed the settings"
    # -window-id wins over -root, in either order.
    host_window 320 240
    for order in "-root -window-id $host_id" "-window-id $host_id -root"; do
      # shellcheck disable=SC2086
      saver $order --speed 2
      wait_lit "$host_id" || fail "$order: nothing drawn in the given window"
      sleep 0.5
      [ "$("$X_PROBE" lit_outside "$host_id")" = 0 ] || fail "$order: drawing outside the given window"
      kill -TERM "$last"
      expect_exit_within "$last" 1000 "$order after SIGTERM"
    done
    ;;

  missing_font)
    # Without a Japanese font the saver still plays, and says once what to
    # install (on the first caption it cannot draw).
    start_x
    printf '<fontconfig></fontconfig>\n' >"$work/no-fonts.conf"
    xdotool mousemove 100 100
    FONTCONFIG_FILE="$work/no-fonts.conf" saver --drills ponpu --speed 3 /s
    wait_lit root || fail "the screen stays all black"
    for _ in $(seq 200); do
      [ -s "$work/err.log" ] && break
      sleep 0.05
    done
    sleep 2
    expect_running "$last" "full-screen run without a Japanese font"
    [ "$(wc -l <"$work/err.log")" = 1 ] || fail "stderr is not one line: $(cat "$work/err.log")"
    grep -q "warning: .*IPAPGothic.*fonts-ipafont-gothic" "$work/err.log" ||
      fail "the warning does not name the font and its package: $(cat "$work/err.log")"
    xdotool key a
    expect_exit_within "$last" 1000 "run after a key"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    ;;

  password)
    start_x
    saver /a 0
    expect_exit_within "$last" 1000 "/a"
    [ "$(status_of "$last")" = 0 ] || fail "exit status not 0"
    [ "$(wc -l <"$work/out.log")" = 1 ] || fail "expected one line: $(cat "$work/out.log")"
    grep -q "screen locker" "$work/out.log" || fail "unexpected text: $(cat "$work/out.log")"
    ;;

  bare_server_starts)
    # On a server with no other client, which resets itself whenever its last
    # client leaves, every start of the saver and of the viewer connects: none
    # ends at start with "does not exist" or "cannot open the display". Each
    # run is ended by timeout (status 124, or 0 where the viewer takes the
    # signal as a close request); nothing else connects meanwhile.
    start_x_server "$work" Xvfb -screen 0 1280x720x16 -nolisten tcp || fail "Xvfb did not start"
    xvfb=$x_server_pid
    for run in $(seq 50); do
      if ((run % 2)); then args=(-root); else args=(view); fi
      timeout 0.5 "$MIRUKADO" "${args[@]}" >"$work/out.log" 2>"$work/err.log"
      status=$?
      { [ "$status" = 124 ] || [ "$status" = 0 ]; } && [ ! -s "$work/err.log" ] ||
        fail "start $run ($MIRUKADO ${args[*]}) on a bare server: status $status"
    done
    ;;

  server_dies)
    # The X server goes away under a full-screen run and an xscreensaver hack:
    # each ends with one line on stderr and a non-zero status.
    for args in /s -root; do
      start_x
      rm -f "$work/err.log"
      saver $args
      wait_lit root || fail "$args: the screen stays all black"
      kill "$xvfb"
      wait "$xvfb" 2>/dev/null
      xvfb=""
      expect_exit_within "$last" 3000 "$args after the X server ended"
      status=$(status_of "$last")
      [ "$status" != 0 ] || fail "$args: exit status 0 after the X server ended"
      [ "$(wc -l <"$work/err.log")" = 1 ] || fail "$args: stderr is not one line"
      grep -q "X server" "$work/err.log" || fail "$args: stderr does not name the X server"
    done
    ;;

  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "PASS ($case_name)"
