#!/usr/bin/env bash
# Packs the Windows command line of a MinGW-w64 build for people: ostrel-convert-<version>-win64.zip
# with ostrel-convert.exe (stripped), README.txt and LICENSE.txt (Windows line ends) in a folder
# of the same name. tools/windows.sh runs it after the tests pass.
#
#   tools/windows_zip.sh [BUILD_DIR] [OUTPUT_DIR]   (defaults: build-windows, dist)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-windows}
dist=${2:-$root/dist}

source "$root/tools/packages.sh"
source "$root/tools/wine.sh"
need zip binutils-mingw-w64-x86-64

exe=$build/src/cli/ostrel-convert.exe
[ -f "$exe" ] || {
  echo "windows_zip: no $exe; build it with ./dev windows" >&2
  exit 1
}
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ -n "$version" ] || {
  echo "windows_zip: no project version in $build/CMakeCache.txt" >&2
  exit 1
}
name=ostrel-convert-$version-win64
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/$name"

x86_64-w64-mingw32-strip -o "$stage/$name/ostrel-convert.exe" "$exe"
# Notepad of old Windows shows LF-only text as one line.
crlf "$root/README.md" "$stage/$name/README.txt"
crlf "$root/LICENSE" "$stage/$name/LICENSE.txt"

mkdir -p "$dist"
rm -f "$dist/$name.zip"
(cd "$stage" && TZ=UTC zip -q -X -r "$dist/$name.zip" "$name")
echo "windows_zip: $dist/$name.zip"
unzip -l "$dist/$name.zip" | sed '1,3d;$d' | sed '$d'
