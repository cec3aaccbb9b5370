#!/usr/bin/env bash
# Builds Qt 6 for 64-bit Windows (shared libraries) from Debian's own qt6-base and qt6-svg source
# packages, the same 6.4.2 as the Linux build, with Debian's MinGW-w64 (x86_64, posix threads)
# and the host tools (moc, rcc, uic) of Debian's Qt. Only what the window and its tests need:
# Core, Gui, Widgets, Test, Sql with its SQLite driver (the preview's MBTiles maps), Network with
# the Windows TLS backend, Schannel (online tiles over https), Svg (SVG export), the Windows
# platform plugin and the styles, with Qt's bundled zlib, pcre2, libpng, harfbuzz and freetype.
# No D-Bus, OpenSSL, other SQL drivers, printing, concurrent or XML.
#
# Qt SVG is optional: when its source cannot be fetched, the script says so and carries on; the
# window is then built without SVG export. Each later run tries the fetch again (seconds) and,
# once it succeeds, adds Qt SVG to the cache (minutes) without building qtbase again.
#
# Debian's qt6-base source leaves out Qt's copy of SQLite, so the driver's SQLite is built from
# Debian's own sqlite3 source package: its amalgamation (sqlite3.c, made with the source's own
# tools on the host) goes where Qt's bundled copy would be.
#
#   tools/qt_mingw.sh            (tools/windows.sh --app calls it)
#
# The result is a cache outside the project's tree, built once and reused afterwards:
#   ${OSTREL_QT_MINGW:-~/.cache/ostrel/qt-6.4.2-mingw64}/         the installed Qt (bin/, lib/, plugins/)
#   .../ostrel-built                                              the stamp: what was built, and when
#   ~/.cache/ostrel/qt-6.4.2-src/                                 the source packages and the build folders
# A cache whose stamp does not start with this script's stamp line is built again (qtbase); Qt SVG
# is there when lib/cmake/Qt6Svg is.
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
svgsrc=$srcroot/qtsvg
sqlitesrc=$srcroot/sqlite3
# The first line of the stamp: change it whenever what the cache holds changes.
stamp_line="ostrel qt-mingw 3: Core Gui Widgets Test Sql(SQLite) Network(Schannel)"

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
  # SQLite, built into the SQLite driver: public domain (Debian's copyright file says so).
  mkdir -p "$out/3rdparty/sqlite"
  cp "$sqlitesrc/debian/copyright" "$out/3rdparty/sqlite/debian-copyright"
  # Qt SVG, when built: the same LGPL 3 / GPL as qtbase, its texts and Debian's copyright file.
  if have_svg; then
    mkdir -p "$out/qtsvg"
    if [ -d "$svgsrc/LICENSES" ]; then cp -r "$svgsrc/LICENSES/." "$out/qtsvg/"; fi
    cp "$svgsrc/debian/copyright" "$out/qtsvg/debian-copyright"
  fi
  pkgver=$(cd "$src" && dpkg-parsechangelog -S Version)
  {
    echo "Debian's source package qt6-base $pkgver (Debian 12 bookworm)"
    if have_svg; then
      echo "Debian's source package qt6-svg $(cd "$svgsrc" && dpkg-parsechangelog -S Version) (Debian 12 bookworm)"
    fi
    echo "Debian's source package sqlite3 $(cd "$sqlitesrc" && dpkg-parsechangelog -S Version) (Debian 12 bookworm), its amalgamation in the SQLite driver"
  } >"$out/SOURCE"
}
have_svg() { [ -d "$prefix/lib/cmake/Qt6Svg" ] && [ -f "$svgsrc/debian/changelog" ]; }

qtbase_built=false
if [ -f "$prefix/ostrel-built" ] && [ "$(head -1 "$prefix/ostrel-built")" = "$stamp_line" ]; then
  qtbase_built=true
fi
if $qtbase_built && have_svg; then
  if [ ! -f "$prefix/share/licenses/SOURCE" ] || [ ! -d "$prefix/share/licenses/3rdparty" ]; then
    collect_licences
  fi
  echo "qt_mingw: Qt $version for MinGW-w64 with Qt SVG in $prefix ($(sed -n 2p "$prefix/ostrel-built"))"
  exit 0
