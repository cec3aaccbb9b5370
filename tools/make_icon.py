#!/usr/bin/env python3
"""Draws the window's icon, src/app/ostrel.ico: a track in white across a teal tile, from a start
dot to a red pin. Sizes 16 to 48 pixels are stored as 32-bit bitmaps, 256 as PNG, which is what
Windows Explorer and the taskbar look for. Python's standard library only.

With --hicolor, it draws the same icon for the Linux desktop instead: PNGs of every size in
HICOLOR_SIZES and an SVG of the same shapes, laid out as the hicolor icon theme wants them
(DIR/<size>x<size>/apps/<id>.png, DIR/scalable/apps/<id>.svg).

    python3 tools/make_icon.py [OUTPUT]
    python3 tools/make_icon.py --hicolor [DIR]     (default data/icons/hicolor)
"""

import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 24, 32, 48, 256)
HICOLOR_SIZES = (16, 24, 32, 48, 64, 128, 256)
DESKTOP_ID = "io.github.ostrel.LogConverter"
SAMPLES = 4  # samples per pixel along each axis (anti-aliasing)

TILE_TOP = (38, 150, 138)
TILE_BOTTOM = (18, 92, 128)
WHITE = (255, 255, 255)
PIN = (220, 48, 40)
TRACK = [(0.20, 0.80), (0.34, 0.60), (0.52, 0.68), (0.64, 0.44), (0.74, 0.40)]
PIN_CENTRE = (0.74, 0.30)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


def in_rounded_square(x, y, margin, radius):
    lo, hi = margin, 1 - margin
    if not (lo <= x <= hi and lo <= y <= hi):
        return False
    cx = min(max(x, lo + radius), hi - radius)
    cy = min(max(y, lo + radius), hi - radius)
    return math.hypot(x - cx, y - cy) <= radius


def in_pin(x, y):
    # A round head above a point that touches the track's end.
    cx, cy = PIN_CENTRE
    r = 0.12
    if math.hypot(x - cx, y - cy) <= r:
        return True
    tip = TRACK[-1][1] + 0.12
    if cy <= y <= tip:
        half = r * (tip - y) / (tip - cy)
        return abs(x - cx) <= half
    return False


def colour_at(x, y, size):
    """Colour and opacity (0..1) of one sample in unit coordinates."""
    if not in_rounded_square(x, y, 0.04, 0.18):
        return (0, 0, 0), 0.0
    # The pin's white eye, then the pin, then the track over the tile.
    if math.hypot(x - PIN_CENTRE[0], y - PIN_CENTRE[1]) <= 0.045:
        return WHITE, 1.0
    if in_pin(x, y):
        return PIN, 1.0
    width = max(0.075, 1.6 / size)  # at least 1.6 pixels wide at the small sizes
    if any(segment_distance(x, y, *TRACK[i], *TRACK[i + 1]) <= width / 2
           for i in range(len(TRACK) - 1)):
        return WHITE, 1.0
    if math.hypot(x - TRACK[0][0], y - TRACK[0][1]) <= width * 0.95:
        return WHITE, 1.0
    t = y
    return tuple(round(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM)), 1.0


def render(size):
    """Rows of (r, g, b, a) from the top, straight (not premultiplied) alpha."""
    rows = []
    n = SAMPLES * SAMPLES
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0.0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    (cr, cg, cb), ca = colour_at(x, y, size)
                    r += cr * ca
                    g += cg * ca
                    b += cb * ca
                    a += ca
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
        rows.append(row)
    return rows


def bitmap_entry(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png_entry(rows):
    size = len(rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def hex_colour(rgb):
    return "#%02x%02x%02x" % rgb


def svg():
    """The icon as SVG: the shapes that colour_at() samples, on a 256-unit canvas."""
    u = 256

    def p(v):
        return f"{v * u:g}"

    width = 0.075
    cx, cy = PIN_CENTRE
    r = 0.12
    tip = TRACK[-1][1] + 0.12
    track = " ".join(f"{p(x)},{p(y)}" for x, y in TRACK)
    return f"""<?xml version="1.0" encoding="UTF-8"?>
<!-- Ostrel Log Converter: a track from a start dot to a pin. Drawn by tools/make_icon.py. -->
<svg xmlns="http://www.w3.org/2000/svg" width="{u}" height="{u}" viewBox="0 0 {u} {u}">
  <defs>
    <linearGradient id="tile" x1="0" y1="0" x2="0" y2="{u}" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="{hex_colour(TILE_TOP)}"/>
      <stop offset="1" stop-color="{hex_colour(TILE_BOTTOM)}"/>
    </linearGradient>
  </defs>
  <rect x="{p(0.04)}" y="{p(0.04)}" width="{p(0.92)}" height="{p(0.92)}" rx="{p(0.18)}" fill="url(#tile)"/>
  <polyline points="{track}" fill="none" stroke="#ffffff" stroke-width="{p(width)}" stroke-linecap="round" stroke-linejoin="round"/>
  <circle cx="{p(TRACK[0][0])}" cy="{p(TRACK[0][1])}" r="{p(width * 0.95)}" fill="#ffffff"/>
  <path d="M {p(cx - r)},{p(cy)} L {p(cx)},{p(tip)} L {p(cx + r)},{p(cy)} Z" fill="{hex_colour(PIN)}"/>
  <circle cx="{p(cx)}" cy="{p(cy)}" r="{p(r)}" fill="{hex_colour(PIN)}"/>
  <circle cx="{p(cx)}" cy="{p(cy)}" r="{p(0.045)}" fill="#ffffff"/>
</svg>
"""


def write_hicolor(folder):
    for size in HICOLOR_SIZES:
        path = folder / f"{size}x{size}" / "apps" / f"{DESKTOP_ID}.png"
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(png_entry(render(size)))
    path = folder / "scalable" / "apps" / f"{DESKTOP_ID}.svg"
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(svg(), encoding="utf-8")
    print(f"{folder}: {', '.join(str(s) for s in HICOLOR_SIZES)} pixels and scalable")


def main():
    if len(sys.argv) > 1 and sys.argv[1] == "--hicolor":
        write_hicolor(Path(sys.argv[2]) if len(sys.argv) > 2 else (
            Path(__file__).resolve().parent.parent / "data" / "icons" / "hicolor"))
        return
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else (
        Path(__file__).resolve().parent.parent / "src" / "app" / "ostrel.ico")
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png_entry(rows) if size >= 256 else bitmap_entry(rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for size, data in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out.write_bytes(directory + entries + b"".join(data for _, data in images))
    print(f"{out}: {', '.join(str(s) for s in SIZES)} pixels")


if __name__ == "__main__":
    main()
