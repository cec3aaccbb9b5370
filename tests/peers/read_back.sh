#!/usr/bin/env bash
# Converts the golden logs with ostrel-convert and reads the outputs back with other software:
# gpsbabel must find as many points as we wrote, and xmllint must find the KML well-formed.
# GPX: xmllint validates it against the GPX 1.1 schema (gpx-1.1.xsd beside this script), and
# gpsbabel, GDAL's ogrinfo and python3-gpxpy read back as many track points and waypoints as
# were written. KML 2.2 (--kml-version 2.2): ogrinfo and gpsbabel read back as many route points
# and placemarks as were written. The cleaning's outputs (each stage, a split by day, a merge):
# the GPX valid, and every reader finding the tracks, segments and points written; the KML's
# route lines and points as ogrinfo and gpsbabel read them; a merged NMEA with one header. The
# timed route (--kml-track) as GDAL's LIBKML driver and gpsbabel read it.
# GeoJSON and CSV: check_outputs.py (beside this script) holds
# them to RFC 7946 and RFC 4180 and to what the GPX and --json of the same log say; ogrinfo reads
# back as many features, route vertices and rows as were written.
set -euo pipefail
convert=$1
data=$2
schema=$(dirname "$0")/gpx-1.1.xsd
check_outputs=$(dirname "$0")/check_outputs.py
# python3-gpxpy belongs to Debian's python3, whatever other python3 comes first in PATH.
py=/usr/bin/python3
[ -x "$py" ] || py=python3
for tool in gpsbabel xmllint ogrinfo "$py"; do
  command -v "$tool" >/dev/null || { echo "read_back: $tool is not installed" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export TZ=UTC

points() { # kind (-t tracks, -w waypoints) format file -> number of points gpsbabel reads
  gpsbabel "$1" -i "$2" -f "$3" -o unicsv -F - | tail -n +2 | grep -c . || true
}

# feature count of one layer of a file, as ogrinfo reads it
features() {
  ogrinfo -ro -so "$1" "$2" | sed -n 's/^Feature Count: //p'
}
# vertices of every line string of a KML file, as ogrinfo reads it
vertices() {
  ogrinfo -ro -al -q "$1" | grep -o 'LINESTRING[^(]*((*[^)]*' | tr ',' '\n' | grep -c . || true
}
# vertices of the line strings of a GeoJSON file, every line of a multi-line string included
all_vertices() {
  ogrinfo -ro -al -q "$1" | grep -o 'LINESTRING .*' | grep -o '[0-9.-][0-9.-]* [0-9.-][0-9.-]*' | grep -c . || true
}
# GeoJSON and CSV of a log, with the options given, against its GPX and --json: the strict checks,
# the same files under the default names of -t, and the counts ogrinfo reads back.
json_and_csv() { # name log options...
  local name=$1 log=$2
  shift 2
  local base=$work/$name
  "$convert" "$@" -o "$base.geojson" "$log" >/dev/null
  "$convert" "$@" -o "$base.CSV" "$log" >/dev/null
  "$convert" "$@" --json -o "$base-same.gpx" "$log" >"$base.json"
  "$py" "$check_outputs" geojson "$base.geojson" "$base-same.gpx" "$base.json" || failed=1
  "$py" "$check_outputs" csv "$base.CSV" "$log" "$base-same.gpx" "$base.json" 540 || failed=1
  local kind named
  for kind in geojson csv; do
    named=$base.geojson
    [ "$kind" = csv ] && named=$base.CSV
    mkdir -p "$base-$kind"
    cp "$log" "$base-$kind/input.log"
    "$convert" "$@" -t "$kind" "$base-$kind/input.log" >/dev/null
    cmp -s "$named" "$base-$kind"/WG*."$kind" \
      || { echo "-t $kind did not write the output of -o $named under a default name" >&2; failed=1; }
  done
  local wpts trkpts records ogr_features ogr_route ogr_rows
  wpts=$(grep -c '<wpt ' "$base-same.gpx" || true)
  trkpts=$(grep -c '<trkpt ' "$base-same.gpx" || true)
  records=$("$py" -c 'import json, sys; print(json.load(open(sys.argv[1]))["statistics"]["records"])' "$base.json")
  ogr_features=$(features "$base.geojson" "$name")
  ogr_route=$(all_vertices "$base.geojson")
  ogr_rows=$(ogrinfo -ro -so -oo X_POSSIBLE_NAMES=longitude -oo Y_POSSIBLE_NAMES=latitude \
    "$base.CSV" "$name" | sed -n 's/^Feature Count: //p')
  echo "$name GeoJSON: ogrinfo $ogr_features features (route and $wpts waypoints), $ogr_route route vertices ($trkpts track points); CSV: ogrinfo $ogr_rows rows ($records records)"
  [ "$ogr_features" = $((wpts + 1)) ] || { echo "ogrinfo read $ogr_features GeoJSON features" >&2; failed=1; }
  [ "$ogr_route" = "$trkpts" ] || { echo "ogrinfo read $ogr_route GeoJSON route vertices" >&2; failed=1; }
  [ "$ogr_rows" = "$records" ] || { echo "ogrinfo read $ogr_rows CSV rows" >&2; failed=1; }
}

failed=0
"$py" -c 'import gpxpy' || { echo "read_back: python3-gpxpy is not installed" >&2; exit 1; }
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

  # GPX, chosen by the extension in any letter case and by -t gpx under a default name.
  "$convert" -m bicycle -o "$work/$case.GPX" "$data/$case/input.log" >/dev/null
  mkdir -p "$work/$case-default"
  cp "$data/$case/input.log" "$work/$case-default/input.log"
  "$convert" -m bicycle -t gpx "$work/$case-default/input.log" >/dev/null
  named=$(find "$work/$case-default" -name 'WG*.gpx' | wc -l)
  [ "$named" -eq 1 ] && cmp -s "$work/$case.GPX" "$work/$case-default"/WG*.gpx \
    || { echo "-t gpx did not write the GPX of -o $case.GPX under a default name" >&2; failed=1; }
  gpx=$work/$case.GPX
  xmllint --noout --schema "$schema" "$gpx" 2>"$work/xmllint.txt" \
    || { cat "$work/xmllint.txt" >&2; failed=1; }
  trkpts=$(grep -c '<trkpt ' "$gpx" || true)
  wpts=$(grep -c '<wpt ' "$gpx" || true)
  gb_track=$(points -t gpx "$gpx")
  gb_marks=$(points -w gpx "$gpx")
  ogr_track=$(features "$gpx" track_points)
  ogr_marks=$(features "$gpx" waypoints)
  read -r py_marks py_track < <("$py" -c '
import sys, gpxpy
gpx = gpxpy.parse(open(sys.argv[1], encoding="utf-8"))
points = [p for t in gpx.tracks for s in t.segments for p in s.points]
assert all(p.time is not None for p in points + gpx.waypoints)
print(len(gpx.waypoints), len(points))' "$gpx") || { echo "gpxpy could not read $gpx" >&2; failed=1; }
  echo "$case GPX: trkpt $trkpts, gpsbabel $gb_track, ogrinfo $ogr_track, gpxpy $py_track; wpt $wpts, gpsbabel $gb_marks, ogrinfo $ogr_marks, gpxpy $py_marks"
  [ "$trkpts" -eq "$fixes" ] || { echo "$trkpts track points for $fixes fixes" >&2; failed=1; }
  [ "$wpts" -eq "$waypoints" ] || { echo "$wpts GPX waypoints for $waypoints KML placemarks" >&2; failed=1; }
  for n in "$gb_track" "$ogr_track" "${py_track:-x}"; do
    [ "$n" = "$trkpts" ] || { echo "a reader found $n of $trkpts track points" >&2; failed=1; }
  done
  for n in "$gb_marks" "$ogr_marks" "${py_marks:-x}"; do
    [ "$n" = "$wpts" ] || { echo "a reader found $n of $wpts waypoints" >&2; failed=1; }
  done
  json_and_csv "$case" "$data/$case/input.log" -m bicycle
done
# A route in two lines (a MultiLineString), fixes left out by simplification, a spike.
json_and_csv cleaned "$data/walk/input.log" -m bicycle --split-gap 1 --simplify 3 --filter robust

# KML 2.2: the route's points and the placemarks, read by ogrinfo and gpsbabel.
kml22=$work/walk22.kml
"$convert" -m bicycle --kml-version 2.2 -o "$kml22" "$data/walk/input.log" >/dev/null
route=$(awk '/^<coordinates>/{on=1;next} /^<\/coordinates>/{on=0} on' "$kml22" | grep -c . || true)
waypoints=$(grep -c '<Point>' "$kml22" || true)
xmllint --noout "$kml22" || failed=1
ogr_route=$(vertices "$kml22")
ogr_marks=$(features "$kml22" waypoints)
track=$(points -t kml "$kml22")
marks=$(points -w kml "$kml22")
echo "KML 2.2: route $route, ogrinfo $ogr_route, gpsbabel $track; placemarks $waypoints, ogrinfo $ogr_marks, gpsbabel $marks"
[ "$route" -gt 0 ] && [ "$ogr_route" -eq "$route" ] && [ "$track" -eq "$route" ] \
  || { echo "KML 2.2: readers found $ogr_route and $track of $route route points" >&2; failed=1; }
[ "$waypoints" -gt 0 ] && [ "$ogr_marks" -eq "$waypoints" ] && [ "$marks" -eq "$waypoints" ] \
  || { echo "KML 2.2: readers found $ogr_marks and $marks of $waypoints placemarks" >&2; failed=1; }
# ---- The cleaning's outputs ----------------------------------------------------------------

# GPX file, tracks and segments expected: valid, and gpxpy, ogrinfo and gpsbabel find the tracks,
# segments and points written.
check_gpx() {
  local file=$1 tracks=$2 segments=$3
  xmllint --noout --schema "$schema" "$file" 2>"$work/xmllint.txt" \
    || { cat "$work/xmllint.txt" >&2; failed=1; }
  local trk trkseg trkpt read ogr_tracks ogr_parts ogr_points gb
  trk=$(grep -c '^<trk>' "$file" || true)
  trkseg=$(grep -c '<trkseg>' "$file" || true)
  trkpt=$(grep -c '<trkpt ' "$file" || true)
  read=$("$py" -c '
import sys, gpxpy
gpx = gpxpy.parse(open(sys.argv[1], encoding="utf-8"))
print(len(gpx.tracks), sum(len(t.segments) for t in gpx.tracks),
      sum(len(s.points) for t in gpx.tracks for s in t.segments))' "$file") \
    || { echo "gpxpy could not read $file" >&2; failed=1; }
  ogr_tracks=$(features "$file" tracks)
  # a track is a MULTILINESTRING of a part per segment
  ogr_parts=$(ogrinfo -ro -q "$file" tracks | grep 'MULTILINESTRING' | grep -o '(\?(' | grep -c . || true)
  ogr_points=$(features "$file" track_points)
  gb=$(points -t gpx "$file")
  echo "$(basename "$file"): trk $trk, trkseg $trkseg, trkpt $trkpt; gpxpy $read; ogrinfo $ogr_tracks tracks, $ogr_parts parts, $ogr_points points; gpsbabel $gb points"
  [ "$trk" -eq "$tracks" ] && [ "$trkseg" -eq "$segments" ] && [ "$trkpt" -gt 0 ] \
    || { echo "$file: $trk tracks and $trkseg segments, $tracks and $segments expected" >&2; failed=1; }
  [ "$read" = "$trk $trkseg $trkpt" ] && [ "$ogr_tracks" = "$trk" ] && [ "$ogr_parts" = "$trkseg" ] \
    && [ "$ogr_points" = "$trkpt" ] && [ "$gb" = "$trkpt" ] \
    || { echo "$file: the readers disagree with what was written" >&2; failed=1; }
}

# KML file and the route lines expected: well-formed, and ogrinfo finds the route's lines and
# points, gpsbabel its points and a track per line.
check_kml() {
  local file=$1 lines=$2
  xmllint --noout "$file" || failed=1
  local written route geometry ogr_lines ogr_points gb_points gb_tracks
  written=$(grep -c '^<LineString>' "$file" || true)
  route=$(awk '/^<coordinates>/{on=1;next} /^<\/coordinates>/{on=0} on' "$file" | grep -c . || true)
  geometry=$(ogrinfo -ro -al -q "$file" | grep 'LINESTRING' || true)
  # a line per "(" before its first point; its points, one more than the commas between them
  ogr_lines=$(grep -o '([0-9-]' <<<"$geometry" | grep -c . || true)
  ogr_points=$(($(tr -cd ',' <<<"$geometry" | wc -c) + $(grep -c . <<<"$geometry")))
  gb_points=$(points -t kml "$file")
  gb_tracks=$(gpsbabel -t -i kml -f "$file" -o gpx -F - | grep -c '<trk>' || true)
  echo "$(basename "$file"): lines $written, route points $route; ogrinfo $ogr_lines lines, $ogr_points points; gpsbabel $gb_tracks tracks, $gb_points points"
  [ "$written" -eq "$lines" ] \
    || { echo "$file: $written route lines, $lines expected" >&2; failed=1; }
  [ "$ogr_lines" = "$written" ] && [ "$ogr_points" = "$route" ] && [ "$gb_tracks" = "$written" ] \
    && [ "$gb_points" = "$route" ] \
    || { echo "$file: the readers disagree with what was written" >&2; failed=1; }
}

walk=$data/walk/input.log
midnight=$data/midnight/input.log
# Each stage alone: a gap of a minute splits the walk where a fix was dropped; the others keep one
# segment.
for stage in "split-gap:2:--split-gap 1" "simplify:1:--simplify 30" "privacy:1:--privacy 100" \
  "robust:1:--filter robust --min-move 5 --from 2007-01-01T10:01 --to 2007-01-01T10:08"; do
  IFS=: read -r name segments options <<<"$stage"
  # shellcheck disable=SC2086 # the options are words
  "$convert" -m bicycle $options -o "$work/$name.gpx" "$walk" >/dev/null
  # shellcheck disable=SC2086
  "$convert" -m bicycle $options --kml-version 2.2 -o "$work/$name.kml" "$walk" >/dev/null
  check_gpx "$work/$name.gpx" 1 "$segments"
  check_kml "$work/$name.kml" "$segments"
done

# A split by day: the midnight log passes local midnight (+9 h), two documents whose points add
# up to those of the whole.
mkdir -p "$work/days"
cp "$midnight" "$work/days/input.log"
"$convert" -m bicycle --split-day -t gpx -d "$work/days" "$work/days/input.log" >/dev/null
"$convert" -m bicycle --split-day -o "$work/days/day.kml" "$work/days/input.log" >/dev/null
days=$(find "$work/days" -name 'WG*.gpx' | wc -l)
[ "$days" -eq 2 ] || { echo "split by day: $days GPX days, 2 expected" >&2; failed=1; }
day_points=0
for day in "$work/days"/WG*.gpx; do
  check_gpx "$day" 1 1
  day_points=$((day_points + $(grep -c '<trkpt ' "$day")))
done
check_kml "$work/days/day_1.kml" 1
check_kml "$work/days/day_2.kml" 1
whole=$(grep -c '<trkpt ' "$work/midnight.GPX")
[ "$day_points" -eq "$whole" ] || { echo "split by day: $day_points points, $whole in the whole" >&2; failed=1; }

# A merge of two logs: a track per log in GPX, a folder per log in KML (ogrinfo: a layer each,
# with one of waypoints each), the NMEA sentences of both under one header.
"$convert" -m bicycle --merge -o "$work/merged.gpx" "$midnight" "$walk" >/dev/null
"$convert" -m bicycle --merge -o "$work/merged.kml" "$midnight" "$walk" >/dev/null
"$convert" -m bicycle --merge -o "$work/merged.log" "$midnight" "$walk" >/dev/null
check_gpx "$work/merged.gpx" 2 2
check_kml "$work/merged.kml" 2
layers=$(ogrinfo -ro "$work/merged.kml" | grep -c '^[0-9]*: ' || true)
[ "$layers" -eq 4 ] || { echo "merged KML: ogrinfo found $layers layers, 4 expected" >&2; failed=1; }
headers=$(grep -c '^@' "$work/merged.log" || true)
merged=$(grep -c '^\$GPRMC' "$work/merged.log" || true)
both=$(($(grep -c '^\$GPRMC' "$work/walk.log") + $(grep -c '^\$GPRMC' "$work/midnight.log")))
nmea=$(points -t nmea "$work/merged.log")
echo "merged NMEA: headers $headers, fixes $merged of $both, gpsbabel $nmea"
[ "$headers" -eq 1 ] && [ "$merged" -eq "$both" ] && [ "$nmea" -eq "$both" ] \
  || { echo "merged NMEA: $headers headers, $merged and $nmea of $both fixes" >&2; failed=1; }
# The timed route (--kml-track): GDAL's LIBKML driver reads the gx:Track as one line of every
# kept fix, with the first and last times, and gpsbabel's KML reader a track point with its time
# for every kept fix.
timed=$work/timed.kml
"$convert" -m bicycle --kml-track -o "$timed" "$data/walk/input.log" >/dev/null
xmllint --noout "$timed" || failed=1
kept=$(grep -c '<when>' "$timed" || true)
ogr_line=$(ogrinfo -ro -al -q "$timed" | grep -o 'LINESTRING[^(]*([^)]*' | tr ',' '\n' | grep -c . || true)
ogr_begin=$(ogrinfo -ro -al -q "$timed" | sed -n 's/^ *begin (DateTime) = //p' | head -n 1)
timed_points=$(gpsbabel -t -i kml -f "$timed" -o gpx -F - | grep -c '<trkpt ' || true)
timed_times=$(gpsbabel -t -i kml -f "$timed" -o gpx -F - | grep -c '<time>2007-' || true)
echo "timed KML: kept $kept, ogrinfo line $ogr_line from $ogr_begin, gpsbabel $timed_points points with $timed_times times"
[ "$kept" -gt 0 ] && [ "$ogr_line" -eq "$kept" ] && [ "$timed_points" -eq "$kept" ] \
  && [ "$timed_times" -eq "$kept" ] && [ "$ogr_begin" = "2007/01/01 01:00:50+00" ] \
  || { echo "timed KML: read back otherwise than written" >&2; failed=1; }

exit $failed
