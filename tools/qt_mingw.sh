#!/usr/bin/env bash
# Builds Qt 6 for 64-bit Windows (shared libraries) from Debian's own qt6-base source package,
# the same 6.4.2 as the Linux build, with Debian's MinGW-w64 (x86_64, posix threads) and the
# host tools (moc, rcc, uic) of Debian's Qt. Only what the window and its tests need: Core, Gui,
# Widgets, Test, the Windows platform plugin and the styles, with Qt's bundled zlib, pcre2,
# libpng, harfbuzz and freetype. No D-Bus, SQL, network, printing, concurrent or XML.
#
#   tools/qt_mingw.sh            (tools/windows.sh --app calls it)
#
# The result is a cache outside the project's tree, built once and reused afterwards:
#   ${OSTREL_QT_MINGW:-~/.cache/ostrel/qt-6.4.2-mingw64}/         the installed Qt (bin/, lib/, plugins/)
#   .../ostrel-built                                              the stamp: the build's date and time
#   ~/.cache/ostrel/qt-6.4.2-src/                                 the source package and the build folder
# The Qt source's licence texts are installed with it (share/licenses/), for the zip.
#
# The source comes through apt-get source: when no deb-src entry is configured, one is added for
# the archive already in use, in /etc/apt/sources.list.d/ostrel-deb-src.sources (as root).
#
# Environment: JOBS  compile jobs (default 2); the build runs under nice and ionice.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/ostrel
prefix=${OSTREL_QT_MINGW:-$cache/qt-6.4.2-mingw64}
srcroot=$cache/qt-6.4.2-src
jobs=${JOBS:-2}
version=6.4.2
src=$srcroot/qtbase

# The licences of the Qt source (Qt's own texts and those of the bundled libraries built in),
# and where the source came from, into the cache's share/licenses for the zip.
collect_licences() {
  local out=$prefix/share/licenses lib f pkgver
  rm -rf "$out"
  mkdir -p "$out/3rdparty"
  cp -r "$src/LICENSES" "$out/qtbase"
  for lib in zlib pcre2 libpng harfbuzz-ng freetype double-conversion md4c tinycbor sha3 blake2 \
    rfc6234 md5 md4 easing icc; do
    mkdir -p "$out/3rdparty/$lib"
    for f in "$src/src/3rdparty/$lib"/*; do
      case $(basename "$f") in
      *LICEN[CS]E* | COPYING* | qt_attribution.json) cp "$f" "$out/3rdparty/$lib/" ;;
      esac
    done
  done
  cp "$src/debian/copyright" "$out/debian-copyright"
  pkgver=$(cd "$src" && dpkg-parsechangelog -S Version)
  echo "Debian's source package qt6-base $pkgver (Debian 12 bookworm)" >"$out/SOURCE"
}

if [ -f "$prefix/ostrel-built" ]; then
  if [ ! -f "$prefix/share/licenses/SOURCE" ] || [ ! -d "$prefix/share/licenses/3rdparty" ]; then
    collect_licences
  fi
  echo "qt_mingw: Qt $version for MinGW-w64 in $prefix ($(cat "$prefix/ostrel-built"))"
  exit 0
fi

source "$root/tools/packages.sh"
need dpkg-dev cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

# A deb-src entry of the configured archive, when there is none.
have_deb_src() {
  grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/
}
if ! have_deb_src; then
  list=/etc/apt/sources.list.d/ostrel-deb-src.sources
  echo "qt_mingw: adding deb-src entries in $list"
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    # The same stanzas as Debian's own file (URIs, suites, components, keys), for sources.
    sed -E 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
  else
    # One-line format: every "deb" line of sources.list again as "deb-src".
    sed -nE 's/^deb (.*)/deb-src \1/p' /etc/apt/sources.list | $sudo tee "${list%.sources}.list" >/dev/null
  fi
  $sudo apt-get update -qq
fi

if [ ! -f "$src/CMakeLists.txt" ]; then
  mkdir -p "$srcroot"
  (cd "$srcroot" && rm -rf qt6-base-* && apt-get source -qq qt6-base >/dev/null)
  dir=$(find "$srcroot" -maxdepth 1 -type d -name "qt6-base-$version*" | head -1)
  [ -n "$dir" ] || { echo "qt_mingw: no qt6-base-$version source" >&2; exit 1; }
  rm -rf "$src"
  mv "$dir" "$src"
fi

build=$srcroot/build
mkdir -p "$build"
# The toolchain of the Qt build: the MinGW-w64 posix compilers, the Windows libraries of the
# MinGW tree, and the runtime (libstdc++, libgcc_s_seh, libwinpthread) as DLLs, one copy shared
# by all of Qt's DLLs and the program.
cat >"$build/toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_AR x86_64-w64-mingw32-gcc-ar-posix CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB x86_64-w64-mingw32-gcc-ranlib-posix CACHE FILEPATH "Ranlib")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

started=$SECONDS
echo "qt_mingw: configuring Qt $version for MinGW-w64 in $build"
# Tablet events off: Debian's source leaves out the wintab headers. OpenGL stays on (dynamic, the
# Windows default): the 6.4.2 Windows platform plugin does not compile without it. The bundled
# FreeType is on because the offscreen platform plugin (tests without a display) needs it.
# Direct2D stays on too: in 6.4.2 the Windows plugin's DirectWrite font database is built only
# with it, and without it the plugin does not link. Direct2D 1.1 is off: it only adds the Direct2D
# platform plugin, which the window does not use.
nice -n 19 ionice -c3 cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_dbus=OFF -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON \
  -DFEATURE_widgets=ON -DFEATURE_gui=ON \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_opengl=ON -DFEATURE_opengl_dynamic=ON -DFEATURE_direct2d=ON -DFEATURE_direct2d1_1=OFF \
  -DFEATURE_vulkan=OFF -DFEATURE_sql=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_jpeg=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_freetype=ON -DFEATURE_fontconfig=OFF \
  -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
  >"$build/configure.log" 2>&1 || { tail -60 "$build/configure.log"; exit 1; }
grep -E '^(  Qt (Core|Gui|Widgets|Test)|  Windows|    Using system|  OpenGL|CMake Warning)' "$build/configure.log" || true

echo "qt_mingw: building (nice, ionice, $jobs jobs; a first build takes the best part of an hour)"
if ! nice -n 19 ionice -c3 cmake --build "$build" -j "$jobs" >"$build/build.log" 2>&1; then
  grep -E 'error|Error' "$build/build.log" | head -40
  echo "qt_mingw: build failed (log: $build/build.log)" >&2
  exit 1
fi
nice -n 19 ionice -c3 cmake --install "$build" >"$build/install.log" 2>&1

collect_licences

minutes=$(((SECONDS - started) / 60))
echo "$(date -u +%Y-%m-%dT%H:%MZ), $(cat "$prefix/share/licenses/SOURCE"), first build ${minutes} min wall with $jobs jobs" \
  >"$prefix/ostrel-built"
echo "qt_mingw: done in $minutes min: $prefix"
