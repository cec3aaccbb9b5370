#!/usr/bin/env bash
# Cross-builds the core, its unit tests and ostrel-convert for 64-bit Windows with Debian's
# MinGW-w64, runs the unit tests under wine64, and converts the golden logs of tests/data with the
# Windows ostrel-convert, comparing every output byte for byte with its expected file. Then a log
# in a folder with a Japanese name (C:\ログ\) is converted under named and default outputs spelled
# with drive letters and both separators, and a case-changed spelling of the log as its own
# output is refused. Non-zero on any failure. When all passed, packs ostrel-convert.exe with the
# README and the licence into dist/ostrel-convert-<version>-win64.zip (tools/windows_zip.sh).
#
#   tools/windows.sh        (also ./dev windows)
#   tools/windows.sh --app  the window instead: Qt for Windows, ostrel.exe, its tests under wine,
#                           a screenshot, the zip and the installer (tools/windows_app.sh)
#
# Environment: OSTREL_WINDOWS_BUILD  the build folder (default: build-windows in the repository)
#              OSTREL_DIST           the folder of the zip (default: dist in the repository)
#              JOBS                  compile jobs (default: the processor count)
# The wine prefix lives in the build folder; nothing outside it is touched.
set -euo pipefail
if [ "${1:-}" = --app ]; then
  exec "$(dirname "$0")/windows_app.sh" "${@:2}"
fi
root=$(cd "$(dirname "$0")/.." && pwd)
build=${OSTREL_WINDOWS_BUILD:-$root/build-windows}
jobs=${JOBS:-$(nproc 2>/dev/null || echo 2)}
data=$root/tests/data
started=$SECONDS

source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"
source "$(dirname "${BASH_SOURCE[0]}")/wine.sh"

need cmake ninja-build g++-mingw-w64-x86-64-posix wine64 googletest nlohmann-json3-dev

echo "== build (MinGW-w64, $build)"
cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOSTREL_BUILD_APP=OFF -DOSTREL_BUILD_TESTS=ON -DOSTREL_BUILD_BENCH=OFF -DOSTREL_BUILD_FUZZ=OFF >/dev/null
if ! cmake --build "$build" --target core_tests cli_tests ostrel-convert -j "$jobs" >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  echo "windows: build failed" >&2
  exit 1
fi
grep -E 'warning|note:' "$build/build.log" || true
echo "built after $((SECONDS - started)) s"

start_wine "$build"
cd "$build" # the test data's Linux path is then found on drive Z:

echo "== unit tests under wine64"
for exe in tests/core_tests.exe tests/cli/cli_tests.exe; do
  if "$wine" "$exe" --gtest_brief=1 2>&1 | tr -d '\r'; then
    echo "passed: $exe"
  else
    fail "$exe"
  fi
done

# Runs ostrel-convert.exe; its status, standard output and standard error land in status, out
# and err, carriage returns dropped.
run() {
  local o e
  o=$(mktemp) e=$(mktemp)
  status=0
  "$wine" "$build/src/cli/ostrel-convert.exe" "$@" </dev/null >"$o" 2>"$e" || status=$?
  out=$(tr -d '\r' <"$o") err=$(tr -d '\r' <"$e")
  rm -f "$o" "$e"
}

# expect_run WHAT STATUS STDOUT STDERR: the last run's results.
expect_run() {
  [ "$status" = "$2" ] || { fail "$1: status $status, expected $2 ($err)"; return 1; }
  [ "$out" = "$3" ] || { fail "$1: printed '$out', expected '$3'"; return 1; }
  [ "$err" = "$4" ] || { fail "$1: error '$err', expected '$4'"; return 1; }
}

# same WHAT EXPECTED ACTUAL: byte for byte, or the first differing byte and line.
same() {
  if [ ! -f "$3" ]; then
    fail "$1: no output $3"
  elif cmp -s "$2" "$3"; then
    echo "same bytes: $1 ($(wc -c <"$3") bytes = ${2#"$root"/})"
  else
    fail "$1: $(cmp "$2" "$3" 2>&1 | head -1)"
  fi
}

# C:\ログ of the prefix, and a Japanese folder on drive Z: (the Linux file system as it is).
cdrive=$WINEPREFIX/drive_c
logs=$cdrive/ログ
zlogs=$build/ログ
rm -rf "$logs" "$zlogs" "$cdrive/散歩.log" "$cdrive"/WG2007*
mkdir -p "$logs" "$zlogs"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
echo "== golden logs through ostrel-convert.exe (log on Z:, output in C:\\ログ)"
# name, folder, expected file, options: the settings of tests/writers/golden_test.cpp.
while read -r name folder expected options; do
  ext=${expected##*.}
  # shellcheck disable=SC2086 # the options are words
  run $options -o "C:\\ログ\\$name.$ext" "$(winpath "$data/$folder/input.log")"
  case $folder in
  walk) km=0.47 ;;
  midnight) km=1.62 ;;
  *) km=0.00 ;;
  esac
  # The expected GPX documents name their creator's version as @VERSION@.
  sed "s/@VERSION@/$version/" "$data/$folder/$expected" >"$build/expected.$ext"
  expect_run "$name" 0 "C:\\ログ\\$name.$ext: The passway length = $km km" "" &&
    same "$name" "$build/expected.$ext" "$logs/$name.$ext"
