"""Repaints of the chart of chart_repaint_bench with matplotlib (Agg), timed.

    python3 mpl_chart.py WIDTH HEIGHT REPEATS DATA [OUT.png]
    python3 mpl_chart.py --grd DATA.grd OUT.emf|svg|pdf|png

The second form draws a distribution data file of coordinate records as a three-view
(map, west-east and south-north profiles) of 1526 x 1628 pixels, every record as a
7-pixel marker of its category's shape in each view, and saves it in the format OUT names
(an EMF request writes SVG: matplotlib has no metafile writer).

DATA is the file chart_repaint_bench wrote: 200 000 line points (NaN pairs break the line)
and then six series of 64 000 points, as little-endian doubles x, y. Each repaint is one
full draw of the figure's canvas, as a window's repaint is. Prints the median and the
fastest repaint in seconds.
"""
import statistics
import sys
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

MARKERS = ["o", "^", "v", "+", "x", "*"]


def three_view(grd, out):
    categories = []
    with open(grd, encoding="ascii", errors="replace") as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            if not (line[0].isdigit() or line[0] == " "):
                categories.append([])
                continue
            lat, lon, alt = (float(v) for v in line.split(",")[:3])
            categories[-1].append((lat, lon, alt))
    dpi = 100
    fig = plt.figure(figsize=(1526 / dpi, 1628 / dpi), dpi=dpi)
    band, width = 326 / 1526, 1200 / 1526
    map_ax = fig.add_axes((band, 0.0, width, 1302 / 1628))
    we_ax = fig.add_axes((band, 1302 / 1628, width, 326 / 1628))
    sn_ax = fig.add_axes((0.0, 0.0, band, 1302 / 1628))
    map_ax.set_xlim(128, 146)
    map_ax.set_ylim(30, 46)
    we_ax.set_xlim(128, 146)
    we_ax.set_ylim(0, 3800)
    sn_ax.set_xlim(3800, 0)
    sn_ax.set_ylim(30, 46)
    size = 7 * 72 / dpi
    for points, marker in zip(categories, MARKERS):
        a = np.array(points)
        style = dict(linestyle="none", marker=marker, markersize=size, markerfacecolor="blue",
                     markeredgecolor="black", markeredgewidth=72 / dpi, antialiased=False)
        map_ax.plot(a[:, 1], a[:, 0], **style)
        we_ax.plot(a[:, 1], a[:, 2], **style)
        sn_ax.plot(a[:, 2], a[:, 0], **style)
    if out.endswith(".emf"):
        out = out[:-4] + ".svg"
    fig.savefig(out, dpi=dpi)


if len(sys.argv) == 4 and sys.argv[1] == "--grd":
    three_view(sys.argv[2], sys.argv[3])
    sys.exit(0)

width, height, repeats = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
xy = np.fromfile(sys.argv[4], dtype="<f8").reshape(-1, 2)
line, points = xy[:200000], xy[200000:].reshape(6, 64000, 2)

dpi = 100
fig = plt.figure(figsize=(width / dpi, height / dpi), dpi=dpi)
ax = fig.add_axes((0.05, 0.04, 0.91, 0.92))
ax.set_xlim(128, 146)
ax.set_ylim(30, 46)
ax.set_xticks(range(128, 147))
ax.set_yticks(range(30, 47))
ax.plot(line[:, 0], line[:, 1], color="black", linewidth=1, antialiased=False)
# The chart's markers: 7 pixels across, blue fill, black outline.
size_points = 7 * 72 / dpi
for series, marker in zip(points, ["s", "o", "^", "v", "D", "+"]):
    ax.plot(series[:, 0], series[:, 1], linestyle="none", marker=marker,
            markersize=size_points, markerfacecolor="blue", markeredgecolor="black",
            markeredgewidth=72 / dpi, antialiased=False)

seconds = []
for _ in range(repeats):
    start = time.perf_counter()
    fig.canvas.draw()
    seconds.append(time.perf_counter() - start)
if len(sys.argv) > 5:
    fig.savefig(sys.argv[5], dpi=dpi)
print(f"median={statistics.median(seconds):.4f} fastest={min(seconds):.4f}")
