#!/usr/bin/env bash
# Times ostrel-geotag: 1,000 small photos (a dry run and sidecars: time and peak memory, reading
# only the metadata), and the position written into the EXIF of 5 MB JPEGs against cp (and cp
# with a sync, since each photo written reaches the disk before it takes its name). The photos are
# made with PIL, their times set by patching the text of DateTimeOriginal; the log is synthetic,
# a fix every 5 seconds. Nothing is asserted; the figures go to standard output.
#
#   bench/photos.sh OSTREL_GEOTAG [FOLDER] [LARGE_COUNT]
#
# FOLDER (default: a temporary folder, removed at the end) must hold about 6 MB per large photo
# twice over; LARGE_COUNT is the number of 5 MB JPEGs (default 100).
set -euo pipefail
geotag=$(realpath "$1")
work=${2:-$(mktemp -d)}
large=${3:-100}
[ -n "${2:-}" ] || trap 'rm -rf "$work"' EXIT
mkdir -p "$work"
py=/usr/bin/python3

"$py" - "$work" "$large" <<'PY'
import io, os, random, struct, sys
from PIL import Image
work, large = sys.argv[1], int(sys.argv[2])

# The log: from 2007-01-01 01:00:00 UTC a fix every 5 s for 4 hours, walking north-east.
with open(os.path.join(work, "day.log"), "w", newline="") as log:
    log.write("@Sonygps/ver1.0/wgs-84\r\n")
    for k in range(4 * 720 + 1):
        s = 3600 + 5 * k
        lat, lon = 39.0 + k * 0.0007, 45.0 + k * 0.0005
        log.write(f"$GPRMC,{s // 3600:02d}{s // 60 % 60:02d}{s % 60:02d},A,35{lat:09.6f},N,"
                  f"139{lon:09.6f},E,0.0,010107,,,A*\r\n")

def exif(original):
    """A TIFF block: IFD0 (Make) and an EXIF IFD with DateTimeOriginal."""
    make, when = b"Bench\x00", original + b"\x00"
    exif_at = 8 + 2 + 2 * 12 + 4 + len(make)
    out = b"II*\x00" + struct.pack("<I", 8) + struct.pack("<H", 2)
    out += struct.pack("<HHII", 0x010F, 2, len(make), 8 + 2 + 24 + 4)
    out += struct.pack("<HHII", 0x8769, 4, 1, exif_at) + struct.pack("<I", 0) + make
    out += struct.pack("<H", 1) + struct.pack("<HHII", 0x9003, 2, len(when), exif_at + 18)
    out += struct.pack("<I", 0) + when
    return b"Exif\x00\x00" + out

def photo(size, quality, noise):
    img = Image.effect_noise(size, 64).convert("RGB") if noise else Image.new("RGB", size, (120, 90, 60))
    buf = io.BytesIO()
    img.save(buf, "JPEG", quality=quality, exif=exif(b"2007:01:01 10:00:00"))
    return buf.getvalue()

def stamp(k):
    s = 36000 + 60 + 10 * k  # local time (+9), from 10:01:00 every 10 s
    return f"2007:01:01 {s // 3600:02d}:{s // 60 % 60:02d}:{s % 60:02d}".encode()

small = photo((640, 480), 85, False)
os.makedirs(os.path.join(work, "small"), exist_ok=True)
for k in range(1000):
    with open(os.path.join(work, "small", f"IMG_{k:04d}.JPG"), "wb") as f:
        f.write(small.replace(b"2007:01:01 10:00:00", stamp(k), 1))
big = photo((2800, 2000), 95, True)
os.makedirs(os.path.join(work, "large"), exist_ok=True)
for k in range(large):
    with open(os.path.join(work, "large", f"IMG_{k:04d}.JPG"), "wb") as f:
        f.write(big.replace(b"2007:01:01 10:00:00", stamp(k), 1))
print(f"made 1,000 photos of {len(small):,} bytes and {large} of {len(big):,} bytes in {work}")
PY

measure() { # label, command...: wall and processor seconds and peak memory of one run
  local label=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null
  read -r seconds user system kib <"$work/time.txt"
  printf '| %s | %s | %s + %s | %s |\n' "$label" "$seconds" "$user" "$system" "$((kib / 1024)) MiB"
}

sync
echo "| run | wall (s) | processor, user + system (s) | peak memory |"
echo "| --- | ---: | ---: | ---: |"
measure "1,000 photos, dry run (-n)" "$geotag" -n -l "$work/day.log" "$work/small"
measure "1,000 photos, sidecars" "$geotag" -l "$work/day.log" "$work/small"
rm -f "$work"/small/*.xmp
sync
measure "1,000 photos, sidecars, --json" "$geotag" --json -l "$work/day.log" "$work/small"
echo "(sidecars written: $(ls "$work"/small/*.xmp | wc -l))"

bytes=$(du -sb "$work/large" | cut -f1)
mb=$((bytes / 1000000))
cp -r "$work/large" "$work/copy" && rm -rf "$work/copy" && sync # warm the page cache
measure "cp of $large JPEGs ($mb MB)" cp -r "$work/large" "$work/copy"
sync
rm -rf "$work/copy"
sync
measure "cp of $large JPEGs, then sync" sh -c "cp -r '$work/large' '$work/copy' && sync"
rm -rf "$work/copy"
sync
measure "--write exif on $large JPEGs ($mb MB)" "$geotag" --write exif -l "$work/day.log" "$work/large"
