#!/usr/bin/env bash
# Install and package checks, one case a run:
#   install.sh tree         install into a fresh DESTDIR: every file where the desktop looks
#   install.sh deb          cpack -G DEB: the package, its contents and dependencies
#   install.sh deb_lintian  lintian finds no error in the package
#   install.sh deb_apt      apt installs and removes the package cleanly (as root)
#   install.sh nsis         the Windows installer, silent install and uninstall under Wine
# Environment (set by CMakeLists.txt): MIRUKADO_BUILD_DIR, MIRUKADO_WIN_BUILD_DIR,
# MIRUKADO_SOURCE_DIR, MIRUKADO_INSTALL_WORK. Exit status 77: a tool is missing.
set -uo pipefail

build=${MIRUKADO_BUILD_DIR:?}
win_build=${MIRUKADO_WIN_BUILD_DIR:?}
src=${MIRUKADO_SOURCE_DIR:?}
work=${MIRUKADO_INSTALL_WORK:?}
deb_dir=$work/deb

skip() {
  echo "SKIP: $*"
  exit 77
}
fail() {
  echo "FAIL: $*"
  exit 1
}
need() {
  local t
  for t in "$@"; do command -v "$t" >/dev/null || skip "$t is not installed"; done
}
version() { sed -n 's/^project(mirukado VERSION \([0-9.]*\).*/\1/p' "$src/CMakeLists.txt"; }

# Where each installed file lands under the prefix /usr, as the package has it.
# The program's link on the PATH is checked apart.
installed_files() {
  local size
  echo usr/libexec/xscreensaver/mirukado
  echo usr/bin/mirukado-render
  echo usr/lib/mirukado/mirukado-gtk-dialog.so
  echo usr/share/xscreensaver/config/mirukado.xml
  echo usr/share/applications/screensavers/mirukado.desktop
  echo usr/share/applications/org.example.mirukado.desktop
  echo usr/share/metainfo/org.example.mirukado.metainfo.xml
  echo usr/share/man/man1/mirukado.1.gz
  echo usr/share/man/man1/mirukado-render.1.gz
  for size in 16 32 64 128 256; do echo "usr/share/icons/hicolor/${size}x$size/apps/mirukado.png"; done
  echo usr/share/doc/mirukado/copyright
  echo usr/share/doc/mirukado/changelog.gz
}

