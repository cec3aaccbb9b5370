#!/usr/bin/env bash
# Converts the golden logs with ostrel-convert and reads the outputs back with other software:
# gpsbabel must find as many points as we wrote, and xmllint must find the KML well-formed.
set -euo pipefail
convert=$1
data=$2
for tool in gpsbabel xmllint; do
  command -v "$tool" >/dev/null || { echo "read_back: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC

points() { # kind (-t tracks, -w waypoints) format file -> number of points gpsbabel reads
  gpsbabel "$1" -i "$2" -f "$3" -o unicsv -F - | tail -n +2 | grep -c . || true
}

failed=0
for case in walk midnight; do
  "$convert" -m bicycle -o "$work/$case.log" "$data/$case/input.log" >/dev/null
  "$convert" -m bicycle -o "$work/$case.kml" "$data/$case/input.log" >/dev/null
  # Two sentences a kept fix, after the header line.
  fixes=$(($(grep -c '^\$GPRMC' "$work/$case.log")))
  nmea=$(points -t nmea "$work/$case.log")
  xmllint --noout "$work/$case.kml" || failed=1
  # The route's coordinate lines, and the waypoints.
  route=$(awk '/^<coordinates>/{on=1;next} /^<\/coordinates>/{on=0} on' "$work/$case.kml" | grep -c . || true)
  waypoints=$(grep -c '<Point>' "$work/$case.kml" || true)
  track=$(points -t kml "$work/$case.kml")
  marks=$(points -w kml "$work/$case.kml")
  echo "$case: fixes $fixes, gpsbabel nmea $nmea; route $route, gpsbabel track $track; placemarks $waypoints, gpsbabel waypoints $marks"
  [ "$fixes" -gt 0 ] && [ "$nmea" -eq "$fixes" ] || { echo "gpsbabel read $nmea of $fixes NMEA fixes" >&2; failed=1; }
  [ "$route" -eq "$fixes" ] || { echo "$route route points for $fixes fixes" >&2; failed=1; }
  [ "$track" -eq "$fixes" ] || { echo "gpsbabel read $track of $fixes route points" >&2; failed=1; }
  [ "$waypoints" -gt 0 ] && [ "$marks" -eq "$waypoints" ] || { echo "gpsbabel read $marks of $waypoints placemarks" >&2; failed=1; }
done
exit $failed
