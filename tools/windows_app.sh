#!/usr/bin/env bash
# The window on Windows, from Linux: builds ostrel.exe and its Qt Test suite (app_tests.exe) with
# Debian's MinGW-w64 against a Qt for Windows built from Debian's qt6-base source
# (tools/qt_mingw.sh; built once into ~/.cache/ostrel, the best part of an hour), lays out a
# folder that runs on its own, runs the window's tests under wine64 (among them conversions of the
# golden logs through the window, whose outputs are then compared byte for byte with those of the
# Linux ostrel-convert), takes a screenshot of the window under wine on a virtual display
# (docs/window-windows.png), and packs what a Windows user
# gets into dist/: ostrel-<version>-win64.zip and the installer ostrel-<version>-win64-setup.exe
# (NSIS), which is installed silently under wine, opened, and uninstalled again.
#
#   tools/windows.sh --app     (also ./dev windows --app)
#
# The folder: ostrel.exe and ostrel-convert.exe, the Qt DLLs they import (Sql, Network and, when
# the Qt for Windows has Qt SVG, Svg for the preview among them), platforms\qwindows.dll, the
# styles, the preview's plugins (sqldrivers\qsqlite.dll for MBTiles maps, tls\qschannelbackend.dll for tiles over https), and
# the MinGW runtime DLLs (libstdc++-6, libgcc_s_seh-1, libwinpthread-1): Qt is
# shared (LGPL), and the programs share one runtime with it instead of linking their own. Qt's own
# Japanese texts (qtbase_ja.qm, from Debian's qt6-translations-l10n: .qm files are the same on
# every platform) lie in translations\, where Qt looks for its translations in a folder like this
# (Qt's prefix is the program's folder when Qt6Core.dll lies beside the program).
#
# Environment: OSTREL_WINDOWS_APP_BUILD  the build folder (default: build-windows-app)
#              OSTREL_DIST               the folder of the zip and the installer (default: dist)
#              OSTREL_QT_MINGW           the Qt for Windows (default: ~/.cache/ostrel/qt-6.4.2-mingw64)
#              OSTREL_LINUX_BUILD        the Linux build whose ostrel-convert the window's outputs are
#                                        held against (default: build, as ./dev test makes it)
#              JOBS                      compile jobs (default 2); builds run under nice and ionice
# The wine prefix lives in the build folder; nothing outside it is touched.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTREL_WINDOWS_APP_BUILD:-$root/build-windows-app}
dist=${OSTREL_DIST:-$root/dist}
qt=${OSTREL_QT_MINGW:-${XDG_CACHE_HOME:-$HOME/.cache}/ostrel/qt-6.4.2-mingw64}
linux_build=${OSTREL_LINUX_BUILD:-$root/build}
jobs=${JOBS:-2}
started=$SECONDS

source "$root/tools/packages.sh"
source "$root/tools/wine.sh"
need cmake ninja-build g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 googletest \
  xvfb imagemagick fonts-ipafont-gothic nsis zip unzip qt6-translations-l10n
# The Linux build of ostrel-convert (configured as ./dev test configures it).
need "${base_packages[@]}" "${app_packages[@]}"

OSTREL_QT_MINGW=$qt JOBS=$jobs "$root/tools/qt_mingw.sh"
# Qt SVG is optional in the Qt for Windows (tools/qt_mingw.sh): without it the window saves its
# preview as PNG only, and the folder has no Qt6Svg.dll.
if [ -f "$qt/bin/Qt6Svg.dll" ]; then
  svg=true
  echo "Qt SVG: yes (the preview's SVG export)"
else
  svg=false
  echo "Qt SVG: no (not in $qt): the window is built without SVG export"
fi