fi

source "$root/tools/packages.sh"
# tcl, gcc: the sqlite3 source's tools that make its amalgamation run on the host.
need dpkg-dev cmake ninja-build g++-mingw-w64-x86-64-posix qt6-base-dev qt6-base-dev-tools \
  tcl gcc make

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

# A source package unpacked (Debian's patches applied) into the folder given; status 1 when it
# cannot be had.
fetch_source() { # package, folder
  local pkg=$1 dest=$2 dir
  [ -f "$dest/debian/changelog" ] && return 0
  mkdir -p "$srcroot"
  (cd "$srcroot" && rm -rf "$pkg"-* "$pkg"_* && apt-get source -qq "$pkg" >/dev/null) ||
    { echo "qt_mingw: apt-get source $pkg failed" >&2; return 1; }
  dir=$(find "$srcroot" -maxdepth 1 -type d -name "$pkg-*" | head -1)
  [ -n "$dir" ] || { echo "qt_mingw: no $pkg source" >&2; return 1; }
  rm -rf "$dest"
  mv "$dir" "$dest" || return 1
}
fetch_source qt6-base "$src" || exit 1
fetch_source sqlite3 "$sqlitesrc" || exit 1

started=$SECONDS
# qtbase, unless the cache holds it already (then only Qt SVG is missing).
if ! $qtbase_built; then
# SQLite's amalgamation, where Qt's bundled copy would be.
if [ ! -f "$src/src/3rdparty/sqlite/sqlite3.c" ]; then
  echo "qt_mingw: making SQLite's amalgamation from $sqlitesrc"
  amalgamation=$srcroot/build-sqlite3
  mkdir -p "$amalgamation"
  (cd "$amalgamation" && nice -n 19 "$sqlitesrc/configure" >configure.log 2>&1 &&
    nice -n 19 make sqlite3.c >make.log 2>&1) ||
    { echo "qt_mingw: SQLite's amalgamation failed (logs in $amalgamation)" >&2; exit 1; }
  mkdir -p "$src/src/3rdparty/sqlite"
  cp "$amalgamation/sqlite3.c" "$amalgamation/sqlite3.h" \
    "$sqlitesrc/src/sqlite3ext.h" "$src/src/3rdparty/sqlite/"
fi

build=$srcroot/build
mkdir -p "$build"
# The toolchain of the Qt build: the MinGW-w64 posix compilers, the Windows libraries of the
# MinGW tree, and the runtime (libstdc++, libgcc_s_seh, libwinpthread) as DLLs, one copy shared
# by all of Qt's DLLs and the program.
cat >"$build/toolchain.cmake.new" <<'EOF'
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
# Rewritten only when it changes: a newer toolchain file would have CMake configure again.
if cmp -s "$build/toolchain.cmake.new" "$build/toolchain.cmake"; then
  rm "$build/toolchain.cmake.new"
else
  mv "$build/toolchain.cmake.new" "$build/toolchain.cmake"
fi

echo "qt_mingw: configuring Qt $version for MinGW-w64 in $build"
# Tablet events off: Debian's source leaves out the wintab headers. OpenGL stays on (dynamic, the
# Windows default): the 6.4.2 Windows platform plugin does not compile without it. The bundled
# FreeType is on because the offscreen platform plugin (tests without a display) needs it.
# Direct2D stays on too: in 6.4.2 the Windows plugin's DirectWrite font database is built only
# with it, and without it the plugin does not link. Direct2D 1.1 is off: it only adds the Direct2D
# platform plugin, which the window does not use.
# SQL: only the SQLite driver, with the amalgamation above (never a system SQLite). Network: TLS
# through Windows' own Schannel; OpenSSL off, so no OpenSSL DLLs are needed or looked for.
nice -n 19 ionice -c3 cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$build/toolchain.cmake" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
  -DBUILD_SHARED_LIBS=ON \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF \
  -DFEATURE_sql=ON -DFEATURE_sql_sqlite=ON -DFEATURE_system_sqlite=OFF \
  -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF \
  -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF \
  -DFEATURE_network=ON -DFEATURE_schannel=ON -DFEATURE_ssl=ON \
  -DFEATURE_openssl=OFF -DFEATURE_openssl_runtime=OFF -DFEATURE_openssl_linked=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_testlib=ON \
  -DFEATURE_widgets=ON -DFEATURE_gui=ON \
  -DFEATURE_tabletevent=OFF \
  -DFEATURE_opengl=ON -DFEATURE_opengl_dynamic=ON -DFEATURE_direct2d=ON -DFEATURE_direct2d1_1=OFF \
  -DFEATURE_vulkan=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_jpeg=OFF \
  -DFEATURE_system_freetype=OFF -DFEATURE_freetype=ON -DFEATURE_fontconfig=OFF \
  -DFEATURE_icu=OFF -DFEATURE_glib=OFF \
  >"$build/configure.log" 2>&1 || { tail -60 "$build/configure.log"; exit 1; }
