#!/usr/bin/env python3
"""Writes distribution data files of made-up records on Japan's land, the same on every run.

    make_records.py --map MAP.mdt --count N [--seed S] OUT.grd...

Each OUT gets a header line "Bench" and N records "lat,lon,alt" (CR LF), drawn one after
another from a single stream, so a list of outputs is a deterministic split of one sample.
Positions are uniform over the land of the map's *H-MAP rings that belong to Japan; altitudes
are uniform over 0-3000 m, inside the profiles' range so that every record shows in all views.
"""

import argparse
import random

import numpy as np
from mapfile import read_sections

# A land mask cell of 0.005 degrees is about 500 m: coarse enough to build in a second,
# fine enough that a jittered point rarely leaves the coast.
CELL = 0.005
WEST, EAST, SOUTH, NORTH = 122.0, 149.0, 24.0, 46.0


def read_rings(path):
    return [ring for ring in read_sections(path).get("*H-MAP", []) if len(ring) >= 3]


def is_japanese(ring):
    """Keeps the rings of Japan out of the neighbours' land the map also holds."""
    lon, lat = ring[:, 0], ring[:, 1]
    # The continent and Sakhalin are clipped along the map's edge; Japan never reaches it.
    if lon.min() <= WEST or lon.max() >= EAST or lat.max() >= NORTH:
        return False
    x, y = lon.mean(), lat.mean()
    tsushima = 129.1 < x < 129.6 and 34.0 < y < 34.8
    korea = (x < 127.2 and y > 32.9) or (x < 131.0 and y > 34.3 and not tsushima)
    russia_or_korea_north = y > 38.0 and x < 138.0
    return not (korea or russia_or_korea_north)


def land_mask(rings):
    """Even-odd fill of the rings on the cell grid, so lakes stay holes."""
    cols = int(round((EAST - WEST) / CELL))
    rows = int(round((NORTH - SOUTH) / CELL))
    toggles = np.zeros((rows, cols + 1), dtype=np.int32)
    for ring in rings:
        x1, y1 = ring[:, 0], ring[:, 1]
        x2, y2 = np.roll(x1, -1), np.roll(y1, -1)
        lo, hi = np.minimum(y1, y2), np.maximum(y1, y2)
        # Rows whose centre line the edge crosses: lo <= centre < hi.
        first = np.ceil((lo - SOUTH) / CELL - 0.5).astype(np.int64)
        last = np.ceil((hi - SOUTH) / CELL - 0.5).astype(np.int64)
        spans = last - first
        keep = spans > 0
        if not keep.any():
            continue
        x1, y1, x2, y2 = x1[keep], y1[keep], x2[keep], y2[keep]
        first, spans = first[keep], spans[keep]
        edge = np.repeat(np.arange(len(spans)), spans)
        offset = np.arange(spans.sum()) - np.repeat(np.cumsum(spans) - spans, spans)
        row = first[edge] + offset
        yc = SOUTH + (row + 0.5) * CELL
        t = (yc - y1[edge]) / (y2[edge] - y1[edge])
        xc = x1[edge] + t * (x2[edge] - x1[edge])
        # The crossing toggles every cell whose centre lies east of it.
        col = np.clip(np.ceil((xc - WEST) / CELL - 0.5).astype(np.int64), 0, cols)
        np.add.at(toggles, (row, col), 1)
    return (np.cumsum(toggles[:, :cols], axis=1) & 1).astype(bool)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--map", required=True, help="map data file (.mdt)")
    parser.add_argument("--count", type=int, required=True, help="records per file")
    parser.add_argument("--seed", type=int, default=20240601)
    parser.add_argument("outputs", nargs="+", metavar="OUT.grd")
    args = parser.parse_args()

    mask = land_mask([r for r in read_rings(args.map) if is_japanese(r)])
    cells = np.flatnonzero(mask)
    cols = mask.shape[1]
    # Python's own generator: random() gives the same stream on every version and machine.
    rng = random.Random(args.seed)
    n = len(cells)
    for out in args.outputs:
        lines = ["Bench"]
        for _ in range(args.count):
            cell = int(cells[int(rng.random() * n)])
            row, col = divmod(cell, cols)
            lat = SOUTH + (row + rng.random()) * CELL
            lon = WEST + (col + rng.random()) * CELL
            alt = int(rng.random() * 3001)
            lines.append(f"{lat:.5f},{lon:.5f},{alt}")
        with open(out, "w", encoding="ascii", newline="") as f:
            f.write("\r\n".join(lines) + "\r\n")


if __name__ == "__main__":
    main()
