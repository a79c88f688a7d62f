#!/usr/bin/env bash
# End-to-end tests of mirukado.scr and mirukado-view.exe under Wine on a
# private Xvfb display.
#   e2e.sh build     cross-build the saver, the viewer and the Windows test helpers
#   e2e.sh start     start Xvfb and a fresh Wine prefix (shared by the cases)
#   e2e.sh stop      stop them again
#   e2e.sh CASE      one case (see the functions named case_* below)
#   e2e.sh skip WHY  report a case skipped (configured without the tools)
# Environment (set by tests/win32/CMakeLists.txt): MIRUKADO_SOURCE_DIR,
# MIRUKADO_E2E_DIR (work folder), MIRUKADO_WIN_BUILD_DIR (cross build folder).
# Exit status 77 means "skipped": Wine, Xvfb, xdotool or mingw-w64 is missing.
set -uo pipefail

src=${MIRUKADO_SOURCE_DIR:?}
source "$src/tests/x_server.sh"
work=${MIRUKADO_E2E_DIR:?}
win_build=${MIRUKADO_WIN_BUILD_DIR:-$work/win}
helpers=$work/helpers
state=$work/state

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}

need_tools() {
  local t
  for t in wine wineboot wineserver Xvfb xdotool xdpyinfo x86_64-w64-mingw32-g++; do
    command -v "$t" >/dev/null || skip "$t not installed"
  done
}

mingw_cxx() {
  command -v x86_64-w64-mingw32-g++-posix || command -v x86_64-w64-mingw32-g++
}

cmd_build() {
  need_tools
  cmake -S "$src" -B "$win_build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" >/dev/null || fail "cross configure"
  cmake --build "$win_build" -j 2 --target mirukado mirukado-view || fail "cross build"
  # Self-contained GUI programs: no DLL that a bare Windows lacks.
  local program headers dll
  for program in mirukado.scr mirukado-view.exe; do
    headers=$(x86_64-w64-mingw32-objdump -p "$win_build/platform/win32/$program") || fail "objdump"
    grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "$program is not a GUI program"
    for dll in $(awk '/DLL Name:/ {print tolower($3)}' <<<"$headers"); do
      case $dll in
        kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | imm32.dll | msvcrt.dll) ;;
        *) fail "$program needs $dll" ;;
      esac
    done
  done
  mkdir -p "$helpers"
  local cxx
  cxx=$(mingw_cxx)
  "$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -municode -static -o "$helpers/probe.exe" \
    "$src/tests/win32/probe.cpp" -lgdi32 -luser32 || fail "probe.exe"
  "$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -shared -static -o "$helpers/password.cpl" \
    "$src/tests/win32/password_double.cpp" -luser32 || fail "password.cpl double"
  "$cxx" -std=c++20 -O2 -Wall -Wextra -Werror -municode -static -I"$src" \
    -DUNICODE -D_UNICODE -DNOMINMAX -o "$helpers/gdi_window_check.exe" \
    "$src/tests/win32/gdi_window_check.cpp" "$src/platform/win32/gdi_window.cpp" \
    "$src/platform/win32/viewer_overlay.cpp" \
    "$win_build/libmirukado_stage.a" -lgdi32 -luser32 || fail "gdi_window_check.exe"
}

load_state() {
  [ -f "$state" ] || fail "no Wine session: the start fixture did not run"
  # shellcheck disable=SC1090
  source "$state"
  export DISPLAY WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
}

cmd_start() {
  need_tools
  [ -f "$state" ] && cmd_stop  # a session left behind by an interrupted run
  local n
  for n in $(seq 90 250); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || break
  done
  mkdir -p "$work"
  setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp </dev/null >"$work/xvfb.log" 2>&1 &
  local xvfb=$!
  local i
  for i in $(seq 50); do
    xdpyinfo -display ":$n" >/dev/null 2>&1 && break
    sleep 0.1
  done
  xdpyinfo -display ":$n" >/dev/null 2>&1 || fail "Xvfb :$n did not start"
  rm -rf "$work/prefix"
  cat >"$state" <<EOF
DISPLAY=:$n
WINEPREFIX=$work/prefix
XVFB_PID=$xvfb
EOF
  load_state
  # A persistent wineserver, detached from CTest's output pipes, serves every case.
  setsid wineserver -p </dev/null >/dev/null 2>&1
  wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || fail "wineboot"
  wineserver -w
  setsid wineserver -p </dev/null >/dev/null 2>&1
  echo "Xvfb :$n, Wine prefix $WINEPREFIX"
}

