"""Strict checks of ostrel-convert's GeoJSON and CSV, and their agreement with its GPX and --json.

    check_outputs.py geojson FILE.geojson SAME.gpx JSON-LINE-FILE
    check_outputs.py csv FILE.csv LOG SAME.gpx JSON-LINE-FILE ZONE-MINUTES

GeoJSON: valid UTF-8 with CR LF line ends, strict JSON (no duplicate members, no NaN), and the
rules of RFC 7946: the closed set of types and their members, no "crs", positions longitude
first within range, two positions or more in a line. Then it must say what the GPX of the same
log says: the route's positions are the GPX's track points (7 decimals against 8), the waypoints
are the GPX's (time, name, description, position), and the route's numbers are those of --json.

CSV: RFC 4180 (CR LF, a header row), read by Python's csv module: one row for each record line
of the log (the lines of 60 characters), fates counted as --json counts them, the kept rows the
GPX's track points (same 8-decimal texts, same UTC times), and each local time its UTC time in
the zone. Prints what it counted; exits 1 on the first disagreement.
"""

import csv
import datetime
import io
import json
import math
import re
import sys

import gpxpy

GEOMETRY_TYPES = {"Point", "MultiPoint", "LineString", "MultiLineString", "Polygon",
                  "MultiPolygon", "GeometryCollection"}


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def unique_members(pairs):
    keys = [key for key, _ in pairs]
    check(len(keys) == len(set(keys)), f"duplicate members in an object: {keys}")
    return dict(pairs)


def no_constant(name):
    raise Failure(f"{name} is not JSON")


def read_crlf_text(path):
    raw = open(path, "rb").read()
    text = raw.decode("utf-8")  # strict: invalid UTF-8 fails here
    check(raw.endswith(b"\r\n"), f"{path}: the last line has no CR LF")
    check(b"\n" not in raw.replace(b"\r\n", b"") and b"\r" not in raw.replace(b"\r\n", b""),
          f"{path}: a line ends otherwise than with CR LF")
    return text


# ---- RFC 7946 ---------------------------------------------------------------------------

def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def check_position(position):
    check(isinstance(position, list) and len(position) in (2, 3), f"bad position {position}")
    check(all(is_number(v) for v in position), f"a position of non-numbers {position}")
    lon, lat = position[0], position[1]
    check(-180 <= lon <= 180, f"longitude {lon} out of range (longitude comes first)")
    check(-90 <= lat <= 90, f"latitude {lat} out of range")


def check_line(line):
    check(isinstance(line, list) and len(line) >= 2, "a line of fewer than two positions")
    for position in line:
        check_position(position)


def check_ring(ring):
    check_line(ring)
    check(len(ring) >= 4 and ring[0] == ring[-1], "a ring not closed")


def check_no_members(obj, names, what):
    for name in names:
        check(name not in obj, f"a {what} has a member \"{name}\"")


def check_bbox(obj):
    if "bbox" in obj:
        box = obj["bbox"]
        check(isinstance(box, list) and len(box) in (4, 6) and all(is_number(v) for v in box),
              "bad bbox")


def check_geometry(geometry):
    check(isinstance(geometry, dict), "a geometry that is no object")
    kind = geometry.get("type")
    check(kind in GEOMETRY_TYPES, f"unknown geometry type {kind}")
    check_no_members(geometry, ("crs", "geometry", "properties", "features"), "geometry")
    check_bbox(geometry)
    if kind == "GeometryCollection":
        check_no_members(geometry, ("coordinates",), "geometry collection")
        check(isinstance(geometry.get("geometries"), list), "a collection without geometries")
        for member in geometry["geometries"]:
            check_geometry(member)
        return
    check_no_members(geometry, ("geometries",), "geometry")
    coordinates = geometry.get("coordinates")
    check(isinstance(coordinates, list), f"a {kind} without coordinates")
    if kind == "Point":
        check_position(coordinates)
    elif kind == "MultiPoint":
        for position in coordinates:
            check_position(position)
    elif kind == "LineString":
        check_line(coordinates)
    elif kind == "MultiLineString":
        for line in coordinates:
            check_line(line)
    elif kind == "Polygon":
        for ring in coordinates:
            check_ring(ring)
    else:
        for polygon in coordinates:
            for ring in polygon:
                check_ring(ring)


