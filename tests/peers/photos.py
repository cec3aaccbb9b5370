#!/usr/bin/env python3
"""Photos geotagged by ostrel-geotag, read back by exiftool and exiv2.

The photos are made here: JPEGs by PIL with their times set by exiftool (one with
OffsetTimeOriginal, one with a position already), a JPEG whose EXIF block is written byte by
byte with a Canon maker note whose values lie at offsets from the TIFF header (they break if
anything moves), and a raw-like TIFF. The expected positions are the linear interpolation of the
track points that ostrel-convert writes to GPX for the same log and mode. Checks: exiftool and
exiv2 read every position within 1e-7 degrees; exiftool -validate warns of nothing new; every
other tag (exiftool -j -a -G1, less the GPS group and the file system's) and every byte outside
the EXIF segment stay as they were; the photo with a position and the raw file are unchanged;
sidecars, new and merged into one of exiftool's, are read by both with everything else kept.

    photos.py OSTREL_GEOTAG OSTREL_CONVERT TEST_DATA
"""
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
from datetime import datetime, timedelta, timezone
from xml.etree import ElementTree

from PIL import Image

geotag, convert, data = sys.argv[1:4]
work = tempfile.mkdtemp()
failures = []


def run(*args, check=True):
    done = subprocess.run(args, capture_output=True, text=True)
    if check and done.returncode != 0:
        raise SystemExit(f"{args[0]} failed ({done.returncode}): {done.stderr}")
    return done


def path(name):
    return os.path.join(work, name)


def expect(condition, what):
    print(("ok: " if condition else "FAIL: ") + what)
    if not condition:
        failures.append(what)


# The kept fixes, as the GPX of a conversion holds them (UTC).
shutil.copy(os.path.join(data, "walk", "input.log"), path("walk.log"))
run(convert, "-o", path("walk.gpx"), path("walk.log"))
ns = {"g": "http://www.topografix.com/GPX/1/1"}
fixes = []
for point in ElementTree.parse(path("walk.gpx")).getroot().iterfind(".//g:trkpt", ns):
    when = datetime.strptime(point.find("g:time", ns).text, "%Y-%m-%dT%H:%M:%SZ")
    fixes.append((when.replace(tzinfo=timezone.utc), float(point.get("lat")), float(point.get("lon"))))


def expected(utc):
    for (t0, lat0, lon0), (t1, lat1, lon1) in zip(fixes, fixes[1:]):
        if t0 <= utc <= t1:
            f = (utc - t0) / (t1 - t0)
            return lat0 + f * (lat1 - lat0), lon0 + f * (lon1 - lon0)
    raise SystemExit(f"no fixes around {utc}")


def utc(text, hours=9):
    return datetime.strptime(text, "%Y:%m:%d %H:%M:%S").replace(tzinfo=timezone(timedelta(hours=hours)))


# --- the photos -----------------------------------------------------------------------------

def pil_jpeg(name, colour):
    Image.new("RGB", (96, 64), colour).save(path(name), quality=90)


def tiff_block():
    """A little-endian TIFF block: IFD0, an EXIF IFD with a Canon maker note whose ASCII values
    lie at offsets counted from the TIFF header, and nothing after."""
    def entry(tag, kind, count, value):
        return struct.pack("<HHI", tag, kind, count) + value

    out = bytearray(b"II*\x00" + struct.pack("<I", 8))
    ifd0_tags = 7
    ifd0_size = 2 + 12 * ifd0_tags + 4
    data0 = 8 + ifd0_size  # the values of IFD0
    make, model = b"Canon\x00", b"Canon EOS TEST\x00\x00"
    res = struct.pack("<II", 72, 1)
    exif_at = data0 + len(make) + len(model) + 2 * len(res)
    ifd0 = [entry(0x010F, 2, len(make), struct.pack("<I", data0)),
            entry(0x0110, 2, len(model) - 1, struct.pack("<I", data0 + len(make))),
            entry(0x0112, 3, 1, struct.pack("<HH", 1, 0)),
            entry(0x011A, 5, 1, struct.pack("<I", data0 + len(make) + len(model))),
            entry(0x011B, 5, 1, struct.pack("<I", data0 + len(make) + len(model) + 8)),
            entry(0x0128, 3, 1, struct.pack("<HH", 2, 0)),
            entry(0x8769, 4, 1, struct.pack("<I", exif_at))]
    out += struct.pack("<H", ifd0_tags) + b"".join(ifd0) + struct.pack("<I", 0)
    out += make + model + res + res
    assert len(out) == exif_at
    exif_tags = 7
    exif_data = exif_at + 2 + 12 * exif_tags + 4
    original = b"2007:01:01 10:05:10\x00"
    # The maker note: a Canon IFD of three ASCII values after it.
    note_at = exif_data + len(original)
    values = [b"Canon EOS TEST\x00\x00", b"Firmware Version 1.0.0\x00\x00", b"Ostrel Tester".ljust(32, b"\x00")]
    note_head = 2 + 12 * 3 + 4
    value_at = note_at + note_head
    note = bytearray(struct.pack("<H", 3))
    for tag, value in zip((0x0006, 0x0007, 0x0009), values):
        note += entry(tag, 2, len(value), struct.pack("<I", value_at))
        value_at += len(value)
    note += struct.pack("<I", 0) + b"".join(values)
    exif = [entry(0x9000, 7, 4, b"0231"),
            entry(0x9003, 2, len(original), struct.pack("<I", exif_data)),
            entry(0x9101, 7, 4, b"\x01\x02\x03\x00"),
            entry(0x927C, 7, len(note), struct.pack("<I", note_at)),
            entry(0xA001, 3, 1, struct.pack("<HH", 1, 0)),
            entry(0xA002, 4, 1, struct.pack("<I", 96)),
            entry(0xA003, 4, 1, struct.pack("<I", 64))]
    out += struct.pack("<H", exif_tags) + b"".join(exif) + struct.pack("<I", 0)
    out += original + note
    return bytes(out)