grep -E '^(  Qt (Core|Gui|Widgets|Test|Sql|Network)|  Windows|    Using system|  OpenGL|  SSL|  Schannel|  OpenSSL|  SQLite|CMake Warning)' "$build/configure.log" || true

echo "qt_mingw: building (nice, ionice, $jobs jobs; a first build takes the best part of an hour)"
if ! nice -n 19 ionice -c3 cmake --build "$build" -j "$jobs" >"$build/build.log" 2>&1; then
  grep -E 'error|Error' "$build/build.log" | head -40
  echo "qt_mingw: build failed (log: $build/build.log)" >&2
  exit 1
fi
# An older cache is replaced whole, so that nothing of it is left beside the new build.
if [ -f "$prefix/ostrel-built" ] || [ -d "$prefix/lib/cmake/Qt6" ]; then
  rm -rf "$prefix"
fi
nice -n 19 ionice -c3 cmake --install "$build" >"$build/install.log" 2>&1 ||
  { echo "qt_mingw: install failed (log: $build/install.log)" >&2; exit 1; }

collect_licences
minutes=$(((SECONDS - started) / 60))
{
  echo "$stamp_line"
  echo "$(date -u +%Y-%m-%dT%H:%MZ), qtbase built or brought up to date in ${minutes} min wall with $jobs jobs"
} >"$prefix/ostrel-built"
echo "qt_mingw: qtbase done in $minutes min: $prefix"
fi # qtbase

# Qt SVG, against the Qt installed: its own configure with that Qt's toolchain file, which chains
# to the MinGW toolchain above. Left out, and said so, when its source cannot be fetched.
svgbuild=$srcroot/build-qtsvg
build_svg() {
  fetch_source qt6-svg "$svgsrc" || return 1
  case $(cd "$svgsrc" && dpkg-parsechangelog -S Version) in
  "$version"-*) ;;
  *) echo "qt_mingw: qt6-svg is not $version" >&2; exit 1 ;;
  esac
  echo "qt_mingw: configuring Qt SVG $version in $svgbuild"
  nice -n 19 ionice -c3 cmake -S "$svgsrc" -B "$svgbuild" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
    >"$svgbuild.configure.log" 2>&1 || { tail -60 "$svgbuild.configure.log"; exit 1; }
  if ! nice -n 19 ionice -c3 cmake --build "$svgbuild" -j "$jobs" >"$svgbuild.build.log" 2>&1; then
    grep -E 'error|Error' "$svgbuild.build.log" | head -40
    echo "qt_mingw: Qt SVG build failed (log: $svgbuild.build.log)" >&2
    exit 1
  fi
  nice -n 19 ionice -c3 cmake --install "$svgbuild" >"$svgbuild.install.log" 2>&1 ||
    { echo "qt_mingw: Qt SVG install failed (log: $svgbuild.install.log)" >&2; exit 1; }
}
if build_svg; then
  collect_licences
  echo "qt_mingw: Qt SVG built into $prefix"
else
  echo "qt_mingw: Qt SVG left out (its source could not be fetched): the window is built without SVG export; the next run tries again"
fi
echo "qt_mingw: Qt $version for MinGW-w64 in $prefix ($(sed -n 2p "$prefix/ostrel-built"))"
