#!/usr/bin/env bash
# A fourth drill is one folder and one registry line: in the build made with
# MIRUKADO_TEST_DRILL=ON (scripts/test makes build-fourth), the test drill
# reaches the registry's users — the settings dialog's model, the saver's
# --drills, xscreensaver's page, the saver's default Conf, the desktop entries,
# man pages and package description (test_fourth_drill) — and the tool's
# drills, dump, commands and default run. Usage: run.sh FOURTH_BUILD_DIR
set -euo pipefail
build=$1
render=$build/tools/render/mirukado-render
if [ ! -x "$render" ] || [ ! -x "$build/tests/fourth_drill/test_fourth_drill" ]; then
  echo "SKIP: no fourth-drill build in $build (scripts/test makes it)"
  exit 77
fi
fail() {
  echo "FAIL: $*"
  exit 1
}
"$build/tests/fourth_drill/test_fourth_drill"
[ "$("$render" drills | tr '\n' ' ')" = "kiritu ponpu kahan shiken " ] ||
  fail "drills lists: $("$render" drills | tr '\n' ' ')"
dump=$("$render" dump shiken) || fail "dump shiken failed"
[ "$(wc -l <<<"$dump")" = 5 ] || fail "dump shiken is not a header and four records: $dump"
commands=$("$render" commands shiken) || fail "commands shiken failed"
grep -q "指揮者「試験はじめ」" <<<"$commands" || fail "commands shiken: $commands"
grep -q "１番員「よし」" <<<"$commands" || fail "commands shiken: $commands"
"$render" frame --help | grep -q shiken || fail "frame's help does not list the drill"
# The tool's run plays all registered drills by default: longer than the three's.
run_seconds() {
  "$render" play "$@" --from 999999 --size 16x16 -o "$build/fourth-play" 2>&1 |
    sed -n 's/.* past the end of the run (\([0-9]*\) s).*/\1/p' || true
}
three=$(run_seconds --conf 7)
all=$(run_seconds)
[ -n "$three" ] && [ -n "$all" ] && [ "$all" -gt "$three" ] ||
  fail "the default run ($all s) is not longer than the three drills' ($three s)"
"$render" play --help | grep -qF -- "--conf C=15" || fail "play's --conf does not default to 15"
echo "1 passed, 0 failed"