pil_jpeg("plain.jpg", (200, 120, 40))
run("exiftool", "-q", "-overwrite_original", "-DateTimeOriginal=2007:01:01 10:03:00",
    "-Make=Test", "-ExifImageWidth=96", "-ExifImageHeight=64", path("plain.jpg"))
pil_jpeg("offset.jpg", (40, 120, 200))
run("exiftool", "-q", "-overwrite_original", "-DateTimeOriginal=2007:01:01 03:04:30",
    "-OffsetTimeOriginal=+02:00", "-SubSecTimeOriginal=50", path("offset.jpg"))
Image.new("RGB", (96, 64), (90, 160, 90)).save(path("maker.jpg"), quality=90,
                                               exif=b"Exif\x00\x00" + tiff_block())
Image.new("RGB", (96, 64), (10, 10, 10)).save(path("raw.tif"))
run("exiftool", "-q", "-overwrite_original", "-DateTimeOriginal=2007:01:01 10:06:00", path("raw.tif"))
pil_jpeg("placed.jpg", (1, 2, 3))
run("exiftool", "-q", "-overwrite_original", "-DateTimeOriginal=2007:01:01 10:07:00",
    "-GPSLatitude=10", "-GPSLatitudeRef=N", "-GPSLongitude=20", "-GPSLongitudeRef=E", path("placed.jpg"))
for name in ("plain.jpg", "offset.jpg"):
    shutil.copy(path(name), path("side-" + name))
run("exiftool", "-q", "-XMP-xmp:Rating=4", "-XMP-dc:Title=Kept", "-o", path("side-offset.jpg.xmp"),
    path("side-offset.jpg"))

times = {
    "plain.jpg": utc("2007:01:01 10:03:00"),
    "offset.jpg": utc("2007:01:01 03:04:30", 2) + timedelta(milliseconds=500),
    "maker.jpg": utc("2007:01:01 10:05:10"),
    "raw.tif": utc("2007:01:01 10:06:00"),
}
times["side-plain.jpg"] = times["plain.jpg"]
times["side-offset.jpg"] = times["offset.jpg"]


def tags(name):
    """Every tag as exiftool reads it, less the GPS group, the file system's and composites."""
    got = json.loads(run("exiftool", "-j", "-a", "-G1", "-n", path(name)).stdout)[0]
    return {k: v for k, v in got.items()
            if not k.startswith(("GPS:", "System:", "Composite:")) and k != "SourceFile"}


def warnings(name):
    got = json.loads(run("exiftool", "-j", "-a", "-G1", "-validate", "-warning", path(name)).stdout)[0]
    return sorted(v for k, v in got.items() if k.endswith(("Warning", "Validate")) and k != "ExifTool:Validate")


def outside_exif(name):
    """The bytes of a JPEG outside its EXIF segment."""
    data = open(path(name), "rb").read()
    at = 2
    while at < len(data):
        marker, length = data[at + 1], struct.unpack(">H", data[at + 2:at + 4])[0]
        if marker == 0xE1 and data[at + 4:at + 10] == b"Exif\x00\x00":
            return data[:at] + data[at + 2 + length:]
        at += 2 + length
    raise SystemExit(f"{name}: no EXIF segment")


