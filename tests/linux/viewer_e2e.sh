#!/usr/bin/env bash
# End-to-end cases of the viewer (`mirukado view`), each on its own Xvfb
# server. The window title carries the drill, the keyframe on screen and the
# command heard ("ミルカド ビューア — NAME  K/N  COMMAND"); x_grab hashes the
# window's pixels.
# The viewer shows the teaching picture unless --view saver asks for the
# saver's: the command that stays and the legend along the top, the drill in
# what the band and an open card leave.
# Usage: viewer_e2e.sh CASE   with MIRUKADO, X_PROBE and X_GRAB set.
# Exit 0 pass, 1 fail, 77 skip (no Xvfb or xdotool).
set -u

case_name=${1:?case}
: "${MIRUKADO:?}" "${X_PROBE:?}" "${X_GRAB:?}"

for tool in Xvfb xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/mirukado-viewer-e2e.XXXXXX")
xvfb=""
viewer=""

cleanup() {
  [ -n "$viewer" ] && kill "$viewer" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL ($case_name): $*"
  [ -s "$work/err.log" ] && sed 's/^/  stderr: /' "$work/err.log"
  exit 1
}

source "$(dirname "$0")/../x_server.sh"
source "$(dirname "$0")/viewer_memory.sh"

# Under AddressSanitizer the allocator holds freed memory back (its
# quarantine) and keeps shadow memory: resident sizes say nothing there.
sanitized() { ldd "$MIRUKADO" 2>/dev/null | grep -q libasan; }

start_x() {
  start_x_server "$work" Xvfb -screen 0 1024x768x24 -noreset -nolisten tcp ||
    fail "Xvfb did not start"
  xvfb=$x_server_pid
}

export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/run"
unset XSCREENSAVER_WINDOW
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

running() { kill -0 "$1" 2>/dev/null && [ "$(sed 's/.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)" != Z ]; }

# Starts the viewer with the given arguments and waits (20 s at most: slow
# sanitizer builds) for its window to show a keyframe; sets $win.
open_viewer() {
  "$MIRUKADO" view "$@" >"$work/out.log" 2>"$work/err.log" &
  viewer=$!
  local i
  win=""
  for i in $(seq 400); do
    win=$(xdotool search --name ' [0-9]+/[0-9]+' 2>/dev/null | head -n1)
    [ -n "$win" ] && break
    running "$viewer" || fail "the viewer ended at start"
    sleep 0.05
  done
  [ -n "$win" ] || fail "no viewer window showing a keyframe"
  xdotool mousemove --window "$win" 10 10
  xdotool windowfocus --sync "$win" 2>/dev/null || xdotool windowfocus "$win"
}

# The title: "ミルカド ビューア — DRILL  コマ K/N  号令 C TEXT", K and C from 1.
title() { xdotool getwindowname "$win"; }
keyframe() { title | sed -E 's/.*コマ ([0-9]+)\/[0-9]+.*/\1/'; }
keyframes() { title | sed -E 's/.*コマ [0-9]+\/([0-9]+).*/\1/'; }
command_number() { title | sed -nE 's/.*コマ [0-9]+\/[0-9]+  号令 ([0-9]+) .*/\1/p'; }
command_text() { title | sed -E 's/.*コマ [0-9]+\/[0-9]+(  号令 [0-9]+ )?//'; }
# The box "LEFT TOP RIGHT BOTTOM" around the pixels that are not black in the
# rectangle X Y W H of the window, or "none".
ink_box() { "$X_GRAB" "$win" --in "$@" | cut -d' ' -f2-; }
# The hash of the rectangle X Y W H of the window.
rect_hash() { "$X_GRAB" "$win" --in "$@" | cut -d' ' -f1; }
# The drill's rows of the teaching picture: under the command and the
# legend, above the band (with room to spare for the font's size).
drill_rows() { echo "$((h / 6)) $((h * 3 / 4 - h / 6))"; }

