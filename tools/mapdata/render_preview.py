#!/usr/bin/python3
"""Preview of a map data file, for eyeballing a regenerated file.

Writes two PNGs:
  *-sheet.png   the three-view sheet the way the conic program paints it:
                land colour everywhere, the lines, then ocean flood fills from
                pixel (5, 5) and the three fixed seeds (Lambert conformal
                conic, 122-149 E, 24-46 N);
  *-lonlat.png  the horizontal map in plain longitude/latitude, boundaries in
                red, and both profiles below it, the way the chart program
                draws its series;
and, with --zoom, close-ups in longitude/latitude with the seeds marked.
Needs python3-numpy and ImageMagick's convert.
"""

import argparse
import math
import os
import subprocess
import tempfile

import numpy as np

LAND = (255, 250, 217)     # 14285311 as RGB
OCEAN = (219, 250, 255)    # 16775899 as RGB
BLACK = (0, 0, 0)
GREY = (128, 128, 128)
SEEDS = [(35.3454, 136.1597), (34.4029, 134.5324), (32.2291, 130.3061)]


def read_mdt(path):
    sections = {}
    cur = None
    with open(path, "rb") as f:
        for raw in f:
            line = raw.rstrip(b"\r\n").decode("ascii", "replace")
            if not line or line.startswith(";"):
                continue
            if line.startswith("*"):
                cur = line
                sections.setdefault(cur, [[]])
                continue
            if cur is None:
                continue
            a, b = line.split(",", 1)
            x, y = float(a), float(b)
            if x == 0:
                sections[cur].append([])
            else:
                sections[cur][-1].append((x, y))
    return {k: [r for r in v if r] for k, v in sections.items()}


class Canvas:
    def __init__(self, w, h, colour):
        self.img = np.empty((h, w, 3), dtype=np.uint8)
        self.img[:, :] = colour
        self.w, self.h = w, h

    def line(self, x0, y0, x1, y1, colour):
        x0, y0, x1, y1 = int(round(x0)), int(round(y0)), int(round(x1)), int(round(y1))
        n = max(abs(x1 - x0), abs(y1 - y0))
        if n == 0:
            xs, ys = np.array([x0]), np.array([y0])
        else:
            t = np.arange(n + 1) / n
            xs = np.rint(x0 + (x1 - x0) * t).astype(int)
            ys = np.rint(y0 + (y1 - y0) * t).astype(int)
        ok = (xs >= 0) & (xs < self.w) & (ys >= 0) & (ys < self.h)
        self.img[ys[ok], xs[ok]] = colour

    def polyline(self, pts, colour):
        for (a, b), (c, d) in zip(pts, pts[1:]):
            self.line(a, b, c, d, colour)

    def save(self, path, fills=()):
        with tempfile.TemporaryDirectory() as d:
            ppm = os.path.join(d, "a.ppm")
            with open(ppm, "wb") as f:
                f.write(b"P6 %d %d 255\n" % (self.w, self.h))
                f.write(self.img.tobytes())
            cmd = ["convert", ppm]
            for x, y, colour in fills:
                cmd += ["-fill", "rgb(%d,%d,%d)" % colour, "-draw", "color %d,%d floodfill" % (x, y)]
            subprocess.run(cmd + [path], check=True)


class Lambert:
    def __init__(self, w):
        r = 637.1
        p1, p2 = math.radians(24), math.radians(46)
        t1, t2 = (math.pi / 2 - p1) / 2, (math.pi / 2 - p2) / 2
        self.n = (math.log(math.cos(p1)) - math.log(math.cos(p2))) / (math.log(math.tan(t1)) - math.log(math.tan(t2)))
        self.rf = math.cos(p1) * (r / self.n) * math.tan(t1) ** (-self.n)
        self.rho0 = self.rf * math.tan(t1) ** self.n
        self.th0 = self.n * (122 - 135) * math.pi / 180
        self.left, right = 0.04 * w, 0.96 * w
        self.base = w * 1.414 - 0.04 * w
        xmin = self.xy(122, 24)[0]
        xmax = max(self.xy(149, 24)[0], self.xy(149, 46)[0])
        self.scale = (right - self.left) / (xmax - xmin)

    def xy(self, lon, lat):
        rho = self.rf * math.tan((math.pi / 2 - math.radians(lat)) / 2) ** self.n
        th = self.n * (lon - 135) * math.pi / 180
        return (122 + rho * math.sin(th) - self.rho0 * math.sin(self.th0),
                24 + self.rho0 * math.cos(self.th0) - rho * math.cos(th))

    def px(self, lon, lat):
        x, y = self.xy(lon, lat)
        return (x - 122) * self.scale + self.left, self.base - (y - 24) * self.scale