echo "== build (MinGW-w64 with Qt from $qt, $build)"
mkdir -p "$build"
# Qt's toolchain file adds its prefix to the cross build's search roots and loads ours; the
# runtime is not linked statically here (empty linker flags), as in Qt's DLLs.
nice -n 19 cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
  -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_EXE_LINKER_FLAGS="" -DCMAKE_SHARED_LINKER_FLAGS="" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTREL_BUILD_APP=ON -DOSTREL_BUILD_TESTS=ON -DOSTREL_BUILD_BENCH=OFF -DOSTREL_BUILD_FUZZ=OFF \
  >"$build/configure.log" 2>&1 || { cat "$build/configure.log"; exit 1; }
if ! nice -n 19 ionice -c3 cmake --build "$build" --target ostrel app_tests ostrel-convert -j "$jobs" \
  >"$build/build.log" 2>&1; then
  grep -E 'error|Error' "$build/build.log" | head -40
  echo "windows_app: build failed (log: $build/build.log)" >&2
  exit 1
fi
grep -E 'warning' "$build/build.log" || true
echo "built after $((SECONDS - started)) s"

echo "== ostrel-convert for Linux ($linux_build)"
if [ ! -f "$linux_build/CMakeCache.txt" ]; then
  nice -n 19 cmake -S "$root" -B "$linux_build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOSTREL_BUILD_TESTS=ON >/dev/null
fi
if ! nice -n 19 ionice -c3 cmake --build "$linux_build" --target ostrel-convert -j "$jobs" \
  >"$build/linux-build.log" 2>&1; then
  tail -40 "$build/linux-build.log"
  echo "windows_app: the Linux ostrel-convert did not build (log: $build/linux-build.log)" >&2
  exit 1
fi
linux_convert=$linux_build/src/cli/ostrel-convert

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
name=ostrel-$version-win64
stage=$build/stage/$name
rm -rf "$build/stage"
mkdir -p "$stage"

# --- The folder: the programs, the DLLs they need (followed through their imports), plugins.
# Where the DLLs come from: Qt, and the compiler's runtime (libstdc++, libgcc_s_seh, winpthreads).
runtime_dirs=("$qt/bin")
for dll in libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll; do
  runtime_dirs+=("$(dirname "$(realpath "$(x86_64-w64-mingw32-g++-posix -print-file-name="$dll")")")")