# Waits up to 10 s for the title to differ from $1.
title_changes_from() {
  local i
  for i in $(seq 200); do
    [ "$(title)" != "$1" ] && return 0
    sleep 0.05
  done
  return 1
}

# Waits up to 15 s for the title to hold the text $1.
wait_title_has() {
  local i
  for i in $(seq 300); do
    [[ $(title) == *"$1"* ]] && return 0
    sleep 0.05
  done
  return 1
}

# Presses keys and waits until the viewer has handled them: a title that
# settles for half a second.
press() {
  xdotool key --delay 60 "$@"
  settle
}
settle() {
  local last now i
  last=$(title)
  for i in $(seq 100); do
    sleep 0.25
    now=$(title)
    [ "$now" = "$last" ] && return 0
    last=$now
  done
}

pause_viewer() {
  press space
  # Paused, the title stands still.
  local t
  t=$(title)
  sleep 0.6
  [ "$(title)" = "$t" ] || fail "still playing after Space"
}

quit_with() {
  xdotool key "$1"
  local i
  for i in $(seq 100); do
    running "$viewer" || break
    sleep 0.05
  done
  running "$viewer" && fail "still running after $1"
  wait "$viewer"
  local status=$?
  viewer=""
  [ "$status" = 0 ] || fail "exit status $status after $1, not 0"
}