# Width and height of a PNG file, from its header.
png_size() {
  [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || return 1
  local w h
  w=$(od -An -j16 -N4 -tu1 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  h=$(od -An -j20 -N4 -tu1 "$1" | awk '{print $1*16777216+$2*65536+$3*256+$4}')
  echo "${w}x$h"
}

# One man page renders without a warning and with its sections.
check_man_page() {
  local page=$1 out err
  out=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>"$work/man.err") || fail "man -l $page"
  err=$(cat "$work/man.err")
  [ -z "$err" ] || fail "man -l $page warns: $err"
  for section in NAME SYNOPSIS DESCRIPTION "EXIT STATUS" "SEE ALSO"; do
    grep -q "^$section" <<<"$out" || fail "$page has no $section section"
  done
}

case_tree() {
  need desktop-file-validate appstreamcli man
  local dest=$work/destdir f
  rm -rf "$dest"
  mkdir -p "$work"
  rm -f "$build/install_manifest.txt"
  DESTDIR=$dest cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    fail "install: $(tail -3 "$work/install.log")"

  # Exactly these files, no stray ones.
  diff <(installed_files | LC_ALL=C sort) <(cd "$dest" && find . ! -type d ! -path ./usr/bin/mirukado |
    sed 's|^\./||' | LC_ALL=C sort) >"$work/tree.diff" || fail "installed files differ: $(cat "$work/tree.diff")"
  [ -x "$dest/usr/libexec/xscreensaver/mirukado" ] || fail "the hack is not executable"
  [ -L "$dest/usr/bin/mirukado" ] || fail "usr/bin/mirukado is not a link"
  [ "$(readlink -f "$dest/usr/bin/mirukado")" = "$(readlink -f "$dest/usr/libexec/xscreensaver/mirukado")" ] ||
    fail "usr/bin/mirukado points to $(readlink "$dest/usr/bin/mirukado")"
  # The manifest (what packagers and uninstall scripts read) names every file.
  for f in $(installed_files) usr/bin/mirukado; do
    grep -qx "/$f" "$build/install_manifest.txt" || fail "install manifest lacks /$f"
  done

  local desktop=$dest/usr/share/applications/screensavers/mirukado.desktop
  desktop-file-validate "$desktop" >"$work/validate.log" 2>&1 ||
    fail "desktop-file-validate: $(cat "$work/validate.log")"
  grep -qx 'Exec=mirukado --root' "$desktop" || fail "the desktop entry does not run the hack on the root"
  grep -qx 'Categories=Screensaver;' "$desktop" || fail "the desktop entry is no screen saver"
  # The viewer's entry in the menu, and the AppStream description that names it.
  local viewer=$dest/usr/share/applications/org.example.mirukado.desktop
  desktop-file-validate "$viewer" >"$work/validate.log" 2>&1 ||
    fail "desktop-file-validate (viewer): $(cat "$work/validate.log")"
  grep -qx 'Exec=mirukado view' "$viewer" || fail "the viewer's entry does not run mirukado view"
  grep -qx 'Categories=Education;' "$viewer" || fail "the viewer's entry is not under Education"
  grep -qx 'Icon=mirukado' "$viewer" || fail "the viewer's entry has not the program's icon"
  local metainfo=$dest/usr/share/metainfo/org.example.mirukado.metainfo.xml
  appstreamcli validate --no-net "$metainfo" >"$work/appstream.log" 2>&1 ||
    fail "appstreamcli validate: $(cat "$work/appstream.log")"
  grep -q '^I:\|^W:\|^E:' "$work/appstream.log" && fail "appstreamcli validate: $(cat "$work/appstream.log")"
  grep -qF '<launchable type="desktop-id">org.example.mirukado.desktop</launchable>' "$metainfo" ||
    fail "the AppStream description does not launch the viewer's entry"
  if command -v python3 >/dev/null; then
    python3 -c 'import sys, xml.dom.minidom as m; m.parse(sys.argv[1])' \
      "$dest/usr/share/xscreensaver/config/mirukado.xml" || fail "mirukado.xml is not well-formed XML"
  fi

  check_man_page "$dest/usr/share/man/man1/mirukado.1.gz"
  check_man_page "$dest/usr/share/man/man1/mirukado-render.1.gz"

  local size
  for size in 16 32 64 128 256; do
    [ "$(png_size "$dest/usr/share/icons/hicolor/${size}x$size/apps/mirukado.png")" = "${size}x$size" ] ||
      fail "the ${size}x$size icon is not a ${size}x$size PNG"
  done
  echo "installed $(installed_files | wc -l) files and the link usr/bin/mirukado"
}

deb_file() { echo "$deb_dir/mirukado_$(version)_amd64.deb"; }

case_deb() {
  need cpack dpkg-deb dpkg-shlibdeps
  rm -rf "$deb_dir"
  mkdir -p "$deb_dir"
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$deb_dir" >"$work/cpack-deb.log" 2>&1 ||
    fail "cpack -G DEB: $(tail -5 "$work/cpack-deb.log")"
  local deb
  deb=$(deb_file)
  [ -f "$deb" ] || fail "no $(basename "$deb"): $(ls "$deb_dir")"
  dpkg-deb -f "$deb" Package Version Architecture Depends
  # The description names what the package is for beside the saver.
  local description
  description=$(dpkg-deb -f "$deb" Description)
  for word in "mirukado view" viewer video "command sheets" 小隊訓練; do
    grep -qF "$word" <<<"$description" || fail "the description does not name $word: $description"
  done
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  # dpkg-shlibdeps found the program's and the dialog module's libraries.
  for lib in libsdl2 libx11 libgtk-3 libpng libgif libfreetype libfontconfig libstdc++ fonts-ipafont-gothic; do
    grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
  done
  diff <(installed_files | sed 's|^|./|' | LC_ALL=C sort) \
    <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | grep -vx './usr/bin/mirukado' | LC_ALL=C sort) \
    >"$work/deb.diff" || fail "package contents differ: $(cat "$work/deb.diff")"
  local listing
  listing=$(dpkg-deb -c "$deb") || fail "dpkg-deb -c"
  grep -q ' ./usr/bin/mirukado -> ../libexec/xscreensaver/mirukado$' <<<"$listing" ||
    fail "the package's usr/bin/mirukado is not the link to the hack"
}