def exiv2_degrees(text):
    """Degrees from exiv2's rationals "35/1 39/1 115545600/10000000" or XMP's "35,39.12N"."""
    text = text.strip()
    m = re.fullmatch(r"(\d+),(\d+(?:\.\d+)?)([NSEW])", text)
    if m:
        value = int(m[1]) + float(m[2]) / 60
        return -value if m[3] in "SW" else value
    parts = [int(a) / int(b) for a, b in (p.split("/") for p in text.split())]
    return parts[0] + parts[1] / 60 + parts[2] / 3600


def exiv2_position(name, xmp):
    keys = ("Xmp.exif.GPSLatitude", "Xmp.exif.GPSLongitude") if xmp else \
           ("Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLongitude")
    out = run("exiv2", "-PXkv" if xmp else "-PEkv", path(name)).stdout
    values = dict(line.split(None, 1) for line in out.splitlines() if len(line.split(None, 1)) == 2)
    return tuple(exiv2_degrees(values[k]) for k in keys)


def exiftool_position(name):
    got = json.loads(run("exiftool", "-j", "-n", "-GPSLatitude", "-GPSLongitude", path(name)).stdout)[0]
    return got.get("GPSLatitude"), got.get("GPSLongitude")


def check_position(name, target, xmp):
    lat, lon = expected(times[name])
    for reader, (got_lat, got_lon) in (("exiftool", exiftool_position(target)),
                                       ("exiv2", exiv2_position(target, xmp))):
        close = got_lat is not None and abs(got_lat - lat) < 1e-7 and abs(got_lon - lon) < 1e-7
        expect(close, f"{reader} reads {target} at {got_lat}, {got_lon} (expected {lat:.9f}, {lon:.9f})")


# --- EXIF written into the JPEGs, a sidecar for the raw file ------------------------------
jpegs = ("plain.jpg", "offset.jpg", "maker.jpg")
before = {name: (tags(name), warnings(name), outside_exif(name)) for name in jpegs}
raw_before = open(path("raw.tif"), "rb").read()
placed_before = open(path("placed.jpg"), "rb").read()
done = run(geotag, "--write", "exif", "-l", path("walk.log"), *(path(n) for n in jpegs),
           path("raw.tif"), path("placed.jpg"), check=False)
print(done.stdout, end="")
expect(done.returncode == 0, f"ostrel-geotag --write exif: status {done.returncode} {done.stderr}")
for name in jpegs:
    check_position(name, name, False)
    old_tags, old_warnings, old_bytes = before[name]
    new_tags = tags(name)
    changed = {k: (old_tags.get(k), new_tags.get(k)) for k in set(old_tags) | set(new_tags)
               if old_tags.get(k) != new_tags.get(k)}
    expect(not changed, f"{name}: every other tag unchanged {changed or ''}")
    new_warnings = [w for w in warnings(name) if w not in old_warnings]
    expect(not new_warnings, f"{name}: exiftool -validate warns of nothing new {new_warnings or ''}")
    expect(outside_exif(name) == old_bytes, f"{name}: every byte outside the EXIF segment unchanged")
maker = tags("maker.jpg")
expect(maker.get("Canon:OwnerName") == "Ostrel Tester" and maker.get("Canon:CanonFirmwareVersion")
       == "Firmware Version 1.0.0", "maker.jpg: the Canon maker note still reads")
check_position("raw.tif", "raw.tif.xmp", True)
expect(open(path("raw.tif"), "rb").read() == raw_before, "raw.tif: unchanged, its sidecar written")
expect(open(path("placed.jpg"), "rb").read() == placed_before, "placed.jpg: its position left alone")

# --- sidecars: a new one, and one of exiftool's that keeps what it held ----------------------
done = run(geotag, "-l", path("walk.log"), path("side-plain.jpg"), path("side-offset.jpg"), check=False)
expect(done.returncode == 0, f"ostrel-geotag (sidecars): status {done.returncode} {done.stderr}")
for name in ("side-plain.jpg", "side-offset.jpg"):
    check_position(name, name + ".xmp", True)
kept = json.loads(run("exiftool", "-j", "-XMP:Rating", "-XMP:Title", path("side-offset.jpg.xmp")).stdout)[0]
expect(kept.get("Rating") == 4 and kept.get("Title") == "Kept", f"the merged sidecar keeps its tags {kept}")

shutil.rmtree(work)
print(f"photos: {len(failures)} failed" if failures else "photos: all read back")
sys.exit(1 if failures else 0)