case "$case_name" in

  opens_windowed)
    # A normal window, smaller than the screen, that keeps playing through
    # the input that ends a saver run, touches neither the settings file nor
    # the lock, and ends with status 0 on q.
    start_x
    open_viewer ponpu
    read -r w h < <("$X_PROBE" size "$win")
    { [ "$w" -lt 1024 ] && [ "$h" -lt 768 ]; } || fail "window is ${w}x${h}, not smaller than the screen"
    [[ $(title) == *ポンプ車* ]] || fail "title does not name the pump-truck drill: $(title)"
    [ "$("$X_PROBE" lit "$win")" -gt 0 ] || fail "nothing drawn"
    t=$(title)
    xdotool mousemove --window "$win" 200 150 click 1 key x
    title_changes_from "$t" || fail "not playing"
    running "$viewer" || fail "ended by a key, a click or a mouse movement"
    [ ! -e "$XDG_CONFIG_HOME/mirukado" ] || fail "the settings folder was created"
    [ -z "$(ls -A "$XDG_RUNTIME_DIR")" ] || fail "the instance lock was taken: $(ls -A "$XDG_RUNTIME_DIR")"
    # What clicks and keys do is the session's (tests/playback); here, that
    # the window's own reach it: a click on the timeline along the bottom,
    # three quarters of the way along it, and the keys SDL names apart from
    # their characters.
    pause_viewer
    press Home
    xdotool mousemove --window "$win" $((w * 3 / 4)) $((h - 4)) click 1
    settle
    n=$(keyframes)
    k=$(keyframe)
    { [ "$k" -gt $((n / 2)) ] && [ "$k" -lt "$n" ]; } || fail "a click at 3/4 of the timeline shows keyframe $k of $n"
    press g 2 8 BackSpace 7 Return
    [ "$(command_number)" = 27 ] || fail "g 2 8 BackSpace 7 Enter is not command 27: $(title)"
    # Keys queued behind a number are looked through for a quit (quit_queued):
    # the Escape that gives the number up is not one.
    press g 5 Escape
    running "$viewer" || fail "Escape after g quit the viewer"
    [ "$(command_number)" = 27 ] || fail "g 5 Escape moved to $(title)"
    press Tab
    [[ $(title) == *可搬* ]] || fail "Tab after the pump-truck drill: $(title)"
    quit_with q
    ;;

  pause_and_step)
    start_x
    open_viewer kiritu
    pause_viewer
    a=$("$X_GRAB" "$win")
    sleep 1
    b=$("$X_GRAB" "$win")
    [ "$a" = "$b" ] || fail "the picture changed while paused"
    k=$(keyframe)
    press Right
    [ "$(keyframe)" = $((k + 1)) ] || fail "→ from $k shows $(keyframe)"
    [ "$("$X_GRAB" "$win")" != "$b" ] || fail "→ left the picture as it was"
    press Left
    [ "$(keyframe)" = "$k" ] || fail "← back to $k shows $(keyframe)"
    # Keys given faster than the viewer answers are each applied once.
    xdotool key --delay 0 Right Right Right Right Right Right Right Right Right Right
    settle
    [ "$(keyframe)" = $((k + 10)) ] || fail "ten → from $k show $(keyframe)"
    # End replays the whole drill; the keys typed behind it wait their turn.
    n=$(keyframes)
    xdotool key --delay 0 End Left Left Left
    settle
    [ "$(keyframe)" = $((n - 3)) ] || fail "End and three ← show $(keyframe) of $n"
    quit_with Escape
    ;;

  resize)
    # A resize lays the stage out anew at the same keyframe, paused or playing.
    start_x
    open_viewer kiritu
    pause_viewer
    press Down Down Down Right
    before=$(title)
    xdotool windowsize --sync "$win" 640 400 2>/dev/null || xdotool windowsize "$win" 640 400
    settle
    read -r w h < <("$X_PROBE" size "$win")
    [ "$w" = 640 ] && [ "$h" = 400 ] || fail "window is ${w}x$h after the resize"
    [ "$(title)" = "$before" ] || fail "resize moved '$before' to '$(title)'"
    [ "$("$X_PROBE" lit "$win")" -gt 0 ] || fail "nothing drawn after the resize"
    # f covers the screen and gives the window back, at the same keyframe.
    press f
    read -r w h < <("$X_PROBE" size "$win")
    [ "$w" = 1024 ] && [ "$h" = 768 ] || fail "window is ${w}x$h in full screen"
    [ "$(title)" = "$before" ] || fail "full screen moved '$before' to '$(title)'"
    press F11
    read -r w h < <("$X_PROBE" size "$win")
    [ "$w" = 640 ] && [ "$h" = 400 ] || fail "window is ${w}x$h after full screen"
    # Too small for the overlay: the stage alone, still playing.
    press space
    xdotool windowsize "$win" 120 90
    t=$(title)
    title_changes_from "$t" || fail "not playing in a 120 x 90 window"
    quit_with q
    ;;

  missing_font)
    # Without a Japanese font the viewer still opens and plays, and says once
    # what to install.
    start_x
    printf '<fontconfig></fontconfig>\n' >"$work/no-fonts.conf"
    FONTCONFIG_FILE="$work/no-fonts.conf" open_viewer ponpu
    sleep 1
    running "$viewer" || fail "the viewer ended without a Japanese font"
    [ "$(wc -l <"$work/err.log")" = 1 ] || fail "stderr is not one line: $(cat "$work/err.log")"
    grep -q "warning: .*IPAPGothic.*fonts-ipafont-gothic" "$work/err.log" ||
      fail "the warning does not name the font and its package"
    quit_with q
    ;;

  bad_arguments)
    # Like every mode, the viewer needs a display: without one, one line and status 1.
    env -u DISPLAY "$MIRUKADO" view kiritu >"$work/bad.out" 2>"$work/bad.err"
    status=$?
    [ "$status" = 1 ] || fail "view without a display: status $status, not 1"
    [ "$(wc -l <"$work/bad.err")" = 1 ] || fail "view without a display: stderr is not one line"
    start_x
    # (--help is no bad argument: it prints the usage, as the no_display case of e2e.sh checks.)
    # A position the drill lacks, a position that is no number, and practice
    # without a position are refused the same way.
    for args in "nosuch" "kiritu extra" "--bogus" "--theme pink" "kiritu --view" "--view map" \
      "--role 7 kahan" "--role -1 ponpu" "--role x ponpu" "--practice ponpu"; do
      # shellcheck disable=SC2086
      "$MIRUKADO" view $args >"$work/bad.out" 2>"$work/bad.err"
      status=$?
      [ "$status" = 2 ] || fail "view $args: status $status, not 2"
      [ "$(wc -l <"$work/bad.err")" = 1 ] || fail "view $args: stderr is not one line: $(cat "$work/bad.err")"
      [ ! -s "$work/bad.out" ] || fail "view $args: wrote to stdout"
    done
    [ ! -e "$XDG_CONFIG_HOME/mirukado" ] || fail "the settings folder was created"
    ;;

  window_destroyed)
    # Another client destroys the window, paused (the viewer sleeps until an
    # event comes) and playing: the viewer ends as on a close request.
    start_x
    for state in paused playing; do
      open_viewer kahan
      [ "$state" = paused ] && pause_viewer
      "$X_PROBE" destroy "$win"
      for i in $(seq 60); do
        running "$viewer" || break
        sleep 0.05
      done
      running "$viewer" && fail "$state: still running 3 s after its window was destroyed"
      wait "$viewer"
      status=$?
      viewer=""
      [ "$status" = 0 ] || fail "$state: exit status $status after its window was destroyed"
    done
    ;;

  server_dies)
    # The X server goes away under a running viewer: one line on stderr and
    # a non-zero status, not a silent 0.
    start_x
    open_viewer ponpu
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null
    xvfb=""
    for i in $(seq 60); do
      running "$viewer" || break
      sleep 0.05
    done
    running "$viewer" && fail "still running 3 s after the X server ended"
    wait "$viewer"
    status=$?
    viewer=""
    [ "$status" != 0 ] || fail "exit status 0 after the X server ended"
    [ "$(wc -l <"$work/err.log")" = 1 ] || fail "stderr is not one line: $(cat "$work/err.log")"
    grep -q "X server" "$work/err.log" || fail "stderr does not name the X server: $(cat "$work/err.log")"
    ;;

  memory_after_shrink)
    # A window made as large as the stage is drawn (16384 pixels square, a
    # GiB of picture) and then small again gives that memory back.
    start_x
    open_viewer kiritu
    pause_viewer
    start=$(settled_rss "$viewer")
    xdotool windowsize "$win" 16384 16384
    huge=$(settled_rss "$viewer")
    xdotool windowsize "$win" 960 540
    shrunk=$(settled_rss "$viewer")
    read -r w h < <("$X_PROBE" size "$win")
    [ "$w" = 960 ] && [ "$h" = 540 ] || fail "window is ${w}x$h after the shrink"
    # On the screen whole (a window reaching past its edge cannot be read back).
    xdotool windowmove --sync "$win" 0 0 2>/dev/null || xdotool windowmove "$win" 0 0
    settle
    [ "$("$X_PROBE" lit "$win")" -gt 0 ] 2>/dev/null || fail "nothing drawn after the shrink"
    echo "VmRSS: ${start} KiB at start, $huge KiB at 16384 x 16384, $shrunk KiB at 960 x 540"
    if sanitized; then
      echo "(sanitizer build: resident sizes not compared)"
    else
      [ "$huge" -gt $((start + 512 * 1024)) ] || fail "the 16384 x 16384 window did not take its picture"
      [ "$shrunk" -lt $((start + 8 * 1024)) ] || fail "$shrunk KiB kept after the shrink, $start KiB at start"
    fi
    running "$viewer" || fail "ended"
    quit_with q
    ;;

  memory_flat)
    # Every keyframe shown retitles the window. Over the same keyframes again
    # and again (their seek checkpoints made in the first pass) the resident
    # size stands still: a title change that kept ~70 bytes grows it by
    # ~700 KiB over these 10,000 keyframes.
    start_x
    open_viewer kiritu
    pause_viewer
    n=$(keyframes)
    step_through "$win" "$n" 1
    before=$(settled_rss "$viewer")
    passes=$(((10000 + n - 1) / n))
    sanitized && passes=1
    step_through "$win" "$n" "$passes"
    after=$(settled_rss "$viewer")
    [ "$(keyframe)" = "$n" ] || fail "the keys did not reach keyframe $n: $(title)"
    echo "VmRSS: $before KiB before, $after KiB after $((passes * n)) keyframes"
    if ! sanitized; then
      [ "$after" -lt $((before + 256)) ] || fail "grew from $before KiB to $after KiB"
    fi
    quit_with q
    ;;

  teaching_command_stays)
    # Paused on a command, stepping on inside it and seeking back to it: the
    # command stays written at the top until the next one replaces it.
    start_x
    open_viewer ponpu
    pause_viewer
    press Home
    read -r w h < <("$X_PROBE" size "$win")
    line=$((h / 16))  # the command's first line lies in these top rows
    press Down
    first=$(command_text)
    [ -n "$first" ] || fail "↓ shows no command: $(title)"
    shown=$(rect_hash 0 0 "$w" "$line")
    [ "$(ink_box 0 0 "$w" "$line")" != none ] || fail "the command box is empty at '$first'"
    k=$(keyframe)
    press Right
    press Right
    [ "$(keyframe)" = $((k + 2)) ] || fail "→ → from $k show $(keyframe)"
    if [ "$(command_text)" = "$first" ]; then
      [ "$(rect_hash 0 0 "$w" "$line")" = "$shown" ] || fail "two steps into '$first' changed the command box"
    fi
    press Down
    second=$(command_text)
    [ "$second" != "$first" ] || fail "↓ did not reach the next command: $(title)"
    [ "$(rect_hash 0 0 "$w" "$line")" != "$shown" ] || fail "the command box kept '$first' at '$second'"
    press Up
    [ "$(command_text)" = "$first" ] || fail "↑ did not go back to '$first': $(title)"
    [ "$(rect_hash 0 0 "$w" "$line")" = "$shown" ] || fail "the command box differs back at '$first'"
    sleep 0.5
    [ "$(rect_hash 0 0 "$w" "$line")" = "$shown" ] || fail "the command box changed while paused"
    # What the steps left on screen piece by piece is the picture drawn whole
    # (the theme switched and back draws everything anew).
    stepped=$("$X_GRAB" "$win")
    press t
    press t
    [ "$("$X_GRAB" "$win")" = "$stepped" ] || fail "the stepped picture differs from the one drawn whole"
    quit_with q
    ;;

  sigterm_with_queued_keys)
    # A thousand relayouts queued at the platoon drill's last keyframe (the
    # theme and the command list in turn), then SIGTERM: the viewer ends
    # without working through them first. The keys go 3 ms apart: SDL takes
    # a key pressed again within 2 ms for a held key's repeat, which neither
    # command acts on.
    start_x
    open_viewer kiritu
    pause_viewer
    press End
    keys=()
    for i in $(seq 500); do keys+=(t c); done
    xdotool key --delay 3 "${keys[@]}"
    kill -TERM "$viewer"
    # A bound on liveness, not a measure of speed: handling the queue in
    # order takes tens of seconds.
    for i in $(seq 100); do
      running "$viewer" || break
      sleep 0.05
    done
    running "$viewer" && fail "still running 5 s after SIGTERM with 1000 keys queued"
    wait "$viewer"
    status=$?
    viewer=""
    [ "$status" = 0 ] || fail "exit status $status after SIGTERM, not 0"
    ;;

  list_wheel)
    # The mouse wheel over the command list scrolls it; a new command brings
    # it back to the current one.
    start_x
    open_viewer kiritu
    pause_viewer
    press Home c
    read -r w h < <("$X_PROBE" size "$win")
    list=$(rect_hash $((w * 3 / 4)) $((h / 4)) $((w / 8)) $((h / 2)))
    xdotool mousemove --window "$win" $((w - w / 6)) $((h / 2)) click --repeat 3 5
    settle
    sleep 0.3
    scrolled=$(rect_hash $((w * 3 / 4)) $((h / 4)) $((w / 8)) $((h / 2)))
    [ "$scrolled" != "$list" ] || fail "the wheel did not scroll the list"
    [ "$(keyframe)" = 1 ] || fail "the wheel moved the drill to keyframe $(keyframe)"
    xdotool click --repeat 3 4
    sleep 0.5
    [ "$(rect_hash $((w * 3 / 4)) $((h / 4)) $((w / 8)) $((h / 2)))" = "$list" ] ||
      fail "the wheel back up did not give the list back"
    quit_with q
    ;;

  practice_hides_call)
    # Practising member 2 of the pump-truck drill: each item stops the drill
    # with its prompt; at a call the call itself is nowhere yet (neither in
    # the title's command nor in the command box) and Space reveals it. What
    # the session does with a prompt across rebuilds and marks is tested in
    # tests/playback; the position chosen lands in the file.
    start_x
    open_viewer ponpu --role 2 --practice
    read -r w h < <("$X_PROBE" size "$win")
    xdotool key 3  # ten times as fast to the items
    asked=""
    for _ in $(seq 12); do
      wait_title_has ？ || fail "no practice prompt: $(title)"
      if [[ $(title) == *あなたの号令は？* ]]; then asked=yes && break; fi
      press y  # a move asked: known, on to the next item
    done
    [ -n "$asked" ] || fail "no call asked of member 2: $(title)"
    before=$(title)
    box=$(rect_hash 0 0 "$w" $((h / 8)))
    press space
    [[ $(title) == *答え* ]] || fail "Space did not reveal the call: $(title)"
    answer=$(title | sed -E 's/.* 答え //')
    [[ $answer == *２番員* ]] || fail "the answer '$answer' is not member 2's call"
    [[ $before != *"$answer"* ]] || fail "the call '$answer' showed before Space: $before"
    [ "$(rect_hash 0 0 "$w" $((h / 8)))" != "$box" ] || fail "the command box did not change on reveal"
    quit_with q
    grep -qx 'ponpu 2' "$XDG_CONFIG_HOME/mirukado/viewer-progress" ||
      fail "the position was not remembered: $(cat "$XDG_CONFIG_HOME/mirukado/viewer-progress")"
    ;;

  progress_remembered)
    # A line the viewer cannot read is kept, and so is every other drill's
    # record; the position chosen with r is remembered for the drill and
    # followed at the next start. A file that is not progress is set aside,
    # never overwritten; a read-only one stays as it is and the title says
    # that nothing is saved.
    start_x
    file="$XDG_CONFIG_HOME/mirukado/viewer-progress"
    mkdir -p "$(dirname "$file")"
    printf 'mirukado-progress 1\nkiritu two 0=9/\001\nponpu 2 2=7/9\n' >"$file"
    open_viewer kiritu
    press r
    quit_with q
    grep -qx 'kiritu 0' "$file" || fail "r did not remember the commander: $(cat -v "$file")"
    grep -qx 'ponpu 2 2=7/9' "$file" && grep -q 'kiritu two' "$file" ||
      fail "a record or an unreadable line was lost: $(cat -v "$file")"
    open_viewer kiritu
    press r  # from the commander remembered, member 1
    quit_with q
    grep -qx 'kiritu 1' "$file" || fail "the remembered position was not followed: $(cat "$file")"
    [ -z "$(find "$(dirname "$file")" -name '*.tmp*')" ] || fail "a temporary file was left"
    printf 'not progress\n' >"$file"
    open_viewer kiritu
    quit_with q
    grep -qx 'not progress' "$(dirname "$file")"/viewer-progress.bad-* ||
      fail "the damaged file was not set aside: $(ls -a "$(dirname "$file")")"
    printf 'mirukado-progress 1\nkiritu 3\n' >"$file"
    chmod 0444 "$file"
    open_viewer kiritu
    press r
    wait_title_has 保存できません || fail "the title does not say progress is not saved: $(title)"
    quit_with q
    [ "$(cat "$file")" = "kiritu 3" ] || [ "$(sed -n 2p "$file")" = "kiritu 3" ] ||
      fail "the read-only file changed: $(cat "$file")"
    [ "$(stat -c %a "$file")" = 444 ] || fail "the read-only file became $(stat -c %a "$file")"
    ;;

  *)
    echo "unknown case $case_name"
    exit 2
    ;;
esac
echo "PASS ($case_name)"
