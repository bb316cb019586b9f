#!/usr/bin/python3
"""Generates the map resources from ETOPO5 elevations (Debian package ferret-datasets).

Writes, into resources/map/ (or the directory given):
  EARTH.bmp                   480 x 240 colour relief, 8 bits per pixel, 192-colour
                              palette, bottom-up; equirectangular, column 0 at 180 W,
                              row 0 at 90 N. Oceans in blues by depth, land from greens
                              through yellows and reds to white by elevation.
  OutlineTable640x320.inc     the 640 x 320 one-bit coastline table (25,600 bytes, 320
                              rows of 80; least significant bit = leftmost pixel; a set
                              bit is a coastline pixel) as C++ initialiser text.
  EARTH2048.png               the same relief at 2048 x 1024 for large maps: an indexed
                              PNG with the same 192-colour palette (ETOPO5's 5-minute
                              grid has 4320 x 2160 cells, so every pixel has its own
                              data).
  OUTLINE2048.png             the coastline at 2048 x 1024, a one-bit PNG (0 = coast,
                              1 = paper), for outline maps larger than the table.

Usage: /usr/bin/python3 tools/make-map-resources.py [--etopo FILE] [OUTDIR]
The build uses the committed output; only this script needs the elevation data.
"""
import argparse
import os
import struct
import sys
import zlib

import numpy as np
from scipy.io import netcdf_file

DEFAULT_ETOPO = "/usr/share/ferret-vis/data/etopo5.cdf"

OCEAN_COLOURS = 64
LAND_COLOURS = 128

# Elevation (m) -> colour stops for land, depth (m, positive) -> colour stops for sea.
LAND_STOPS = [
    (0, (34, 120, 50)),
    (200, (80, 160, 60)),
    (600, (170, 200, 90)),
    (1000, (230, 220, 110)),
    (1600, (225, 170, 80)),
    (2400, (190, 100, 60)),
    (3400, (150, 70, 60)),
    (4400, (205, 185, 180)),
    (5500, (255, 255, 255)),
]
SEA_STOPS = [
    (0, (150, 205, 245)),
    (200, (110, 170, 230)),
    (1000, (60, 120, 210)),
    (3000, (30, 75, 170)),
    (5000, (15, 40, 120)),
    (7500, (5, 15, 70)),
]


def ramp(stops, value):
    """Colour at value on a piecewise linear ramp."""
    if value <= stops[0][0]:
        return stops[0][1]
    for (v0, c0), (v1, c1) in zip(stops, stops[1:]):
        if value <= v1:
            f = (value - v0) / float(v1 - v0)
            return tuple(int(round(a + (b - a) * f)) for a, b in zip(c0, c1))
    return stops[-1][1]


def palette():
    """192 entries: 0..63 sea by depth (shallow first), 64..191 land by elevation."""
    pal = []
    sea_max, land_max = SEA_STOPS[-1][0], LAND_STOPS[-1][0]
    for i in range(OCEAN_COLOURS):  # square-root spacing: more shades in shallow water
        pal.append(ramp(SEA_STOPS, sea_max * (i / (OCEAN_COLOURS - 1)) ** 2))
    for i in range(LAND_COLOURS):
        pal.append(ramp(LAND_STOPS, land_max * (i / (LAND_COLOURS - 1)) ** 1.6))
    return pal


def colour_index(elev, land):
    sea_max, land_max = SEA_STOPS[-1][0], LAND_STOPS[-1][0]
    sea = np.sqrt(np.clip(-elev, 0, sea_max) / sea_max) * (OCEAN_COLOURS - 1)
    hill = (np.clip(elev, 0, land_max) / land_max) ** (1 / 1.6) * (LAND_COLOURS - 1)
    return np.where(land, OCEAN_COLOURS + np.rint(hill), np.rint(sea)).astype(np.uint8)


def load_grid(path):
    """Elevations as rows from 90 N southwards and columns from 180 W eastwards."""
    f = netcdf_file(path, "r", mmap=False)
    lon = f.variables["ETOPO05_X"].data.astype(float)
    lat = f.variables["ETOPO05_Y"].data.astype(float)
    z = np.array(f.variables["ROSE"].data, dtype=np.float32)
    f.close()
    if lat[0] < lat[-1]:
        z = z[::-1, :]
    z = z[: z.shape[0] - (z.shape[0] % 2)]  # the grid repeats the pole: drop the last row
    first = int(np.argmin(np.abs(lon - 180.0)))
    return np.concatenate([z[:, first:], z[:, :first]], axis=1)


def block_bounds(cells, pixels):
    edges = np.floor(np.arange(pixels + 1) * cells / pixels).astype(int)
    return [(edges[i], max(edges[i + 1], edges[i] + 1)) for i in range(pixels)]


def relief(z, width, height):
    rows, cols = block_bounds(z.shape[0], height), block_bounds(z.shape[1], width)
    out = np.zeros((height, width), dtype=np.uint8)
    for r, (r0, r1) in enumerate(rows):
        band = z[r0:r1]
        for c, (c0, c1) in enumerate(cols):
            cell = band[:, c0:c1]
            land = cell > 0
            if land.mean() >= 0.5:
                # The upper quartile keeps ranges visible that an average would flatten.
                e = float(np.percentile(cell[land], 75))
                out[r, c] = colour_index(np.array(e), True)
            else:
                out[r, c] = colour_index(np.array(float(cell[~land].mean())), False)
    return out