cmd_stop() {
  [ -f "$state" ] || return 0
  load_state
  wineserver -k >/dev/null 2>&1
  kill "$XVFB_PID" 2>/dev/null
  rm -f "$state"
}

# --- helpers for the cases ---

case_dir() {
  local d=$work/cases/$1
  rm -rf "$d"
  mkdir -p "$d"
  cp "$win_build/platform/win32/mirukado.scr" "$d/"
  echo "$d"
}

# Starts the saver in the background; its exit status lands in $1/rc.
start_saver() {
  local dir=$1
  shift
  rm -f "$dir/rc"
  (
    cd "$dir" && wine ./mirukado.scr "$@" </dev/null >>"$dir/out.log" 2>&1
    echo $? >"$dir/rc"
  ) &
}

# Waits up to $2 tenths of a second for the saver of $1 to end.
wait_exit() {
  local dir=$1 i
  for i in $(seq "$2"); do
    [ -f "$dir/rc" ] && return 0
    sleep 0.1
  done
  return 1
}

# Waits for an X window whose name is $1; prints its id.
# Up to 30 s: Wine starting a program while the other Wine cases and the
# installer tests share the machine's cores took more than 10 s once.
wait_window() {
  local i id
  for i in $(seq 300); do
    id=$(xdotool search --name "^$1\$" 2>/dev/null | head -1)
    [ -n "$id" ] && echo "$id" && return 0
    sleep 0.1
  done
  return 1
}

# Waits for the full-screen window of the saver started in $1. When it does
# not come, says why: the saver's exit status and output, or the windows that
# the X server does have, so that a slow or failed start can be told apart.
wait_saver_window() {
  local dir=$1 i
  for i in $(seq 450); do
    [ -n "$(xdotool search --name "^$full_caption\$" 2>/dev/null | head -1)" ] && return 0
    if [ -f "$dir/rc" ]; then
      fail "no full-screen window: the saver ended with status $(cat "$dir/rc"); output: $(tr '\n' ' ' <"$dir/out.log" 2>/dev/null)"
    fi
    sleep 0.1
  done
  local names
  names=$(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | sort -u | tr '\n' '|')
  fail "no full-screen window after 45 s; the saver still runs; windows: $names; output: $(tr '\n' ' ' <"$dir/out.log" 2>/dev/null)"
}

expect_running() {
  [ -f "$1/rc" ] && fail "$2 (the saver ended with status $(cat "$1/rc"))"
  return 0
}

expect_exit_zero() {
  wait_exit "$1" 100 || fail "$2: the saver did not end"
  [ "$(cat "$1/rc")" = 0 ] || fail "$2: exit status $(cat "$1/rc")"
}