case_deb_lintian() {
  need lintian
  local deb
  deb=$(deb_file)
  [ -f "$deb" ] || fail "no package: the deb case did not run"
  lintian --fail-on error --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
  local rc=$?
  cat "$work/lintian.log"
  [ $rc -eq 0 ] || fail "lintian finds errors"
}

case_deb_apt() {
  need apt-get dpkg-query
  [ "$(id -u)" -eq 0 ] || skip "apt needs root"
  local deb
  deb=$(deb_file)
  [ -f "$deb" ] || fail "no package: the deb case did not run"
  if dpkg-query -W -f='${Status}' mirukado 2>/dev/null | grep -q 'ok installed'; then
    skip "mirukado is installed on this machine already; the test leaves it alone"
  fi
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -y -q -o DPkg::Lock::Timeout=300)
  trap '"${apt[@]}" purge mirukado >/dev/null 2>&1' EXIT
  "${apt[@]}" install "$deb" >"$work/apt-install.log" 2>&1 ||
    fail "apt install: $(tail -5 "$work/apt-install.log")"
  dpkg-query -L mirukado >"$work/deb-files.txt" || fail "dpkg knows no mirukado"
  local f
  for f in $(installed_files) usr/bin/mirukado; do
    [ -e "/$f" ] || fail "/$f missing after apt install"
  done
  # Every library resolves: the hack runs far enough to ask for a display.
  for f in /usr/libexec/xscreensaver/mirukado /usr/lib/mirukado/mirukado-gtk-dialog.so /usr/bin/mirukado-render; do
    ! ldd "$f" | grep 'not found' || fail "$f lacks libraries"
  done
  local err
  err=$(env -u DISPLAY mirukado /s 2>&1 >/dev/null)
  [ $? -eq 1 ] && grep -q 'no X display' <<<"$err" || fail "installed mirukado without a display: $err"
  mirukado-render dump kiritu >"$work/dump.tsv" && grep -q '^index' "$work/dump.tsv" ||
    fail "installed mirukado-render cannot dump"

  "${apt[@]}" purge mirukado >"$work/apt-remove.log" 2>&1 || fail "apt purge: $(tail -5 "$work/apt-remove.log")"
  trap - EXIT
  ! dpkg-query -W -f='${Status}' mirukado 2>/dev/null | grep -q 'ok installed' || fail "still installed"
  while read -r f; do
    [ -d "$f" ] && continue
    [ ! -e "$f" ] && [ ! -L "$f" ] || fail "$f left behind by apt purge"
  done <"$work/deb-files.txt"
  for f in /usr/lib/mirukado /usr/share/doc/mirukado; do
    [ ! -e "$f" ] || fail "$f left behind by apt purge"
  done
  echo "installed and purged $(wc -l <"$work/deb-files.txt") paths"
}

# --- the Windows installer ---

# Files under drive_c, less the temporary folders that Wine and the
# uninstaller's own copy use.
wine_files() {
  (cd "$WINEPREFIX/drive_c" && find . ! -type d | grep -v -i '/temp/' | LC_ALL=C sort)
}

