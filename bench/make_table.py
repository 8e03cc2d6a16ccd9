#!/usr/bin/env python3
"""Writes a made-up occurrence table shaped like a GBIF simple download, the same on every run.

    make_table.py --map MAP.mdt --rows N [--seed S] OUT.txt

Tab-separated, UTF-8, a heading and N rows of about 100 bytes: gbifID, scientificName (50
taxa), decimalLatitude, decimalLongitude (uniform on the land of Japan's rings in the map,
five decimals), coordinateUncertaintyInMeters, elevation, countryCode, basisOfRecord, year and
eventDate. One row in a hundred carries something the import refuses or notes (a foreign
country, a fossil, no coordinates, a no-data elevation), as real downloads do.
"""

import argparse
import random

import numpy as np
from make_records import CELL, SOUTH, WEST, is_japanese, land_mask, read_rings

GENERA = ["Fagus", "Quercus", "Acer", "Betula", "Pinus", "Abies", "Carex", "Viola", "Primula",
          "Rhododendron"]
EPITHETS = ["crenata", "crispula", "palmatum", "ermanii", "pumila"]
AUTHORS = ["Blume", "Thunb.", "Siebold & Zucc.", "Maxim.", "(Pall.) Regel"]
BASIS = ["HUMAN_OBSERVATION", "PRESERVED_SPECIMEN", "HUMAN_OBSERVATION", "MACHINE_OBSERVATION"]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--map", required=True, help="map data file (.mdt)")
    parser.add_argument("--rows", type=int, required=True)
    parser.add_argument("--seed", type=int, default=20240601)
    parser.add_argument("output", metavar="OUT.txt")
    args = parser.parse_args()

    mask = land_mask([r for r in read_rings(args.map) if is_japanese(r)])
    cells = np.flatnonzero(mask)
    cols = mask.shape[1]
    rng = random.Random(args.seed)
    names = [f"{g} {e} {a}" for g in GENERA for e, a in zip(EPITHETS, AUTHORS)]
    n = len(cells)
    heading = ("gbifID\tscientificName\tdecimalLatitude\tdecimalLongitude\t"
               "coordinateUncertaintyInMeters\televation\tcountryCode\tbasisOfRecord\tyear\t"
               "eventDate\n")
    with open(args.output, "w", encoding="utf-8", newline="") as f:
        f.write(heading)
        rows = []
        for i in range(args.rows):
            cell = int(cells[int(rng.random() * n)])
            row, col = divmod(cell, cols)
            lat = SOUTH + (row + rng.random()) * CELL
            lon = WEST + (col + rng.random()) * CELL
            year = 1950 + int(rng.random() * 75)
            odd = rng.random() < 0.01
            kind = int(rng.random() * 4) if odd else -1
            country = "KR" if kind == 0 else "JP"
            basis = "FOSSIL_SPECIMEN" if kind == 1 else BASIS[i % len(BASIS)]
            position = ("", "") if kind == 2 else (f"{lat:.5f}", f"{lon:.5f}")
            elevation = "-9999" if kind == 3 else str(int(rng.random() * 2500))
            rows.append(f"{4000000000 + i}\t{names[i % len(names)]}\t{position[0]}\t{position[1]}\t"
                        f"{10 + int(rng.random() * 90)}\t{elevation}\t{country}\t{basis}\t{year}\t"
                        f"{year}-{1 + i % 12:02d}-{1 + i % 28:02d}\n")
            if len(rows) == 10000:
                f.write("".join(rows))
                rows = []
        f.write("".join(rows))


if __name__ == "__main__":
    main()
