#!/usr/bin/env bash
# The bash completion of ostrel-convert loads under bash-completion and completes options, the
# values of --type, --mode and --origin, and file names; that of ostrel-geotag the values of its
# own choices and the track's shared options.
#
#   completion.sh SCRIPT [GEOTAG_SCRIPT]
set -uo pipefail
script=$1
geotag=${2:-}
failures=0
program=ostrel-convert

source /usr/share/bash-completion/bash_completion || {
  echo "FAIL: bash-completion did not load"
  exit 1
}
# shellcheck source=/dev/null
source "$script"

if [[ $(complete -p ostrel-convert 2>&1) != "complete -F _ostrel_convert ostrel-convert" ]]; then
  echo "FAIL: ostrel-convert is not completed by _ostrel_convert: $(complete -p ostrel-convert 2>&1)"
  exit 1
fi

# expect "WORDS ON THE LINE" "EXPECTED REPLIES": completes the last word (may be empty) as bash
# would with the cursor at the end of the line.
expect() {
  local line=$1 expected=$2
  COMP_LINE=$line
  COMP_POINT=${#line}
  # Words as bash splits them for completion: "=" stands as a word of its own.
  local IFS=$' \t\n'
  read -r -a COMP_WORDS <<<"${line//=/ = }"
  [[ $line == *' ' || $line == *'=' ]] && COMP_WORDS+=("")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  "_${program//-/_}" "$program" "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
  local got
  got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
  got=${got% }
  if [[ $got == "$expected" ]]; then
    echo "ok: '$line' -> $got"
  else
    echo "FAIL: '$line' -> '$got', expected '$expected'"
    failures=$((failures + 1))
  fi
}

expect "ostrel-convert -t " "csv geojson gpx kml nmea"
expect "ostrel-convert --type " "csv geojson gpx kml nmea"
expect "ostrel-convert --type n" "nmea"
expect "ostrel-convert --type=" "csv geojson gpx kml nmea"
expect "ostrel-convert -o x.kml -t k" "kml"
expect "ostrel-convert -m " "bicycle car jog walk"
expect "ostrel-convert --mode=c" "car"
expect "ostrel-convert -g 1" "1 10 11 12 13 14 15 16 17 18 19"
expect "ostrel-convert --no-w" "--no-waypoints"
expect "ostrel-convert --ty" "--type"
expect "ostrel-convert -s " ""
expect "ostrel-convert --color " ""

# Files: for the LOGs and --output, in a folder of our own.
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
touch walk.log week.log other.txt
expect "ostrel-convert w" "walk.log week.log"
expect "ostrel-convert -o o" "other.txt"
expect "ostrel-convert -t nmea -- -" ""
touch -- -odd.log
expect "ostrel-convert -- -" "-odd.log"

if [ -n "$geotag" ]; then
  # shellcheck source=/dev/null
  source "$geotag"
  program=ostrel-geotag
  if [[ $(complete -p ostrel-geotag 2>&1) != "complete -F _ostrel_geotag ostrel-geotag" ]]; then
    echo "FAIL: ostrel-geotag is not completed by _ostrel_geotag"
    failures=$((failures + 1))
  fi
  expect "ostrel-geotag --write " "exif sidecar"
  expect "ostrel-geotag --sidecar-name=b" "base"
  expect "ostrel-geotag -m c" "car"
  expect "ostrel-geotag --camera-o" "--camera-offset"
  expect "ostrel-geotag -l w" "walk.log week.log"
fi

((failures == 0)) && echo "completion: all passed"
exit $((failures != 0))
