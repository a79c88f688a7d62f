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
# the Linux host, the Japanese caption font, GoogleTest, Google Benchmark and
# FFmpeg's libraries for video export (ffmpeg, for ffprobe, goes with the tests).
build_packages=(g++ cmake ninja-build pkg-config libfreetype-dev libfontconfig-dev
  fonts-ipafont-gothic libpng-dev libgif-dev libsdl2-dev libgtk-3-dev libx11-dev
  libgtest-dev libgmock-dev libbenchmark-dev libavformat-dev libavcodec-dev libswscale-dev
  libavutil-dev)

# What the install and package checks use: the Debian package's tools
# (dpkg-shlibdeps, lintian), the Windows installer's compiler, the desktop-entry
# validator and man.
package_test_packages=(dpkg-dev lintian nsis desktop-file-utils man-db groff-base)

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