def block_sums(values, width, height):
    """Sums of values over the cell block of every pixel, through an integral image
    (vectorised: the per-pixel loop above is too slow for a 2048-pixel-wide map)."""
    rows = np.floor(np.arange(height + 1) * values.shape[0] / height).astype(int)
    cols = np.floor(np.arange(width + 1) * values.shape[1] / width).astype(int)
    integral = np.zeros((values.shape[0] + 1, values.shape[1] + 1), dtype=np.float64)
    integral[1:, 1:] = np.cumsum(np.cumsum(values, axis=0, dtype=np.float64), axis=1)
    r0, r1 = rows[:-1], np.maximum(rows[1:], rows[:-1] + 1)
    c0, c1 = cols[:-1], np.maximum(cols[1:], cols[:-1] + 1)
    return (integral[np.ix_(r1, c1)] - integral[np.ix_(r0, c1)] - integral[np.ix_(r1, c0)]
            + integral[np.ix_(r0, c0)])


def relief_fine(z, width, height):
    """The relief for a map whose pixels cover a few grid cells each: land where at
    least half the cells are land, coloured by the mean of its land cells (blocks
    of two or three cells keep their ranges without the quartile above)."""
    land = (z > 0).astype(np.float64)
    count = block_sums(np.ones_like(land), width, height)
    land_count = block_sums(land, width, height)
    land_sum = block_sums(np.where(z > 0, z, 0.0), width, height)
    sea_sum = block_sums(np.where(z > 0, 0.0, z), width, height)
    is_land = land_count / count >= 0.5
    elev = np.where(is_land, land_sum / np.maximum(land_count, 1), sea_sum / np.maximum(count - land_count, 1))
    return colour_index(elev, is_land)


def land_mask_fine(z, width, height):
    land = (z > 0).astype(np.float64)
    return block_sums(land, width, height) / block_sums(np.ones_like(land), width, height) >= 0.5


def png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))


def write_png(path, width, height, bit_depth, colour_type, rows, extra=b""):
    raw = b"".join(b"\0" + r for r in rows)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n"
                + png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, bit_depth, colour_type, 0, 0, 0))
                + extra + png_chunk(b"IDAT", zlib.compress(raw, 9)) + png_chunk(b"IEND", b""))


def write_indexed_png(path, indices, pal):
    height, width = indices.shape
    plte = png_chunk(b"PLTE", b"".join(struct.pack("BBB", *c) for c in pal))
    write_png(path, width, height, 8, 3, [row.tobytes() for row in indices], plte)


def write_outline_png(path, coast):
    height, width = coast.shape
    rows = [np.packbits(~row).tobytes() for row in coast]  # most significant bit first; 1 = paper
    write_png(path, width, height, 1, 0, rows)


def land_mask(z, width, height):
    rows, cols = block_bounds(z.shape[0], height), block_bounds(z.shape[1], width)
    m = np.zeros((height, width), dtype=bool)
    land = z > 0
    for r, (r0, r1) in enumerate(rows):
        band = land[r0:r1]
        for c, (c0, c1) in enumerate(cols):
            m[r, c] = band[:, c0:c1].mean() >= 0.5
    return m


def coastline(land):
    """Land pixels with a sea pixel among their four neighbours (wrapping east-west)."""
    sea = ~land
    near_sea = np.roll(sea, 1, axis=1) | np.roll(sea, -1, axis=1)
    near_sea[1:] |= sea[:-1]
    near_sea[:-1] |= sea[1:]
    return land & near_sea


def write_bmp(path, indices, pal):
    height, width = indices.shape
    stride = (width + 3) & ~3
    pixels = bytearray()
    for row in indices[::-1]:  # bottom-up
        pixels += row.tobytes() + b"\0" * (stride - width)
    palette_bytes = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    offset = 14 + 40 + len(palette_bytes)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, len(pixels), 3780, 3780, len(pal), len(pal))
    with open(path, "wb") as f:
        f.write(header + info + palette_bytes + pixels)


def write_outline(path, coast):
    height, width = coast.shape
    out = []
    for row in coast:
        bits = np.packbits(row.astype(np.uint8), bitorder="little")
        out.append(", ".join("0x%02X" % b for b in bits))
    with open(path, "w") as f:
        f.write("// Generated by tools/make-map-resources.py from ETOPO5: %d x %d coastline,\n" % (width, height))
        f.write("// one row of %d bytes per line, least significant bit = leftmost pixel.\n" % (width // 8))
        f.write(",\n".join(out) + "\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--etopo", default=DEFAULT_ETOPO)
    ap.add_argument("outdir", nargs="?", default=os.path.join(os.path.dirname(__file__), "..", "resources", "map"))
    args = ap.parse_args()
    if not os.path.exists(args.etopo):
        sys.exit("no elevation grid at %s (Debian package ferret-datasets)" % args.etopo)
    z = load_grid(args.etopo)
    os.makedirs(args.outdir, exist_ok=True)
    write_bmp(os.path.join(args.outdir, "EARTH.bmp"), relief(z, 480, 240), palette())
    write_outline(os.path.join(args.outdir, "OutlineTable640x320.inc"), coastline(land_mask(z, 640, 320)))
    write_indexed_png(os.path.join(args.outdir, "EARTH2048.png"), relief_fine(z, 2048, 1024), palette())
    write_outline_png(os.path.join(args.outdir, "OUTLINE2048.png"), coastline(land_mask_fine(z, 2048, 1024)))
    print("wrote EARTH.bmp, OutlineTable640x320.inc, EARTH2048.png and OUTLINE2048.png to",
          os.path.abspath(args.outdir))


if __name__ == "__main__":
    main()