def check_rfc7946(doc):
    check(isinstance(doc, dict) and doc.get("type") == "FeatureCollection",
          "the document is no FeatureCollection")
    check_no_members(doc, ("crs", "coordinates", "geometries", "geometry", "properties"),
                     "feature collection")
    check_bbox(doc)
    check(isinstance(doc.get("features"), list), "no features")
    for feature in doc["features"]:
        check(isinstance(feature, dict) and feature.get("type") == "Feature", "not a Feature")
        check_no_members(feature, ("crs", "coordinates", "geometries", "features"), "feature")
        check("geometry" in feature and "properties" in feature,
              "a feature without geometry or properties")
        check(feature["properties"] is None or isinstance(feature["properties"], dict),
              "properties that are no object")
        check_bbox(feature)
        if feature["geometry"] is not None:
            check_geometry(feature["geometry"])


# ---- Agreement ----------------------------------------------------------------------------

def utc(text):
    check(text.endswith("Z"), f"time {text} is not UTC with Z")
    return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ").replace(
        tzinfo=datetime.timezone.utc)


def near(a, b, tolerance):
    return abs(a - b) <= tolerance


def check_geojson(path, gpx_path, json_path):
    doc = json.loads(read_crlf_text(path), object_pairs_hook=unique_members,
                     parse_constant=no_constant)
    check_rfc7946(doc)
    gpx = gpxpy.parse(open(gpx_path, encoding="utf-8"))
    report = json.loads(open(json_path, encoding="utf-8").read())
    track_points = [p for t in gpx.tracks for s in t.segments for p in s.points]

    route, waypoints = doc["features"][0], doc["features"][1:]
    properties = route["properties"]
    check(properties["name"] == gpx.tracks[0].name, "the route's name is not the GPX track's")
    check(properties["statistics"] == report["statistics"], "the numbers are not those of --json")
    check(properties["length_km"] == report["length_km"], "the length is not that of --json")
    geometry = route["geometry"]
    lines = []
    if geometry is not None:
        lines = [geometry["coordinates"]] if geometry["type"] == "LineString" \
            else geometry["coordinates"]
        check(geometry["type"] in ("LineString", "MultiLineString"), "the route is no line")
        check((geometry["type"] == "MultiLineString") == (len(lines) > 1),
              "a MultiLineString of one line")
    positions = []
    for line in lines:
        # A line of one fix gives its position twice.
        lone = len(line) == 2 and line[0] == line[1]
        positions.extend(line[:1] if lone else line)
    check(len(positions) == len(track_points),
          f"{len(positions)} route positions for {len(track_points)} GPX track points")
    # Both rounded from the same number: 7 decimals against 8.
    for position, point in zip(positions, track_points):
        lon = point.longitude if point.longitude != -180 else 180
        check(near(position[0], lon, 6e-8) and near(position[1], point.latitude, 6e-8),
              f"route position {position} is not GPX's {point.latitude} {point.longitude}")
    check(len(waypoints) == len(gpx.waypoints),
          f"{len(waypoints)} waypoints for GPX's {len(gpx.waypoints)}")
    for feature, wpt in zip(waypoints, gpx.waypoints):
        p = feature["properties"]
        check(feature["geometry"]["type"] == "Point", "a waypoint that is no Point")
        check(utc(p["time"]) == wpt.time, f"waypoint time {p['time']} is not GPX's {wpt.time}")
        check(p["name"] == wpt.name and p["description"] == wpt.description,
              f"waypoint texts {p['name']!r} {p['description']!r} are not GPX's")
        lon, lat = feature["geometry"]["coordinates"]
        check(near(lat, wpt.latitude, 6e-8) and near(lon, wpt.longitude, 6e-8),
              "a waypoint's position is not GPX's")
    print(f"{len(lines)} line(s), {len(positions)} route positions, {len(waypoints)} waypoints")


CSV_HEADER = ["line", "utc_time", "local_time", "latitude", "longitude", "fate", "speed_kmh",
              "distance_m", "length_km"]