done <<'EOF'
WalkNmea walk expected.log -m walk
WalkKml walk expected.kml --color FF0000
WalkKmlNoWaypoints walk expected_nowaypoints.kml --no-waypoints --color FF0000
MidnightNmea midnight expected.log -m bicycle
MidnightKml midnight expected.kml -m bicycle -i 1 --opacity 100 --color FFFFFF
SingleNmea single expected.log
SingleKml single expected.kml --opacity 10 --color 000000
DroppedNmea dropped expected.log
DroppedKml dropped expected.kml --opacity 10 --color 000000
WalkKml22 walk expected_kml22.kml --color FF0000 --kml-version 2.2
WalkGpx walk expected.gpx --color FF0000
MidnightGpx midnight expected.gpx -m bicycle -i 1 --opacity 100 --color FFFFFF
EOF

echo "== a log in C:\\ログ\\ and in Z:...\\ログ\\"
walk=0.47
cp "$data/walk/input.log" "$logs/朝の散歩.log"
cp "$data/walk/input.log" "$zlogs/朝の散歩.log"
cp "$data/walk/input.log" "$cdrive/散歩.log"

run --color FF0000 -o 'C:\ログ\出力.kml' 'C:\ログ\朝の散歩.log'
expect_run "named output" 0 "C:\\ログ\\出力.kml: The passway length = $walk km" "" &&
  same 'C:\ログ\出力.kml' "$data/walk/expected.kml" "$logs/出力.kml"

# Default names lie beside the log, spelled as the log was: drive, letter case and separators.
run -t nmea 'C:\ログ\朝の散歩.log'
expect_run "default name, backslashes" 0 "C:\\ログ\\WG20070101010000.log: The passway length = $walk km" "" &&
  same 'C:\ログ\WG20070101010000.log' "$data/walk/expected.log" "$logs/WG20070101010000.log"
run -t nmea 'c:/ログ/朝の散歩.log'
expect_run "default name, slashes" 0 "c:/ログ/WG20070101010000_1.log: The passway length = $walk km" "" &&
  same 'c:/ログ/WG20070101010000_1.log' "$data/walk/expected.log" "$logs/WG20070101010000_1.log"
run --color FF0000 'C:\ログ/朝の散歩.log'
expect_run "default name, both separators" 0 "C:\\ログ/WG20070101010000.kml: The passway length = $walk km" "" &&
  same 'C:\ログ/WG20070101010000.kml' "$data/walk/expected.kml" "$logs/WG20070101010000.kml"
zlog=$(winpath "$zlogs")\\朝の散歩.log
run -t nmea "$zlog"
expect_run "default name on Z:" 0 "${zlog%\\*}\\WG20070101010000.log: The passway length = $walk km" "" &&
  same "${zlog%\\*}\\WG20070101010000.log" "$data/walk/expected.log" "$zlogs/WG20070101010000.log"
# A drive colon alone: the log in the drive's current folder (C:\ for this process).
run -t nmea 'C:散歩.log'
expect_run "default name after a drive colon" 0 "C:WG20070101010000.log: The passway length = $walk km" "" &&
  same 'C:WG20070101010000.log' "$data/walk/expected.log" "$cdrive/WG20070101010000.log"

# The log named as its own output in other letters: refused, the log and the folder unchanged.
before=$(find "$logs" -mindepth 1 -printf '%f\n' | sort)
run --lang ja --color FF0000 -o 'C:\ログ\朝の散歩.LOG' 'C:\ログ\朝の散歩.log'
expect_run "same file, other letter case" 1 "" 'ostrel-convert: C:\ログ\朝の散歩.log: 変換元と変換先のファイルが同じです' &&
  echo "refused: C:\\ログ\\朝の散歩.LOG as the output of C:\\ログ\\朝の散歩.log"
cmp -s "$data/walk/input.log" "$logs/朝の散歩.log" || fail "the refused log changed"
[ "$(find "$logs" -mindepth 1 -printf '%f\n' | sort)" = "$before" ] || fail "the refused conversion left a file"

echo "== $((SECONDS - started)) s"
if ((failures)); then
  echo "windows: $failures failure(s)"
  exit 1
fi
echo "windows: all passed"

echo "== the zip for Windows users"
"$root/tools/windows_zip.sh" "$build" "${OSTREL_DIST:-$root/dist}"
