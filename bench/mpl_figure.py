#!/usr/bin/env python3
"""Draws with matplotlib the figure Tarvo_L exports, for timing the two side by side.

    mpl_figure.py DATA.grd MAP.mdt OUT.png WIDTH_PX HEIGHT_PX

The coastlines (*H-MAP) and the profile outlines (*WE-PROF, *SN-PROF) come from the same
map file as Tarvo_L's, projected with the same Lambert conic; every record of DATA.grd
("lat,lon,alt" lines after a header) is a circle of Tarvo_L's pixel size in the map and in
both profiles, on a figure of WIDTH_PX x HEIGHT_PX pixels with Tarvo_L's layout fractions.
"""

import math
import sys
import warnings

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402
from matplotlib.collections import LineCollection, PolyCollection  # noqa: E402
from mapfile import read_sections  # noqa: E402

WEST, EAST, SOUTH, NORTH, CENTRAL = 122.0, 149.0, 24.0, 46.0, 135.0
ALT_MAX = 3800.0
DPI = 100
LAND = "#fffad9"  # Tarvo_L's default land colour
SEA = "#dbfaff"  # and ocean colour, which is also the sheet's background
GRID = "#00ffff"
# Tarvo_L's sizes are pixels; at 100 dpi one pixel is 0.72 point.
PX = 72.0 / DPI
MARKER = 8 * PX
LINE = 1 * PX


class Lambert:
    """Lambert conformal conic on the sphere, standard parallels at the map's south and
    north edges, origin at the south edge on the central meridian."""

    def __init__(self):
        p1, p2 = math.radians(SOUTH), math.radians(NORTH)

        def t(p):
            return math.tan(math.pi / 4 + p / 2)

        self.n = math.log(math.cos(p1) / math.cos(p2)) / math.log(t(p2) / t(p1))
        self.f = math.cos(p1) * t(p1) ** self.n / self.n
        self.rho0 = self.f / t(p1) ** self.n

    def __call__(self, lon, lat):
        rho = self.f / np.tan(np.pi / 4 + np.radians(lat) / 2) ** self.n
        theta = self.n * np.radians(np.asarray(lon) - CENTRAL)
        return rho * np.sin(theta), self.rho0 - rho * np.cos(theta)


def main():
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    data, map_path, out = sys.argv[1:4]
    wpx, hpx = int(sys.argv[4]), int(sys.argv[5])

    with warnings.catch_warnings():
        # A file of no records is one of the cases timed, not a mistake.
        warnings.simplefilter("ignore", UserWarning)
        records = np.loadtxt(data, delimiter=",", skiprows=1, ndmin=2).reshape(-1, 3)
    lat, lon, alt = records[:, 0], records[:, 1], records[:, 2]
    sections = read_sections(map_path)
    proj = Lambert()

    # The region's projected box: west and east corners on the south parallel, the top
    # of the north parallel's arc on the central meridian.
    edge_lon = np.linspace(WEST, EAST, 271)
    bx, by = proj(np.concatenate([edge_lon, [WEST, EAST]]), np.r_[[SOUTH] * 271, NORTH, NORTH])
    xmin, xmax, ymin, ymax = bx.min(), bx.max(), by.min(), by.max()

    fig = plt.figure(figsize=(wpx / DPI, hpx / DPI), dpi=DPI, facecolor=SEA)
    fig.text(0.5, 1 - 0.04 * wpx / hpx, "Bench", ha="center", va="center", weight="bold")

    map_w = 0.92
    map_h = map_w * wpx * (ymax - ymin) / (xmax - xmin) / hpx
    ax = fig.add_axes([0.04, 0.04 * wpx / hpx, map_w, map_h])
    ax.set_xlim(xmin, xmax)
    ax.set_ylim(ymin, ymax)
    ax.set_axis_off()
    outline_lon = np.concatenate([edge_lon, [EAST] * 45, edge_lon[::-1], [WEST] * 45])
    outline_lat = np.concatenate(
        [[SOUTH] * 271, np.linspace(SOUTH, NORTH, 45), [NORTH] * 271, np.linspace(NORTH, SOUTH, 45)]
    )
    ax.fill(*proj(outline_lon, outline_lat), facecolor=SEA, edgecolor="black", linewidth=LINE)
    rings = [np.column_stack(proj(r[:, 0], r[:, 1])) for r in sections.get("*H-MAP", [])]
    ax.add_collection(PolyCollection(rings, facecolors=LAND, edgecolors="black", linewidths=LINE))
    meridian_lat = np.linspace(SOUTH, NORTH, 45)
    grid = [np.column_stack(proj(np.full(45, g), meridian_lat)) for g in range(125, 149, 5)]
    grid += [np.column_stack(proj(edge_lon, np.full(271, g))) for g in range(25, 46, 5)]
    ax.add_collection(LineCollection(grid, colors=GRID, linewidths=LINE))
    px, py = proj(lon, lat)
    ax.plot(px, py, "o", ms=MARKER, mfc="magenta", mec="black", mew=LINE, ls="none")

    for name, base, x, lo, hi in (
        ("*WE-PROF", 0.234, lon, WEST, EAST),
        ("*SN-PROF", 0.434, lat, SOUTH, NORTH),
    ):
        pax = fig.add_axes([0.14, 1 - base * wpx / hpx, 0.80, 0.16 * wpx / hpx])
        pax.set_facecolor(SEA)
        pax.set_xlim(lo, hi)
        pax.set_ylim(0, ALT_MAX)
        pax.set_xticks(np.arange(math.ceil(lo / 5) * 5, hi + 1e-9, 5))
        pax.set_yticks(np.arange(0, ALT_MAX, 1000))
        pax.tick_params(labelsize=6)
        pax.grid(color=GRID, linewidth=LINE)
        for side in ("top", "right"):
            pax.spines[side].set_visible(False)
        for outline in sections.get(name, []):
            pax.fill(*outline.T, facecolor=LAND, edgecolor="black", linewidth=LINE)
        pax.plot(x, alt, "o", ms=MARKER, mfc="magenta", mec="black", mew=LINE, ls="none")

    fig.savefig(out, dpi=DPI, facecolor=SEA)


if __name__ == "__main__":
    main()