reg_value() {
  wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v v="$2" '$1 == v { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}

case_nsis() {
  need cpack makensis wine wineboot wineserver x86_64-w64-mingw32-g++
  local out=$work/win-packages
  cmake --build "$win_build" --target mirukado mirukado-view >"$work/win-build.log" 2>&1 ||
    fail "cross build: $(tail -5 "$work/win-build.log")"
  rm -rf "$out"
  (cd "$win_build" && cpack -B "$out") >"$work/cpack-win.log" 2>&1 ||
    fail "cpack: $(tail -5 "$work/cpack-win.log")"
  local setup=$out/mirukado-setup.exe zip=$out/mirukado-$(version)-scr.zip
  local scr=$win_build/platform/win32/mirukado.scr
  [ -f "$setup" ] || fail "no mirukado-setup.exe: $(ls "$out")"
  [ "$(cmake -E tar tf "$zip")" = mirukado.scr ] || fail "the zip holds $(cmake -E tar tf "$zip")"

  export WINEPREFIX=$work/prefix WINEDEBUG=-all DISPLAY=
  # No menus or file associations for the Linux desktop of whoever runs the test.
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  rm -rf "$WINEPREFIX"
  wineboot -i </dev/null >"$work/wineboot.log" 2>&1 || fail "wineboot"
  wineserver -w
  local before_saver
  before_saver=$(reg_value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)
  wine_files >"$work/files-before.txt"

  wine "$setup" /S </dev/null >"$work/setup.log" 2>&1 || fail "silent install failed"
  wineserver -w
  local c=$WINEPREFIX/drive_c
  cmp -s "$scr" "$c/windows/mirukado.scr" || fail "mirukado.scr is not in the Windows folder"
  local saver
  saver=$(reg_value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)
  [ "${saver,,}" = 'c:\windows\mirukado.scr' ] || fail "SCRNSAVE.EXE is '$saver'"
  [ -f "$c/Program Files/Mirukado/uninstall.exe" ] || fail "no uninstaller"
  cmp -s "$win_build/platform/win32/mirukado-view.exe" "$c/Program Files/Mirukado/mirukado-view.exe" ||
    fail "mirukado-view.exe is not in the program folder"
  reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirukado' QuietUninstallString |
    grep -q 'uninstall.exe" /S' || fail "no uninstall entry"
  local menu='./ProgramData/Microsoft/Windows/Start Menu/Programs/ミルカドスクリーンセーバー'
  diff <(printf '%s\n' './Program Files/Mirukado/uninstall.exe' "$menu/アンインストール.lnk" \
    './Program Files/Mirukado/mirukado-view.exe' "$menu/ミルカドビューア.lnk" \
    "$menu/ミルカドスクリーンセーバー設定.lnk" ./windows/mirukado.scr | LC_ALL=C sort) \
    <(LC_ALL=C comm -13 "$work/files-before.txt" <(wine_files)) >"$work/files-added.diff" ||
    fail "the installer adds other files: $(cat "$work/files-added.diff")"

  # The uninstaller runs from a copy of itself and returns at once: wait for Wine to settle.
  wine "$c/Program Files/Mirukado/uninstall.exe" /S </dev/null >"$work/uninstall.log" 2>&1 ||
    fail "silent uninstall failed"
  wineserver -w
  diff "$work/files-before.txt" <(wine_files) >"$work/files-left.diff" ||
    fail "the uninstall leaves a different drive_c: $(cat "$work/files-left.diff")"
  [ ! -e "$c/Program Files/Mirukado" ] || fail "the install folder is left behind"
  [ "$(reg_value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" = "$before_saver" ] ||
    fail "SCRNSAVE.EXE is not restored to '$before_saver'"
  [ -z "$(reg_value 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Mirukado' DisplayName)" ] ||
    fail "the uninstall entry is left behind"
  wineserver -k 2>/dev/null
  rm -rf "$WINEPREFIX"
}

mkdir -p "$work"
case ${1:-} in
  tree | deb | deb_lintian | deb_apt | nsis) "case_$1" ;;
  *) fail "unknown case '${1:-}'" ;;
esac