# The fates and the --json member that counts each.
FATE_COUNTS = {"too fast": "dropped_too_fast", "repeated time": "dropped_repeated_time",
               "spike": "dropped_spike", "outlier start": "dropped_outlier_start",
               "standing": "dropped_standing", "outside the time": "dropped_outside_time",
               "private": "dropped_private", "simplified": "simplified"}


def record_lines(log_path):
    lines = re.split(rb"\r\n|\r|\n", open(log_path, "rb").read())
    return [number for number, line in enumerate(lines, 1) if len(line) == 60]


def check_csv(path, log_path, gpx_path, json_path, zone_minutes):
    rows = list(csv.reader(io.StringIO(read_crlf_text(path), newline=""), strict=True))
    check(rows and rows[0] == CSV_HEADER, f"header {rows[:1]}")
    rows = [dict(zip(CSV_HEADER, row)) for row in rows[1:]]
    check(all(len(row) == len(CSV_HEADER) for row in rows), "a row of another width")
    report = json.loads(open(json_path, encoding="utf-8").read())["statistics"]
    expected_lines = record_lines(log_path)
    lines = [int(row["line"]) for row in rows]
    check(sorted(lines) == expected_lines,
          f"rows for lines {sorted(lines)}, record lines {expected_lines}")
    check(len(rows) == report["records"], "not one row a record")
    check(rows[0]["fate"] in ("first", "outlier start", "outside the time"),
          "the first row is not the first record's")
    fates = [row["fate"] for row in rows]
    check(fates.count("first") <= 1, "two first records")
    kept = fates.count("kept") + fates.count("simplified")
    check(kept == report["kept"], f"{kept} kept rows, --json counts {report['kept']}")
    for fate, member in FATE_COUNTS.items():
        check(fates.count(fate) == report.get(member, 0),
              f"{fates.count(fate)} rows '{fate}', --json counts {report.get(member, 0)}")
    check(set(fates) <= {"first", "kept"} | set(FATE_COUNTS), f"unknown fates {set(fates)}")
    zone = datetime.timedelta(minutes=zone_minutes)
    for row in rows:
        for column in ("latitude", "longitude", "speed_kmh", "distance_m", "length_km"):
            if row[column] != "":
                check(math.isfinite(float(row[column])) and "," not in row[column],
                      f"{column} {row[column]!r}")
        local = datetime.datetime.fromisoformat(row["local_time"])
        check(local.utcoffset() == zone, f"local time {row['local_time']} not in the zone")
        check(local == utc(row["utc_time"]), f"{row['local_time']} is not {row['utc_time']}")
    gpx = gpxpy.parse(open(gpx_path, encoding="utf-8"))
    gpx_text = open(gpx_path, encoding="utf-8").read()
    track_points = re.findall(r'<trkpt lat="([^"]*)" lon="([^"]*)"><time>([^<]*)</time>', gpx_text)
    routed = sorted((row for row in rows if row["fate"] == "kept"), key=lambda r: int(r["line"]))
    check(len(routed) == len(track_points),
          f"{len(routed)} kept rows, {len(track_points)} GPX track points")
    for row, (lat, lon, time) in zip(routed, track_points):
        check((row["latitude"], row["longitude"], row["utc_time"]) == (lat, lon, time),
              f"line {row['line']} is not GPX's track point {lat} {lon} {time}")
    if routed:
        check(near(float(routed[-1]["length_km"]) * 1000, report["length_m"], 0.0011),
              "the last kept row's length is not --json's")
    check(len(gpx.tracks) == 1, "GPX without a track")
    print(f"{len(rows)} rows for {len(expected_lines)} record lines; {kept} kept")


def main(argv):
    try:
        if argv[1] == "geojson":
            check_geojson(*argv[2:5])
        elif argv[1] == "csv":
            check_csv(*argv[2:6], int(argv[6]))
        else:
            raise Failure(f"unknown kind {argv[1]}")
    except (Failure, ValueError, KeyError, TypeError, IndexError) as error:
        print(f"check_outputs: {argv[2]}: {type(error).__name__}: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