def sheet(sec, w, path):
    h = int(round(w * 1.414))
    c = Canvas(w, h, LAND)
    lam = Lambert(w)
    for key, colour in (("*H-MAP", BLACK), ("*G-MAP", GREY)):
        for run in sec.get(key, []):
            c.polyline([lam.px(x, y) for x, y in run], colour)
    prof_left, prof_right, prof_h = 0.14 * w, 0.94 * w, 0.16 * w
    alt_scale = prof_h / (0 - 3800)
    for key, base, lo, hi in (("*WE-PROF", 0.234 * w, 122, 149), ("*SN-PROF", 0.434 * w, 24, 46)):
        sc = (prof_right - prof_left) / (hi - lo)
        c.line(prof_left, base + 1, prof_right, base + 1, BLACK)
        pts = [(prof_left, base)]
        for run in sec.get(key, []):
            prev = None  # after a break the conic program joins without a step
            for x, a in run:
                px, py = (x - lo) * sc + prof_left, a * alt_scale + base
                if prev is not None:
                    pts.append((px, prev))
                pts.append((px, py))
                prev = py
        c.polyline(pts, BLACK)
    fills = [(5, 5, OCEAN)]
    for lat, lon in SEEDS:
        x, y = lam.px(lon, lat)
        fills.append((int(round(x)), int(round(y)), OCEAN))
    c.save(path, fills)


def lonlat(sec, w, path):
    sx = w / 27.0
    map_h = int(round(22 * sx))
    prof_h = int(round(0.25 * w))
    h = map_h + 2 * prof_h + 40
    c = Canvas(w, h, (255, 255, 255))

    def m(x, y):
        return (x - 122) * sx, (46 - y) * sx

    for key, colour in (("*G-MAP", (200, 0, 0)), ("*H-MAP", BLACK)):
        for run in sec.get(key, []):
            c.polyline([m(x, y) for x, y in run], colour)
    for i, (key, lo, hi) in enumerate((("*WE-PROF", 122, 149), ("*SN-PROF", 24, 46))):
        top = map_h + 20 + i * (prof_h + 10)
        base = top + prof_h
        sc = w / (hi - lo)
        ay = prof_h / 3800.0
        for a in (1000, 2000, 3000):
            c.line(0, base - a * ay, w - 1, base - a * ay, (200, 200, 255))
        for deg in range(lo, hi + 1):
            c.line((deg - lo) * sc, base, (deg - lo) * sc, base + (6 if deg % 5 == 0 else 3), BLACK)
        for run in sec.get(key, []):
            pts = []
            prev = None
            for x, a in run:
                px, py = (x - lo) * sc, base - a * ay
                if prev is not None:
                    pts.append((px, prev))
                pts.append((px, py))
                prev = py
            c.polyline(pts, BLACK)
    c.save(path)


def zoom(sec, bbox, w, path):
    x0, x1, y0, y1 = bbox
    sx = w / (x1 - x0)
    sy = sx / math.cos(math.radians((y0 + y1) / 2))
    h = int(round((y1 - y0) * sy))
    c = Canvas(w, h, (255, 255, 255))

    def m(x, y):
        return (x - x0) * sx, (y1 - y) * sy

    for key, colour in (("*G-MAP", (200, 0, 0)), ("*H-MAP", BLACK)):
        for run in sec.get(key, []):
            c.polyline([m(x, y) for x, y in run], colour)
    for lat, lon in SEEDS:
        px, py = m(lon, lat)
        c.line(px - 6, py, px + 6, py, (0, 0, 255))
        c.line(px, py - 6, px, py + 6, (0, 0, 255))
    c.save(path)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("mdt")
    ap.add_argument("prefix", help="output path prefix, e.g. /tmp/japan")
    ap.add_argument("--width", type=int, default=1600)
    ap.add_argument("--zoom", action="append", default=[], metavar="W,E,S,N",
                    help="also write PREFIX-zoomN.png of this box (lon/lat, seeds marked)")
    args = ap.parse_args()
    sec = read_mdt(args.mdt)
    sheet(sec, args.width, args.prefix + "-sheet.png")
    lonlat(sec, args.width, args.prefix + "-lonlat.png")
    for i, z in enumerate(args.zoom):
        zoom(sec, [float(v) for v in z.split(",")], args.width, "%s-zoom%d.png" % (args.prefix, i + 1))


if __name__ == "__main__":
    main()
