#!/usr/bin/env bash
# The web page's browser tests: brings the site up to date, then runs
# web_test.mjs against it with Debian's chromium.
# Usage: run.sh WEB_BUILD_DIR MIRUKADO_RENDER
set -euo pipefail
site_build=$1
render=$2
here=$(cd "$(dirname "$0")" && pwd)
if ! command -v em++ >/dev/null || [ ! -x /usr/bin/chromium ] || ! command -v node >/dev/null; then
  echo "SKIP: the web tests need emscripten, chromium and node (scripts/test installs them)"
  exit 77
fi
source "$here/../../scripts/lib.sh"
web_build=$site_build build_web >/dev/null
ensure_web_test_modules
exec node "$here/web_test.mjs" "$site_build/site" "$render"