probe() { wine "$helpers/probe.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# The Conf and Speed numbers of an INI file, as "Conf Speed" (Wine drops the
# leading blank that Windows keeps, so only the numbers are compared).
ini_values() {
  iconv -f utf-8 -t utf-8 "$1" 2>/dev/null | tr -d '\r ' |
    awk -F= '$1=="Conf"{c=$2} $1=="Speed"{s=$2} END{print c, s}'
}

full_caption="ミルカドスクリーンセーバー本体"
settings_caption="ミルカドスクリーンセーバー設定"

# --- cases ---

# /s: the platoon intro appears, the settings file gets its defaults, a key ends the run.
case_fullscreen_key() {
  local d
  d=$(case_dir fullscreen_key)
  xdotool mousemove 512 384
  start_saver "$d" /s
  wait_saver_window "$d"
  sleep 2
  expect_running "$d" "the run ended by itself"
  probe screen 400 || fail "the screen stays black"
  [ "$(ini_values "$d/ミルカド.ini")" = "7 1" ] || fail "defaults not written: $(cat "$d/ミルカド.ini")"
  xdotool key space
  expect_exit_zero "$d" "a key"
}

# /S: the first mouse movement only records the pointer; a second one ends the run.
case_fullscreen_mouse() {
  local d
  d=$(case_dir fullscreen_mouse)
  xdotool mousemove 300 300
  start_saver "$d" /S
  wait_saver_window "$d"
  sleep 1.5
  xdotool mousemove 300 300
  sleep 1
  expect_running "$d" "movement to the first position"
  xdotool mousemove 301 300
  expect_exit_zero "$d" "a second mouse movement"
}

# A second /s while one runs ends at once; the first goes on.
case_second_instance() {
  local d1 d2
  d1=$(case_dir second_instance_1)
  d2=$(case_dir second_instance_2)
  xdotool mousemove 512 384
  start_saver "$d1" /s
  wait_saver_window "$d1"
  sleep 1
  start_saver "$d2" /s
  expect_exit_zero "$d2" "the second instance"
  expect_running "$d1" "the first instance"
  [ "$(xdotool search --name "^$full_caption\$" | wc -l)" = 1 ] || fail "two saver windows"
  xdotool key Escape
  expect_exit_zero "$d1" "a key in the first instance"
}

# No switch: the settings dialog. Ticking the portable-pump box, choosing 高速
# and pressing Enter (OK) writes Conf 7 and Speed 3.
case_config_ok() {
  local d w
  d=$(case_dir config_ok)
  printf '[Saver]\r\nConf=3\r\nSpeed=2\r\n' >"$d/ミルカド.ini"
  start_saver "$d" /c:1234
  w=$(wait_window "$settings_caption") || fail "no settings dialog"
  sleep 0.5
  xdotool windowfocus "$w" 2>/dev/null
  # Focus starts on 訓練礼式: Tab twice to 可搬ポンプ操法, tick it, Tab into the
  # speed group (on 中速), Right to 高速, Enter for OK.
  xdotool key --delay 150 Tab Tab space Tab Right Return
  expect_exit_zero "$d" "OK"
  [ "$(ini_values "$d/ミルカド.ini")" = "7 3" ] || fail "OK wrote: $(cat "$d/ミルカド.ini")"
}

# With the only ticked box cleared OK is disabled and Enter does nothing;
# Cancel (Esc) then writes nothing.
case_config_cancel() {
  local d w before
  d=$(case_dir config_cancel)
  printf '[Saver]\r\nConf=1\r\nSpeed=2\r\n' >"$d/ミルカド.ini"
  before=$(md5sum <"$d/ミルカド.ini")
  start_saver "$d"
  w=$(wait_window "$settings_caption") || fail "no settings dialog"
  sleep 0.5
  xdotool windowfocus "$w" 2>/dev/null
  xdotool key --delay 150 space Return
  sleep 1
  expect_running "$d" "Enter while no drill is ticked"
  xdotool key Escape
  expect_exit_zero "$d" "Cancel"
  [ "$(md5sum <"$d/ミルカド.ini")" = "$before" ] || fail "Cancel changed the file: $(cat "$d/ミルカド.ini")"
}

# OK whose choice cannot be written (a folder in the settings file's place,
# which stops root too, unlike a read-only file): a message with the dialog's
# caption says so over the dialog, Enter there closes both, and the status
# is 1.
case_config_not_saved() {
  local d w message="" i
  d=$(case_dir config_not_saved)
  mkdir "$d/ミルカド.ini"
  start_saver "$d" /c:1234
  w=$(wait_window "$settings_caption") || fail "no settings dialog"
  sleep 0.5
  xdotool windowfocus "$w" 2>/dev/null
  xdotool key --delay 150 Tab Tab space Return
  for i in $(seq 100); do
    message=$(xdotool search --name "^$settings_caption\$" 2>/dev/null | grep -vx "$w" | head -1)
    [ -n "$message" ] && break
    sleep 0.1
  done
  [ -n "$message" ] || fail "OK showed no message"
  expect_running "$d" "the dialog while its message shows"
  xdotool windowfocus "$message" 2>/dev/null
  xdotool key Return
  wait_exit "$d" 100 || fail "the dialog did not close after its message"
  [ "$(cat "$d/rc")" = 1 ] || fail "a choice not saved ended with status $(cat "$d/rc")"
  [ -d "$d/ミルカド.ini" ] || fail "the folder in the settings file's place was replaced"
}

# /p: the saver draws inside a host window and ends when the host destroys it;
# a handle that names no window ends the saver at once.
case_preview() {
  local d
  d=$(case_dir preview)
  probe preview "$(winepath -w "$d/mirukado.scr" </dev/null 2>/dev/null)" || fail "preview in a host window"
  start_saver "$d" /p 12345
  expect_exit_zero "$d" "/p with a handle that names no window"
}

# /a: the password change has no dialog to show on this platform (no
# PwdChangePasswordA in mpr.dll) and ends at once, never showing the saver.
case_password_change() {
  local d
  d=$(case_dir password_change)
  start_saver "$d" /a
  expect_exit_zero "$d" "/a"
  xdotool search --name "^ミルカドスクリーンセーバー" >/dev/null 2>&1 && fail "a saver window appeared"
  return 0
}

# The desktop asks for a password: with the text "0" it does not (no dialog);
# with 1 the stand-in password.cpl refuses the first key and accepts the second.
case_password() {
  local d key='HKCU\Control Panel\Desktop'
  d=$(case_dir password)
  cp "$helpers/password.cpl" "$d/"
  xdotool mousemove 512 384

  wine reg add "$key" /v ScreenSaveUsePassword /t REG_SZ /d 0 /f >/dev/null 2>&1 || fail "reg add"
  start_saver "$d" /s
  wait_saver_window "$d"
  sleep 1
  xdotool key a
  expect_exit_zero "$d" "a key with ScreenSaveUsePassword \"0\""
  [ -e "$d/verify.log" ] && fail "the password was asked for although the setting is \"0\""

  wine reg add "$key" /v ScreenSaveUsePassword /t REG_DWORD /d 1 /f >/dev/null 2>&1 || fail "reg add"
  start_saver "$d" /s
  wait_saver_window "$d"
  sleep 1
  xdotool key a
  sleep 1.5
  expect_running "$d" "a refused password"
  [ "$(cat "$d/verify.log" 2>/dev/null)" = "refused" ] || fail "verify.log: $(cat "$d/verify.log" 2>/dev/null)"
  xdotool key a
  expect_exit_zero "$d" "an accepted password"
  [ "$(tr '\n' ' ' <"$d/verify.log")" = "refused accepted " ] || fail "verify.log: $(cat "$d/verify.log")"
  wine reg delete "$key" /v ScreenSaveUsePassword /f >/dev/null 2>&1
}

# /s on an Xorg with two monitors side by side (the dummy video driver, one
# screen whose second RandR output goes right of the first, 1280x720 and
# 1024x768): a stage on each monitor, and a key ends the run on both. Its own
# X server and Wine prefix; needs root for Xorg.
case_two_monitors() {
  [ "$(id -u)" = 0 ] || skip "Xorg with the dummy driver needs root"
  command -v Xorg >/dev/null || skip "Xorg is not installed"
  command -v xrandr >/dev/null || skip "xrandr is not installed"
  ls /usr/lib/xorg/modules/drivers/dummy_drv.so >/dev/null 2>&1 || skip "no dummy video driver"
  local d=$work/two_monitors xorg
  rm -rf "$d" && mkdir -p "$d"
  start_x_server "$d" Xorg -config "$src/tests/linux/one-screen-randr-xorg.conf" -noreset \
    -nolisten tcp -logfile "$d/xorg.log" || fail "Xorg did not start"
  xorg=$x_server_pid
  export WINEPREFIX=$d/prefix
  # shellcheck disable=SC2064
  trap "wine taskkill /f /im mirukado.scr >/dev/null 2>&1; wineserver -k; kill $xorg" EXIT
  add_right_monitor || fail "xrandr could not add the second monitor"
  # A full query makes the server poll its outputs once: Wine reads the
  # server's current (cached) configuration only.
  xrandr >/dev/null
  wineboot -i </dev/null >"$d/wineboot.log" 2>&1 || fail "wineboot"
  local monitors
  monitors=$(probe monitors)
  [ "$monitors" = $'0 0 1280 720\n1280 0 2304 768' ] ||
    fail "Wine lists the monitors as: $monitors; RandR as: $(xrandr --listmonitors | tr "\n" " ")"
  cp "$win_build/platform/win32/mirukado.scr" "$d/"
  xdotool mousemove 100 100
  start_saver "$d" /s
  wait_saver_window "$d"
  sleep 3
  expect_running "$d" "the run ended by itself"
  while read -r l t r b; do
    probe lit "$l" "$t" "$r" "$b" 400 >/dev/null || fail "monitor $l,$t-$r,$b stays black"
  done <<<"$monitors"
  xdotool key space
  expect_exit_zero "$d" "a key"
}

# The GDI window's drawing primitives on Wine's GDI.
case_gdi_window() {
  wine "$helpers/gdi_window_check.exe" </dev/null 2>/dev/null | tr -d '\r'
  [ "${PIPESTATUS[0]}" = 0 ] || fail "GDI window checks"
}

# --- the viewer ---

view_caption="ミルカド ビューア"

# Starts the viewer of case folder $1 in the background; status in $1/rc,
# stderr in $1/err.log.
start_viewer() {
  local dir=$1
  shift
  rm -f "$dir/rc"
  (
    cd "$dir" && wine ./mirukado-view.exe "$@" </dev/null >>"$dir/out.log" 2>"$dir/err.log"
    echo $? >"$dir/rc"
  ) &
}

# The viewer's title names the drill, the keyframe on screen and the command,
# both numbered from 1: "ミルカド ビューア — DRILL  コマ K/N  号令 C TEXT".
title_of() { xdotool getwindowname "$1"; }
keyframe_in() { sed -n 's/.* コマ \([0-9]*\)\/[0-9]*.*/\1/p' <<<"$1"; }
command_number_in() { sed -n 's/.* コマ [0-9]*\/[0-9]*  号令 \([0-9]*\) .*/\1/p' <<<"$1"; }
command_in() { sed -n 's/.* コマ [0-9]*\/[0-9]*  号令 [0-9]* //p' <<<"$1"; }
# "WxH hash lit" of the viewer's client area.
viewer_shot() { probe window MirukadoViewer; }

# Opens windowed and plays; Space pauses, → steps one keyframe, ↓ goes to the
# next command, a click on the timeline seeks, the wheel scrolls the command
# list, a resize keeps the place, q quits. What keys and clicks do is the
# session's (tests/playback/viewer_session_test.cpp); here, that Windows'
# keys, characters, clicks and wheel reach it and GDI shows the result.
case_view() {
  local d w t k k2 k3 k4 s1 s2 c n
  d=$(case_dir view)
  cp "$win_build/platform/win32/mirukado-view.exe" "$d/"
  start_viewer "$d" ponpu
  w=$(wait_window "$view_caption.*") || fail "no viewer window"
  xdotool windowfocus "$w" 2>/dev/null
  s1=$(viewer_shot) || fail "no viewer window to capture"
  [ "${s1%% *}" = 800x500 ] || fail "not the 800x500 window it opens with: $s1"
  [ "$(title_of "$w")" != "${view_caption}" ] || fail "title without the place"
  grep -q ポンプ車操法 <<<"$(title_of "$w")" || fail "not the pump-truck drill: $(title_of "$w")"
  # The drill opens with keyframes of seconds: speed 3 plays ten times faster.
  xdotool key 3
  k=$(keyframe_in "$(title_of "$w")")
  sleep 1.5
  k2=$(keyframe_in "$(title_of "$w")")
  [ "$k2" -gt "$k" ] || fail "does not play: keyframe $k, then $k2"

  xdotool key space
  sleep 0.5
  s1=$(viewer_shot)
  t=$(title_of "$w")
  sleep 1
  s2=$(viewer_shot)
  [ "$s1" = "$s2" ] || fail "the picture changes while paused: $s1 / $s2"
  [ "$(title_of "$w")" = "$t" ] || fail "the place changes while paused"

  k=$(keyframe_in "$t")
  xdotool key Right
  sleep 0.5
  k2=$(keyframe_in "$(title_of "$w")")
  [ "$k2" = $((k + 1)) ] || fail "→ from keyframe $k went to $k2"
  [ "$(viewer_shot)" != "$s2" ] || fail "→ left the picture as it was"

  c=$(command_in "$(title_of "$w")")
  xdotool key Down
  sleep 0.5
  t=$(title_of "$w")
  k3=$(keyframe_in "$t")
  [ "$k3" -gt "$k2" ] || fail "↓ from keyframe $k2 went to $k3"
  [ -n "$(command_in "$t")" ] && [ "$(command_in "$t")" != "$c" ] ||
    fail "↓ did not move to the next command: '$c' then '$(command_in "$t")'"

  # The timeline band lies along the bottom edge: three quarters along it,
  # then back near its start.
  xdotool mousemove --window "$w" 600 496 click 1
  sleep 1
  k4=$(keyframe_in "$(title_of "$w")")
  [ "$k4" -gt $((k3 + 100)) ] || fail "a click 3/4 along the timeline went from $k3 to $k4"
  # The command list (c) opens beside the drill, under the command that
  # stays and the legend; the wheel over it scrolls it (button 5: towards
  # the user, later rows).
  xdotool key c
  sleep 0.5
  t=$(title_of "$w")
  s1=$(viewer_shot)
  xdotool mousemove --window "$w" 666 200 click 5 click 5
  sleep 0.5
  [ "$(viewer_shot)" != "$s1" ] || fail "the wheel did not scroll the command list"
  [ "$(title_of "$w")" = "$t" ] || fail "the wheel moved the place: $(title_of "$w")"
  xdotool key c
  # End and Home, keys that type no character.
  xdotool key End
  sleep 0.5
  t=$(title_of "$w")
  n=$(sed -n 's/.* コマ [0-9]*\/\([0-9]*\).*/\1/p' <<<"$t")
  [ "$(keyframe_in "$t")" = "$n" ] || fail "End is not at the last keyframe: $t"
  xdotool key Home
  sleep 0.5
  k=$(keyframe_in "$(title_of "$w")")
  [ "$k" = 1 ] || fail "Home is not at the first keyframe: $(title_of "$w")"

  # g, a command's number and Enter go to that command.
  xdotool key g 2 7 Return
  sleep 0.5
  t=$(title_of "$w")
  [ "$(command_number_in "$t")" = 27 ] || fail "g 27 Enter went to '$t'"

  # F1, a help key the viewer command table gives every viewer, opens the
  # card and closes it again.
  s1=$(viewer_shot)
  xdotool key F1
  sleep 0.5
  [ "$(viewer_shot)" != "$s1" ] || fail "F1 did not open the help card"
  xdotool key F1
  sleep 0.5
  [ "$(viewer_shot)" = "$s1" ] || fail "F1 again did not close the help card"

  t=$(title_of "$w")
  xdotool windowsize "$w" 640 400
  sleep 1.5
  s1=$(viewer_shot)
  [ "${s1%% *}" = 640x400 ] || fail "not resized: $s1"
  [ "$(title_of "$w")" = "$t" ] || fail "the resize moved from '$t' to '$(title_of "$w")'"
  sleep 1
  [ "$(viewer_shot)" = "$s1" ] || fail "plays after the resize although it was paused"

  echo "keyframes: → $k2, ↓ $k3, click $k4 of $n; ${s1%% *} after the resize"
  expect_running "$d" "the viewer"
  xdotool key q
  expect_exit_zero "$d" "q"
  [ -e "$d/ミルカド.ini" ] && fail "the viewer wrote a settings file"
  return 0
}

# The teaching picture's themes as GDI paints them: --theme light a white
# ground (most pixels lit), and t draws it anew on a black one. (What a
# theme and the saver's picture draw is the session's, tested in
# tests/playback; --view saver starts in case_view_arguments.)
case_view_themes() {
  local d w light dark
  d=$(case_dir view_themes)
  cp "$win_build/platform/win32/mirukado-view.exe" "$d/"
  start_viewer "$d" ponpu --theme light
  w=$(wait_window "$view_caption.*") || fail "no viewer window"
  sleep 1
  xdotool windowfocus "$w" key space 2>/dev/null
  sleep 0.5
  light=$(viewer_shot | awk '{print $3}')
  xdotool key t
  sleep 1
  dark=$(viewer_shot | awk '{print $3}')
  xdotool key q
  expect_exit_zero "$d" "q"
  # 800 x 500 = 400000 pixels.
  [ "$light" -gt 300000 ] || fail "the light theme lights $light of 400000 pixels"
  [ "$dark" -lt 200000 ] || fail "t to the dark theme lights $dark of 400000 pixels"
  return 0
}

# A drill name it does not know, or more than one: one line on stderr, status 2.
case_view_arguments() {
  local d args
  d=$(case_dir view_arguments)
  cp "$win_build/platform/win32/mirukado-view.exe" "$d/"
  # A position the drill lacks or that is no number, and practice with no position.
  for args in "bogus" "ponpu kahan" "ponpu --theme sepia" "--view" "--view map" "--role 7 kahan" \
    "--role x ponpu" "--practice ponpu"; do
    # shellcheck disable=SC2086
    start_viewer "$d" $args
    wait_exit "$d" 100 || fail "'$args': the viewer did not end"
    [ "$(cat "$d/rc")" = 2 ] || fail "'$args': status $(cat "$d/rc")"
    [ "$(tr -d '\r' <"$d/err.log" | wc -l)" = 1 ] || fail "'$args': stderr is: $(cat "$d/err.log")"
    grep -q mirukado-view "$d/err.log" || fail "'$args': stderr is: $(cat "$d/err.log")"
    # Said of the position, not taken for a drill's name.
    [[ $args != *--role* && $args != *--practice* ]] || grep -Eq "role|position" "$d/err.log" ||
      fail "'$args': stderr is: $(cat "$d/err.log")"
  done
  xdotool search --name "^$view_caption" >/dev/null 2>&1 && fail "a viewer window appeared"
  # The words the Linux viewer and the tool take are taken here too: both
  # spellings of the teaching picture, the saver's, and a value after an '='.
  local w
  for args in "--view teaching ponpu" "--view=teach kahan" "--view saver ponpu"; do
    # shellcheck disable=SC2086
    start_viewer "$d" $args
    w=$(wait_window "$view_caption.*") || fail "'$args': no viewer window"
    xdotool windowfocus "$w" key q 2>/dev/null
    expect_exit_zero "$d" "'$args': q"
  done
  return 0
}

# The viewer's own progress file, in the Wine user's %APPDATA%.
progress_file() {
  echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Mirukado/viewer-progress"
}

# Waits up to 30 s for the title of window $1 to match the glob pattern $2.
wait_title() {
  local _
  for _ in $(seq 300); do
    # shellcheck disable=SC2053
    [[ $(title_of "$1") == $2 ]] && return 0
    sleep 0.1
  done
  return 1
}

# Practising member 2 of the pump-truck drill: each item stops the drill with
# its prompt in the title; at a call the call is not there yet, and Space
# reveals it. The position is remembered for the drill. (A prompt kept across
# a theme switch or a resize is the session's, tested in tests/playback.)
case_view_practice() {
  local d w before answer file
  d=$(case_dir view_practice)
  cp "$win_build/platform/win32/mirukado-view.exe" "$d/"
  file=$(progress_file)
  rm -f "$file"
  start_viewer "$d" ponpu --role 2 --practice
  w=$(wait_window "$view_caption.*") || fail "no viewer window"
  xdotool windowfocus "$w" key 3 2>/dev/null  # ten times as fast to the items
  for _ in $(seq 12); do
    wait_title "$w" "*？*" || fail "no practice prompt: $(title_of "$w")"
    [[ $(title_of "$w") == *あなたの号令は？* ]] && break
    xdotool key y  # a move asked: known, on to the next item
    sleep 0.3
  done
  [[ $(title_of "$w") == *あなたの号令は？* ]] || fail "no call asked of member 2: $(title_of "$w")"
  before=$(title_of "$w")
  xdotool key space
  wait_title "$w" "*答え*" || fail "Space did not reveal the call: $(title_of "$w")"
  answer=$(title_of "$w" | sed -E 's/.* 答え //')
  [[ $answer == *２番員* ]] || fail "the answer '$answer' is not member 2's call"
  [[ $before != *"$answer"* ]] || fail "the call '$answer' showed before Space: $before"
  expect_running "$d" "the viewer"
  xdotool key q
  expect_exit_zero "$d" "q"
  grep -qx 'ponpu 2' <(tr -d '\r' <"$file") || fail "the position was not remembered: $(cat "$file")"
  rm -f "$file"  # the other cases start following no one
  return 0
}

# Waits up to 10 s for file $1 to hold the line $2 (a viewer under a busy
# Wine writes a moment after the key or click).
wait_line() {
  local _
  for _ in $(seq 100); do
    grep -qx "$2" <(tr -d '\r' <"$1" 2>/dev/null) && return 0
    sleep 0.1
  done
  return 1
}

# A line of the progress file that cannot be read is kept; the position
# chosen with r is remembered for the drill and followed at the next start. A
# click on a legend entry chooses its position, and again clears it. A
# read-only file stays as it is, and the title says that nothing is saved.
case_view_progress() {
  local d w file
  d=$(case_dir view_progress)
  cp "$win_build/platform/win32/mirukado-view.exe" "$d/"
  file=$(progress_file)
  mkdir -p "$(dirname "$file")"
  printf 'mirukado-progress 1\nkahan two 0=9/\001\n' >"$file"
  start_viewer "$d" kahan
  w=$(wait_window "$view_caption.*") || fail "no viewer window"
  xdotool windowfocus "$w" key r 2>/dev/null
  sleep 0.5
  xdotool key q
  expect_exit_zero "$d" "q"
  grep -qx 'kahan 0' "$file" || fail "r did not remember the commander: $(cat "$file")"
  grep -q 'kahan two' "$file" || fail "the unreadable line was lost: $(cat -v "$file")"
  start_viewer "$d" kahan
  w=$(wait_window "$view_caption.*") || fail "no viewer window the second time"
  xdotool windowfocus "$w" key r 2>/dev/null  # from the commander remembered, member 1
  wait_line "$file" 'kahan 1' || fail "the remembered position was not followed: $(cat "$file")"
  # The legend's row lies under the two-line command box; its first entry,
  # the commander's, starts at the left edge.
  xdotool mousemove --window "$w" 12 56 click 1
  wait_line "$file" 'kahan 0' || fail "a click on the commander's entry: $(cat "$file")"
  xdotool click 1
  wait_line "$file" 'kahan -' || fail "a click on the followed entry did not clear it: $(cat "$file")"
  xdotool key q
  expect_exit_zero "$d" "q the second time"
  grep -qx 'kahan -' "$file" || fail "a click on the followed entry did not clear it: $(cat "$file")"
  [ -z "$(find "$(dirname "$file")" -name '*.tmp*')" ] || fail "a temporary file was left"
  chmod 0444 "$file"
  start_viewer "$d" kahan
  w=$(wait_window "$view_caption.*") || fail "no viewer window the third time"
  xdotool windowfocus "$w" key r 2>/dev/null
  wait_title_has "$w" 保存できません || fail "no word that nothing is saved: $(title_of "$w")"
  xdotool key q
  expect_exit_zero "$d" "q the third time"
  grep -qx 'kahan -' "$file" || fail "the read-only file changed: $(cat "$file")"
  rm -f "$file"
  return 0
}

# Waits up to 30 s for the title of window $1 to hold the text $2.
wait_title_has() { wait_title "$1" "*$2*"; }

# Kills a saver left behind by a failed case so that the next one starts clean.
cleanup_savers() {
  local program=mirukado.scr
  [[ $what == view* ]] && program=mirukado-view.exe
  wine taskkill /f /im "$program" </dev/null >/dev/null 2>&1 || true
}

what=${1:?usage: e2e.sh build|start|stop|CASE}
case $what in
  build) cmd_build ;;
  start) cmd_start ;;
  stop) cmd_stop ;;
  skip) skip "${2:-}" ;;
  *)
    need_tools
    declare -F "case_$what" >/dev/null || fail "no case $what"
    load_state
    trap cleanup_savers EXIT
    "case_$what"
    echo "PASS: $what"
    ;;
esac
