#!/usr/bin/env bash
# "cmake --install" of the build lays out exactly the files of EXPECTED (paths below the prefix,
# sorted), all readable, the programs executable.
#
#   install_layout.sh BUILD_DIR EXPECTED
set -uo pipefail
build=$1 expected=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT

if ! DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage.log" 2>&1; then
  cat "$stage.log"
  rm -f "$stage.log"
  echo "FAIL: cmake --install"
  exit 1
fi
rm -f "$stage.log"

actual=$(cd "$stage" && find . -type f -o -type l | sed 's|^\./|/|' | LC_ALL=C sort)
if ! diff -u "$expected" <(printf '%s\n' "$actual"); then
  echo "FAIL: the installed files differ from $(basename "$expected") (- expected, + installed)"
  exit 1
fi
failures=0
for program in "$stage"/usr/bin/*; do
  [ -x "$program" ] || { echo "FAIL: $program is not executable"; failures=$((failures + 1)); }
done
while read -r file; do
  [ "$(stat -c %a "$stage$file")" = 644 ] || { echo "FAIL: $file is not -rw-r--r--"; failures=$((failures + 1)); }
done < <(grep -v '^/usr/bin/' <<<"$actual")
((failures == 0)) && echo "installed as expected: $(wc -l <<<"$actual") files"
exit $((failures != 0))
