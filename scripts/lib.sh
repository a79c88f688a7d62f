# Shared by scripts/run and scripts/test: install what is missing, configure, build.
# Sourced, not run.

root_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# Installs the Debian packages named that are not installed yet (as root, or
# through sudo). A second run finds them all and does nothing.
ensure_packages() {
  local missing=()
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null; then
    $sudo apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
  fi
}

# What the native build needs: compilers, the libraries of the raster window and
# the Linux host, the Japanese caption font, mirukado-render's argument parser
# (CLI11), PDF surface (cairo) and video export (FFmpeg's libraries; ffmpeg, for
# ffprobe, goes with the tests), GoogleTest and Google Benchmark.
build_packages=(g++ cmake ninja-build pkg-config libfreetype-dev libfontconfig-dev
  fonts-ipafont-gothic libpng-dev libgif-dev libsdl2-dev libgtk-3-dev libx11-dev
  libxext-dev libxinerama-dev libxrandr-dev libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libcairo2-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev)

# What the install and package checks use: the Debian package's tools
# (dpkg-shlibdeps, lintian), the Windows installer's compiler, the desktop-entry
# and AppStream validators and man.
package_test_packages=(dpkg-dev lintian nsis desktop-file-utils appstream man-db groff-base)

# Configures and builds one build tree. $1 = folder, the rest = cmake options.
# Re-running it on an up-to-date tree only checks that nothing changed.
configure_and_build() {
  local dir=$1
  shift
  local generator=()
  [ -f "$dir/CMakeCache.txt" ] || generator=(-G Ninja)
  cmake -S "$root_dir" -B "$dir" "${generator[@]}" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# The web page: Debian's Emscripten (run with the system's Node modules, which
# its JavaScript optimizer needs) and the browser its tests drive.
web_packages=(emscripten chromium)
web_build=$root_dir/build-web

# Builds the static site into build-web/site.
build_web() {
  NODE_PATH=/usr/share/nodejs configure_and_build "$web_build" \
    -DCMAKE_TOOLCHAIN_FILE="$root_dir/cmake/emscripten.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DMIRUKADO_WERROR=ON -DMIRUKADO_TESTS=OFF -DMIRUKADO_BENCH=OFF
}

# playwright-core for the browser tests, into tests/web/node_modules; it drives
# Debian's chromium and never downloads a browser of its own.
ensure_web_test_modules() {
  [ -f "$root_dir/tests/web/node_modules/playwright-core/package.json" ] && return 0
  command -v npm >/dev/null || ensure_packages npm
  (cd "$root_dir/tests/web" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund >/dev/null)
}
