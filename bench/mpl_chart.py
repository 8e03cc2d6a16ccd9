"""Repaints of the chart of chart_repaint_bench with matplotlib (Agg), timed.

    python3 mpl_chart.py WIDTH HEIGHT REPEATS DATA [OUT.png]

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
