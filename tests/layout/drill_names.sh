#!/usr/bin/env bash
# The registry is the only way to a drill: no source file outside drills/
# (and tests/, docs/, and bench/, whose measurements name the drill they time)
# names one. A name found elsewhere is a place a new drill would have to edit.
# Usage: drill_names.sh SOURCE_DIR
set -euo pipefail
cd "$1"
pattern='kiritu|ponpu|kahan|platoon|pump[-_ ]?truck|portable[-_ ]?pump'
found=$(git ls-files | grep -vE '^(drills|tests|docs|bench)/' |
  grep -E '\.(cpp|hpp|h|rc|js|mjs|html|sh|in|desktop)$|CMakeLists\.txt$|^scripts/' |
  xargs -r grep -niE "$pattern" || true)
if [ -n "$found" ]; then
  echo "FAIL: drill names outside drills/:"
  echo "$found"
  exit 1
fi
echo "1 passed, 0 failed"
