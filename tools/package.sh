#!/usr/bin/env bash
# Builds the release for Debian into dist/: the binary package ostrel_<version>_<arch>.deb
# (CPack, with the dependencies found by dpkg-shlibdeps) and the source archive
# ostrel-<version>.tar.gz of the commit checked out (git archive). The programs are built in
# Release with Debian's hardening flags (dpkg-buildflags) in build-package.
#
#   tools/package.sh        (also ./dev package)
#
# Environment: OSTREL_DIST  the output folder (default: dist in the repository)
#              JOBS         compile jobs (default: the processor count)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-package
dist=${OSTREL_DIST:-$root/dist}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}

source "$root/tools/packages.sh"
need "${base_packages[@]}" "${app_packages[@]}" dpkg-dev file bash-completion git

# Every hardening feature Debian knows, also immediate binding (-z now).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DOSTREL_BUILD_APP=ON -DOSTREL_BUILD_TESTS=OFF -DOSTREL_BUILD_BENCH=OFF -DOSTREL_BUILD_FUZZ=OFF \
  -DCMAKE_INSTALL_PREFIX=/usr -DCMAKE_CXX_FLAGS="$cxxflags" \
  -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build "$build" -j "$jobs"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")

mkdir -p "$dist"
rm -f "$dist/ostrel_${version}_"*.deb
(cd "$build" && cpack -G DEB -B "$dist" >"$build/cpack.log") || {
  cat "$build/cpack.log" >&2
  exit 1
}
rm -rf "$dist/_CPack_Packages"

# The source of the release: what is committed, whatever else lies in the working tree.
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  if [ -n "$(git -C "$root" status --porcelain --untracked-files=no)" ]; then
    echo "package: uncommitted changes are not in the source archive" >&2
  fi
  git -C "$root" archive --format=tar.gz --prefix="ostrel-$version/" \
    -o "$dist/ostrel-$version.tar.gz" HEAD
else
  echo "package: not a git checkout, no source archive" >&2
fi

echo "package: in $dist"
ls -l "$dist" | sed 1d