done
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
find_dll() { # the first runtime folder that holds the DLL (case as written on disk)
  local d f
  for d in "${runtime_dirs[@]}"; do
    f=$(find "$d" -maxdepth 1 -iname "$1" -print -quit 2>/dev/null)
    [ -n "$f" ] && { echo "$f"; return 0; }
  done
  return 1
}
ship() { # file [subfolder]: stripped into the folder, then the DLLs it imports
  local dest dll src
  dest=$stage/${2:+$2/}$(basename "$1")
  [ -f "$dest" ] && return 0
  mkdir -p "$(dirname "$dest")"
  x86_64-w64-mingw32-strip -o "$dest" "$1"
  for dll in $(imports "$1"); do
    src=$(find_dll "$dll") || continue # a Windows system DLL
    ship "$src"
  done
}
ship "$build/src/app/ostrel.exe"
ship "$build/src/cli/ostrel-convert.exe"
ship "$qt/plugins/platforms/qwindows.dll" platforms
for style in "$qt"/plugins/styles/*.dll; do ship "$style" styles; done
# The preview's maps: MBTiles files through the SQLite driver, online tiles over https through
# Windows' own TLS (Schannel). PNG tiles need no plugin (QtGui reads PNG itself).
ship "$qt/plugins/sqldrivers/qsqlite.dll" sqldrivers
ship "$qt/plugins/tls/qschannelbackend.dll" tls
# Qt's own texts (the standard dialogs' buttons) in the window's languages other than English;
# the window's own translations are compiled into ostrel.exe.
mkdir -p "$stage/translations"
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"
echo "== the folder ($stage)"
(cd "$stage" && find . -type f -printf '%P %s\n' | sort)

# --- wine: a private prefix, quiet; Japanese faces in its Fonts folder, and the Japanese names of
# MS P Gothic and MS Gothic answered by them.
export TZ=UTC
start_wine "$build"
fonts=$WINEPREFIX/drive_c/windows/Fonts
mkdir -p "$fonts"
cp /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$fonts/"
substitutes='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
for face in "MS PGothic=IPAPGothic" "ＭＳ Ｐゴシック=IPAPGothic" "MS Gothic=IPAGothic" "ＭＳ ゴシック=IPAGothic" \
  "MS UI Gothic=IPAPGothic"; do
  "$wine" reg add "$substitutes" /v "${face%%=*}" /t REG_SZ /d "${face#*=}" /f >/dev/null 2>&1 ||
    fail "font substitute ${face%%=*}"
done
"$wineserver" -w

# A virtual display for what needs one.
display=
xvfb_pid=
start_display() {
  [ -n "$xvfb_pid" ] && return 0
  local n
  for n in $(seq 90 120); do
    [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    sleep 2
    if kill -0 "$xvfb_pid" 2>/dev/null; then
      display=:$n
      return 0
    fi
    xvfb_pid=
  done
  echo "windows_app: no virtual display" >&2
  return 1
}
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  "$wineserver" -k 2>/dev/null || true
}
trap cleanup EXIT

# --- The window's tests, as a Windows program beside a copy of the folder (so they find the same
# DLLs and plugins as ostrel.exe), on Qt's offscreen platform.
echo "== the window's tests under wine64 (app_tests.exe)"
tests=$build/app-tests
rm -rf "$tests"
cp -r "$stage" "$tests"
cp "$build/tests/app/app_tests.exe" "$tests/"
for dll in $(imports "$build/tests/app/app_tests.exe"); do
  src=$(find_dll "$dll") && [ ! -f "$tests/$(basename "$src")" ] && cp "$src" "$tests/"
done
mkdir -p "$tests/platforms"
cp "$qt/plugins/platforms/qoffscreen.dll" "$tests/platforms/"
# Fonts for the offscreen platform, which reads font files from Qt's prefix (here the folder
# itself, where Qt6Core.dll is) under lib\fonts.
mkdir -p "$tests/lib/fonts"
cp "$fonts"/ipa*.ttf "$tests/lib/fonts/"
# The conversions of the golden logs through the window keep their outputs in window-outputs
# (NMEA\, KML\, GPX\), for the comparison below.
outputs=$build/window-outputs
rm -rf "$outputs"
mkdir -p "$outputs"
export OSTREL_WINDOW_OUTPUTS
OSTREL_WINDOW_OUTPUTS=$(winpath "$outputs")
# The platform as an argument (QApplication takes it out of the arguments before Qt Test reads
# them). Each Qt Test class of the suite opens its output anew: through a FIFO their outputs are
# gathered in one log. (Without -o, Qt Test on Windows writes to the debugger, not to stdout.)
fifo=$build/app_tests.fifo
rm -f "$fifo" "$build/app_tests.raw"
mkfifo "$fifo"
(while [ -p "$fifo" ]; do cat "$fifo"; done >>"$build/app_tests.raw") &
collector=$!
status=0
(cd "$build" && timeout 600 "$wine" "$tests/app_tests.exe" -platform offscreen \
  -o "$(winpath "$fifo"),txt" >"$build/app_tests.out" 2>&1) || status=$?
sleep 1
kill "$collector" 2>/dev/null || true
# A last open of the FIFO (read and write: it never blocks) lets a waiting cat end.
true 3<>"$fifo"
wait "$collector" 2>/dev/null || true
rm -f "$fifo"
tr -d '\r' <"$build/app_tests.raw" >"$build/app_tests.log"
grep -E '^(FAIL!|XFAIL|SKIP|Totals|QFATAL)' -A3 "$build/app_tests.log" | grep -v '^PASS' || true
if [ "$status" != 0 ] || grep -q '^FAIL!\|^QFATAL' "$build/app_tests.log" || ! grep -q '^Totals' "$build/app_tests.log"; then
  fail "app_tests.exe: status $status (log: $build/app_tests.log)"
fi
totals=$(grep '^Totals' "$build/app_tests.log" |
  awk '{p+=$2; f+=$4; s+=$6} END {printf "%d passed, %d failed, %d skipped", p, f, s}' || true)
echo "app_tests.exe: $totals"
unset OSTREL_WINDOW_OUTPUTS

# --- The window's conversions under wine against the Linux ostrel-convert with the same settings
# (those of the window's test goldenLogsGiveTheExpectedFiles): the same bytes, or a failure.
echo "== the window's outputs under wine against the Linux ostrel-convert"
linux_outputs=$build/linux-outputs
rm -rf "$linux_outputs"
same=0
# golden type log options...: the window's output <type>/<golden>.<ext> against ostrel-convert's
# output of tests/data/<log> with those options
compare_with_linux() {
  local golden=$1 type=$2 log=$3 ext window_output linux_output
  shift 3
  case $type in
  NMEA) ext=log ;;
  KML) ext=kml ;;
  GPX) ext=gpx ;;
  esac
  mkdir -p "$linux_outputs/$type"
  window_output=$outputs/$type/$golden.$ext
  linux_output=$linux_outputs/$type/$golden.$ext
  if ! "$linux_convert" "$@" -o "$linux_output" "$root/tests/data/$log/input.log" >/dev/null; then
    fail "$type/$golden.$ext: the Linux ostrel-convert failed"
  elif [ ! -f "$window_output" ]; then
    fail "$type/$golden.$ext: the window under wine wrote nothing"
  elif cmp -s "$linux_output" "$window_output"; then
    echo "same bytes: $type/$golden.$ext ($(wc -c <"$window_output") bytes)"
    same=$((same + 1))
  else
    fail "$type/$golden.$ext: the window under wine and the Linux ostrel-convert differ: $(cmp "$linux_output" "$window_output" 2>&1 | head -1)"
  fi
}
compare_with_linux WalkNmea NMEA walk -m walk
compare_with_linux WalkKml KML walk --color FF0000
compare_with_linux WalkKmlNoWaypoints KML walk --no-waypoints --color FF0000
compare_with_linux WalkGpx GPX walk --color FF0000
compare_with_linux WalkGpxNoWaypoints GPX walk --no-waypoints --color FF0000
compare_with_linux MidnightNmea NMEA midnight -m bicycle -i 1 --opacity 100 --color FFFFFF
compare_with_linux MidnightKml KML midnight -m bicycle -i 1 --opacity 100 --color FFFFFF
compare_with_linux MidnightGpx GPX midnight -m bicycle -i 1 --opacity 100 --color FFFFFF
compare_with_linux SingleNmea NMEA single --opacity 10 --color 000000
compare_with_linux SingleKml KML single --opacity 10 --color 000000
compare_with_linux SingleGpx GPX single --opacity 10 --color 000000
compare_with_linux DroppedNmea NMEA dropped --opacity 10 --color 000000
compare_with_linux DroppedKml KML dropped --opacity 10 --color 000000
# An output of the window that the list above does not name is a sign the two lists parted.
unlisted=$(cd "$outputs" && find . -type f -printf '%P\n' | sort |
  while read -r f; do [ -f "$linux_outputs/$f" ] || echo "$f"; done)
[ -z "$unlisted" ] || fail "outputs of the window that nothing compared: $unlisted"
echo "the window under wine = the Linux ostrel-convert: $same of 13 outputs (NMEA, KML, GPX)"

# --- The window under wine on a virtual display, and its picture.
echo "== ostrel.exe under wine on a virtual display"
start_display
# In Japanese, the window's first language (wine's own language is English).
DISPLAY=$display "$wine" "$stage/ostrel.exe" --lang ja >/dev/null 2>&1 &
app=$!
# Until something is drawn (wine's first start in a prefix is slow), then a moment to settle.
for _ in $(seq 60); do
  sleep 2
  kill -0 "$app" 2>/dev/null || break
  DISPLAY=$display import -window root "$build/screen.png" 2>/dev/null || continue
  [ "$(identify -format '%k' "$build/screen.png")" -gt 8 ] && break
done
sleep 3
if kill -0 "$app" 2>/dev/null; then
  mkdir -p "$root/docs"
  # The window alone: the root window cropped to what is not the display's black.
  DISPLAY=$display import -window root "$build/screen.png"
  convert "$build/screen.png" -trim +repage "$root/docs/window-windows.png"
  echo "screenshot: docs/window-windows.png ($(identify -format '%wx%h' "$root/docs/window-windows.png"))"
else
  fail "ostrel.exe ended at once under wine"
fi
"$wineserver" -k 2>/dev/null || true
wait "$app" 2>/dev/null || true

# --- The zip: the folder, README, the licences, and where Qt's source came from.
crlf "$root/README.md" "$stage/README.txt"
crlf "$root/LICENSE" "$stage/LICENSE.txt"
licenses=$stage/licenses
mkdir -p "$licenses/qt" "$licenses/mingw-w64" "$licenses/qt-translations"
cp -r "$qt/share/licenses/." "$licenses/qt/"
cp /usr/share/doc/qt6-translations-l10n/copyright "$licenses/qt-translations/debian-copyright.txt"
cp /usr/share/common-licenses/GPL-3 "$licenses/qt-translations/GPL-3.0-only.txt"
translations_source=$(dpkg-query -W -f='${source:Package} ${source:Version}' qt6-translations-l10n)
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licenses/mingw-w64/gcc-runtime-copyright.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$licenses/mingw-w64/mingw-w64-copyright.txt"
# shellcheck disable=SC2028 # Windows folders' backslashes, printed as they are
{
  echo "Ostrel Log Converter $version for 64-bit Windows"
  echo
  if $svg; then
    echo "ostrel.exe, the window, uses Qt 6.4.2 (Qt Core, Gui, Widgets, Sql, Network and Svg, the"
    echo "Windows platform and style plugins, the SQLite driver and the Schannel TLS backend) as DLLs,"
    echo 'under the GNU Lesser General Public License version 3 (licenses\qt\qtbase\LGPL-3.0-only.txt,'
    echo 'licenses\qt\qtsvg\). You may replace the Qt DLLs with your own build of Qt. The libraries'
  else
    echo "ostrel.exe, the window, uses Qt 6.4.2 (Qt Core, Gui, Widgets, Sql and Network, the Windows"
    echo "platform and style plugins, the SQLite driver and the Schannel TLS backend) as DLLs, under"
    echo 'the GNU Lesser General Public License version 3 (licenses\qt\qtbase\LGPL-3.0-only.txt). You'
    echo 'may replace the Qt DLLs with your own build of Qt. The libraries'
  fi
  echo "bundled in Qt's source that are built in (zlib, PCRE2, libpng, HarfBuzz, FreeType and others)"
  echo 'carry their own terms: licenses\qt\3rdparty\. SQLite, built into sqldrivers\qsqlite.dll, is in'
  echo 'the public domain (licenses\qt\3rdparty\sqlite\).'
  echo
  echo "Qt's source and SQLite's:"
  sed 's/^/  /' "$qt/share/licenses/SOURCE" 2>/dev/null || echo "  Debian's qt6-base source package"
  if $svg; then
    echo "Get them on Debian 12 with 'apt-get source qt6-base qt6-svg sqlite3', or from"
    echo "https://sources.debian.org/src/qt6-base/, .../qt6-svg/ and .../sqlite3/."
  else
    echo "Get them on Debian 12 with 'apt-get source qt6-base sqlite3', or from"
    echo "https://sources.debian.org/src/qt6-base/ and .../sqlite3/."
  fi
  echo "They were built for Windows with Debian's MinGW-w64 by tools/qt_mingw.sh of this project's"
  echo "source."
  echo
  echo "translations\\qtbase_ja.qm: Qt's own Japanese texts (the buttons of the standard dialogs),"
  echo "from Debian's qt6-translations-l10n package (source package $translations_source, Debian 12),"
  echo "copyright The Qt Company Ltd., under the GNU General Public License version 3 with The Qt"
  echo "Company GPL Exception 1.0 (licenses\\qt-translations\\). Its source, the .ts file, is in that"
  echo "source package: 'apt-get source qt6-translations', or https://sources.debian.org/src/qt6-translations/."
  echo
  echo "libstdc++-6.dll and libgcc_s_seh-1.dll: GCC's runtime library, GPL 3 with the GCC Runtime"
  echo "Library Exception; libwinpthread-1.dll: MinGW-w64's winpthreads, MIT licence"
  echo '(licenses\mingw-w64\).'
} >"$build/NOTICE"
crlf "$build/NOTICE" "$licenses/NOTICE.txt"

mkdir -p "$dist"
rm -f "$dist/$name.zip"
(cd "$build/stage" && TZ=UTC zip -q -X -r "$dist/$name.zip" "$name")
echo "zip: $dist/$name.zip ($(du -k "$dist/$name.zip" | cut -f1) KiB)"

# --- The installer: makensis with the folder's files listed, so that the uninstaller removes
# exactly what was installed.
installer=$dist/$name-setup.exe
# shellcheck disable=SC2016 # $INSTDIR is NSIS's
{
  (cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort) | while read -r d; do
    printf 'CreateDirectory "$INSTDIR\\%s"\n' "${d//\//\\}"
  done
  (cd "$stage" && find . -type f -printf '%P\n' | sort) | while read -r f; do
    printf 'File "/oname=%s" "%s"\n' "${f//\//\\}" "$stage/$f"
  done
} >"$build/install_files.nsh"
# shellcheck disable=SC2016 # $INSTDIR is NSIS's
{
  (cd "$stage" && find . -type f -printf '%P\n' | sort) | while read -r f; do
    printf 'Delete "$INSTDIR\\%s"\n' "${f//\//\\}"
  done
  (cd "$stage" && find . -mindepth 1 -type d -printf '%P\n' | sort -r) | while read -r d; do
    printf 'RMDir "$INSTDIR\\%s"\n' "${d//\//\\}"
  done
} >"$build/uninstall_files.nsh"
if ! makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DOUTFILE="$installer" \
  -DFILES="$build/install_files.nsh" -DUNFILES="$build/uninstall_files.nsh" \
  -DLICENSE="$stage/LICENSE.txt" -DICON="$root/src/app/ostrel.ico" \
  "$root/tools/ostrel.nsi" >"$build/makensis.log" 2>&1; then
  cat "$build/makensis.log"
  fail "makensis"
else
  echo "installer: $installer ($(du -k "$installer" | cut -f1) KiB)"
fi

# What the uninstaller left under HIVE\Software\Ostrel, the installer's key ("Log Converter",
# with the folder): nothing but the window's remembered settings, HIVE\Software\ostrel\ostrel
# (QSettings' organisation and program), which an uninstaller leaves to the user. Registry keys
# ignore letter case, so those settings lie under the same Software\Ostrel.
installer_keys_left() { # hive
  local keys
  # No such key: nothing left (wine's reg says so on standard output).
  keys=$("$wine" reg query "$1\\Software\\Ostrel" 2>/dev/null) || return 0
  printf '%s\n' "$keys" | tr -d '\r' | grep -v '^$' |
    grep -vix "HKEY_[A-Z_]*\\\\Software\\\\Ostrel" |
    grep -vix "HKEY_[A-Z_]*\\\\Software\\\\Ostrel\\\\ostrel" | tr '\n' ' ' || true
}

# --- The installer under wine, silent: for the current user, then for all users. Each time the
# program is there, has its Start-menu entry and its line in the installed programs, leaves .log
# files alone and opens; the uninstaller removes the folder, the entry and the registry keys.
try_installer() { # mode (CurrentUser, AllUsers), folder, Start-menu entry, registry root
  local mode=$1 installed=$2 shortcut=$3 hive=$4 app version_out
  echo "== the installer under wine (/S /$mode)"
  "$wine" "$installer" /S "/$mode" >/dev/null 2>&1 || fail "installer /S /$mode ended with $?"
  "$wineserver" -w
  local missing="" f
  local expected=(ostrel.exe uninstall.exe platforms/qwindows.dll Qt6Sql.dll Qt6Network.dll
    sqldrivers/qsqlite.dll tls/qschannelbackend.dll)
  $svg && expected+=(Qt6Svg.dll)
  for f in "${expected[@]}"; do
    [ -f "$installed/$f" ] || missing+=" $f"
  done
  if [ -z "$missing" ]; then
    echo "installed: ${installed#"$WINEPREFIX/"}"
  else
    fail "$mode: not in $installed:$missing"
  fi
  if [ -f "$shortcut" ]; then
    echo "Start menu: ${shortcut#"$WINEPREFIX/"}"
  else
    fail "$mode: no Start menu entry"
  fi
  "$wine" reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OstrelLogConverter" \
    /v DisplayName 2>/dev/null | tr -d '\r' | grep -q 'Ostrel Log Converter' ||
    fail "$mode: not in the list of installed programs"
  if "$wine" reg query 'HKCR\.log' 2>/dev/null | tr -d '\r' | grep -qi ostrel; then
    fail "$mode: .log files taken over"
  fi
  version_out=$("$wine" "$installed/ostrel.exe" --version 2>/dev/null | tr -d '\r' | head -1 || true)
  echo "ostrel.exe --version: ${version_out:-(nothing on standard output)}"
  DISPLAY=$display "$wine" "$installed/ostrel.exe" >/dev/null 2>&1 &
  app=$!
  sleep 8
  if kill -0 "$app" 2>/dev/null; then
    echo "the installed ostrel.exe opened and stayed up"
  else
    fail "$mode: the installed ostrel.exe ended at once"
  fi
  "$wineserver" -k 2>/dev/null || true
  wait "$app" 2>/dev/null || true
  "$wine" "$installed/uninstall.exe" /S >/dev/null 2>&1 || fail "$mode: uninstaller /S ended with $?"
  "$wineserver" -w
  if [ -e "$installed" ] || [ -e "$shortcut" ]; then
    fail "$mode: the uninstaller left $(find "$installed" "$shortcut" 2>/dev/null | head -5 | tr '\n' ' ')"
  elif "$wine" reg query "$hive\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OstrelLogConverter" \
    >/dev/null 2>&1; then
    fail "$mode: the uninstaller left its entry in the installed programs"
  elif left=$(installer_keys_left "$hive") && [ -n "$left" ]; then
    fail "$mode: the uninstaller left in $hive\\Software\\Ostrel: $left"
  else
    echo "uninstalled: the folder, the Start menu entry and the installer's registry keys are gone"
  fi
}
if [ -f "$installer" ]; then
  home=$WINEPREFIX/drive_c/users/$(id -un) # wine names the Windows user after the Linux one
  menu='Microsoft/Windows/Start Menu/Programs/Ostrel Log Converter.lnk'
  try_installer CurrentUser "$home/AppData/Local/Programs/Ostrel Log Converter" \
    "$home/AppData/Roaming/$menu" HKCU
  try_installer AllUsers "$WINEPREFIX/drive_c/Program Files/Ostrel Log Converter" \
    "$WINEPREFIX/drive_c/ProgramData/$menu" HKLM
fi

echo "== $((SECONDS - started)) s"
if ((failures)); then
  echo "windows_app: $failures failure(s)"
  exit 1
fi
echo "windows_app: all passed"
