#!/usr/bin/env bash
# The registry is the only way to a drill: no text file outside drills/ names
# one, by its command-line name, its English name or its Japanese one. A name
# found elsewhere is a place a new drill would have to edit. Every text file
# git knows is read, whatever its kind (sources, CMake and .cmake files,
# templates, desktop entries, man pages, scripts, the web page); left out are
# tests/, bench/ (whose measurements name the drill they time) and the notes
# written in Markdown, which describe the drills there are.
# Usage: drill_names.sh SOURCE_DIR
set -euo pipefail
cd "$1"
pattern='kiritu|ponpu|kahan|platoon|pump[-_ ]?truck|portable[-_ ]?pump'
# The drills' Japanese names: 小隊訓練, ポンプ車操法, 可搬ポンプ操法, and their
# shorter forms (小隊, ポンプ車, 可搬), also as roff escapes in man pages.
pattern+='|小隊|ポンプ車|可搬|\\\[u5C0F\]\\\[u968A\]|\\\[u8ECA\]\\\[u64CD\]|\\\[u53EF\]\\\[u642C\]'
found=$(git ls-files -z | grep -zvE '^(drills|tests|bench)/|\.md$' |
  LC_ALL=C.UTF-8 xargs -0 -r grep -IniE "$pattern" || true)
if [ -n "$found" ]; then
  echo "FAIL: drill names outside drills/:"
  echo "$found"
  exit 1
fi
echo "1 passed, 0 failed"
