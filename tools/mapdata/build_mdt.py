#!/usr/bin/python3
"""Builds the bundled Japan map data file (*.mdt) from Debian-packaged data.

Run through generate.sh, which installs the packages first.  The output is a
pure function of the package contents and the summit list: no timestamps,
fixed ordering, fixed number formatting.
"""

import argparse
import csv
import math
import os
import subprocess
import sys
import tempfile

import numpy as np

import mdtgeom as g

HERE = os.path.dirname(os.path.abspath(__file__))

ETOPO5 = "/usr/share/ferret-vis/data/etopo5.cdf"
REGION = "-R122/149/24/46"

SHORE_MIN_KM2 = 0.01     # smaller islands are dropped
LAKE_MIN_KM2 = 10        # Lake Biwa (670 km2) and the larger lakes
COAST_TOL_KM = 0.2
PREF_TOL_KM = 0.1

STRIP_MIN = 3            # profile strip width in arc minutes (0.05 deg)
ETOPO_EAST_SHIFT_MIN = 4  # ETOPO5 lies about 4' west of the GSHHG coast here
CONE_SLOPE = 0.25        # metres of fall per metre away from a listed summit
M_PER_DEG_LAT = 111132.0
M_PER_DEG_LON_EQ = 111320.0

# Seeds of the conic program's ocean fill: (name, lon, lat).
SEEDS = [
    ("Lake Biwa", 136.1597, 35.3454),
    ("Harima-nada", 134.5324, 34.4029),
    ("Yatsushiro Sea", 130.3061, 32.2291),
]

# The versions the committed file was made with (Debian 12).  Other versions
# still work but may change the bytes; the file's comments always name the
# versions actually used.
BUILT_WITH = {
    "gmt": "6.4.0+dfsg-2",
    "gmt-gshhg-full": "2.3.7-6",
    "r-cran-maps": "3.4.1-1",
    "r-cran-mapdata": "2.3.1-1",
    "ferret-datasets": "7.6.0-5",
}
PACKAGES = sorted(BUILT_WITH)

ATTRIBUTION_GSI = "出典：国土地理院『日本の主な山岳一覧』"


def log(*a):
    print(*a, file=sys.stderr)


def package_versions():
    out = {}
    for p in PACKAGES:
        v = subprocess.run(["dpkg-query", "-W", "-f=${Version}", p],
                           check=True, capture_output=True, text=True).stdout.strip()
        out[p] = v
    return out


# ---------------------------------------------------------------- coastlines

def gmt_pieces(workdir, extra):
    """Pieces of `gmt coast -M`: one list of vertices per '>' segment."""
    env = dict(os.environ, GMT_USERDIR=workdir, GMT_TMPDIR=workdir)
    cmd = ["gmt", "coast", REGION, "-Df", "-M",
           "--FORMAT_FLOAT_OUT=%.10g", "--IO_SEGMENT_MARKER=>"] + extra
    txt = subprocess.run(cmd, cwd=workdir, env=env, check=True,
                         capture_output=True, text=True).stdout
    pieces, cur = [], None
    for line in txt.splitlines():
        if line.startswith(">"):
            cur = []
            pieces.append(cur)
        elif line.strip():
            x, y = line.split()[:2]
            cur.append((float(x), float(y)))
    return pieces


def build_coast(workdir):
    shore = gmt_pieces(workdir, ["-W1/0.1p", "-A%g/1/1" % SHORE_MIN_KM2])
    lakes = gmt_pieces(workdir, ["-W2/0.1p", "-A%g/2/2" % LAKE_MIN_KM2])

    rings, chains = g.join_pieces(shore)
    lake_rings, lake_chains = g.join_pieces(lakes)
    if lake_chains:
        raise SystemExit("a lake crosses the region edge; closing lakes along it is not handled")

    # GMT keeps one winding for all land polygons; make it counter-clockwise
    # so that the edge walk below keeps land on its left.
    area_sum = sum(g.signed_area_deg2(r) for r in rings)
    if area_sum < 0:
        rings = [r[::-1] for r in rings]
        chains = [c[::-1] for c in chains]

    japan = [r for r in rings if g.is_japanese_island(r)]
    islands_foreign = [r for r in rings if not g.is_japanese_island(r)]

    # Simplify before closing along the edge: the edge vertices along the
    # parallels are there for the conic projection and must survive.
    chains_s = [g.simplify(c, COAST_TOL_KM) for c in chains]
    mainland_foreign = g.close_along_edge(chains_s)

    def finish(rs):
        out = []
        for r in rs:
            r = g.canonical_ring_start(r)
            r = g.rounded_line(g.simplify(r, COAST_TOL_KM))
            if r[0] != r[-1]:
                r.append(r[0])
            if len(r) >= 4:
                out.append(r)
        return out

    def finish_edge(rs):
        out = []
        for r in rs:
            r = g.rounded_line(g.canonical_ring_start(r))
            if r[0] != r[-1]:
                r.append(r[0])
            out.append(r)
        return out

    def by_size(rs):
        return sorted(rs, key=lambda r: (-g.ring_area_km2(r), r[0]))

    japan_s = by_size(finish(japan))
    foreign_s = by_size(finish_edge(mainland_foreign) + finish(islands_foreign))
    lakes_s = by_size(finish(lake_rings))
    return {
        "japan_raw": japan,
        "japan": japan_s,
        "foreign": foreign_s,
        "lakes": lakes_s,
        "n_chains": len(chains),
    }


# --------------------------------------------------------- prefecture lines

def build_prefectures(workdir):
    path = os.path.join(workdir, "pref.txt")
    subprocess.run(["Rscript", "--vanilla", os.path.join(HERE, "prefecture_lines.R"), path],
                   check=True)
    arcs, cur = [], []
    with open(path) as f:
        for line in f:
            a, b = line.split()
            if a == "NA":
                if cur:
                    arcs.append(cur)
                cur = []
            else:
                cur.append((float(a), float(b)))
    if cur:
        arcs.append(cur)
    # The database stores single-precision values of four-decimal data;
    # round back to four decimals before matching end points.
    arcs = [[(round(x, 4), round(y, 4)) for x, y in a] for a in arcs]
    chains = g.join_undirected(arcs, scale=1e4)
    out = []
    for c in chains:
        c = [g.tokyo_to_wgs84(x, y) for x, y in c]
        c = g.rounded_line(g.simplify(c, PREF_TOL_KM))
        if len(c) >= 2:
            out.append(c)
    out.sort(key=lambda c: (-len(c), c[0]))
    return out, len(arcs)


# ------------------------------------------------------------------ profiles

def japan_node_mask(rings, lon_nodes, lat_nodes):
    """Boolean mask [lat, lon] of grid nodes inside the given rings
    (even-odd, scanline per grid row; the rings do not overlap)."""
    x0 = np.concatenate([np.array([p[0] for p in r[:-1]]) for r in rings])
    y0 = np.concatenate([np.array([p[1] for p in r[:-1]]) for r in rings])
    x1 = np.concatenate([np.array([p[0] for p in r[1:]]) for r in rings])
    y1 = np.concatenate([np.array([p[1] for p in r[1:]]) for r in rings])
    mask = np.zeros((len(lat_nodes), len(lon_nodes)), dtype=bool)
    for j, y in enumerate(lat_nodes):
        sel = (y0 <= y) != (y1 <= y)
        if not sel.any():
            continue
        xa, ya, xb, yb = x0[sel], y0[sel], x1[sel], y1[sel]
        xc = np.sort(xa + (y - ya) * (xb - xa) / (yb - ya))
        count = np.searchsorted(xc, lon_nodes, side="right")
        mask[j] = (count % 2) == 1
    return mask


def read_summits(path):
    out = []
    with open(path, encoding="utf-8") as f:
        r = csv.reader(f)
        header = next(r)
        if header[2:5] != ["緯度", "経度", "標高"]:
            raise SystemExit("unexpected summit list header: %r" % (header,))
        for row in r:
            out.append((float(row[3]), float(row[2]), float(row[4])))
    return out


def strip_ranges(node_min, half_cell2, origin_min, n):
    """Strips [origin + 3k, origin + 3k + 3) minutes overlapped by the cell
    of each node, the cell being node +- half a grid step.  All in
    half-minutes, integer arithmetic, so strip edges are exact."""
    a = 2 * node_min - half_cell2 - 2 * origin_min
    b = 2 * node_min + half_cell2 - 2 * origin_min
    w = 2 * STRIP_MIN
    k0 = np.maximum(np.floor_divide(a, w), 0)
    k1 = np.minimum(np.floor_divide(b - 1, w), n - 1)
    return k0, k1


def build_profiles(japan_rings, summits_path):
    import netCDF4
    ds = netCDF4.Dataset(ETOPO5)
    z = np.asarray(ds.variables["ROSE"][:], dtype=np.float64)
    ds.close()
    ny, nx = z.shape
    # ETOPO5 is a 5' grid from 0 E and 90 S; the file's own axis values are
    # rounded (it ends at 359.92), so the node positions come from the
    # indices.
    lon_min_all = 5 * np.arange(nx) + ETOPO_EAST_SHIFT_MIN      # arc minutes east
    lat_min_all = 5 * np.arange(ny) - 90 * 60                   # arc minutes north
    ix = np.where((lon_min_all >= 122 * 60 - 5) & (lon_min_all <= 149 * 60 + 5))[0]
    iy = np.where((lat_min_all >= 24 * 60 - 5) & (lat_min_all <= 46 * 60 + 5))[0]
    lon_min, lat_min = lon_min_all[ix], lat_min_all[iy]
    zz = z[np.ix_(iy, ix)]
    mask = japan_node_mask(japan_rings, lon_min / 60.0, lat_min / 60.0)
    alt = np.where(mask, np.maximum(zz, 0.0), 0.0)

    n_we = (149 - 122) * 60 // STRIP_MIN
    n_sn = (46 - 24) * 60 // STRIP_MIN
    we = np.zeros(n_we)
    sn = np.zeros(n_sn)

    # A node stands for its 5' cell, which is wider than a strip: without
    # that, two strips in five would fall between grid columns and read 0.
    col_max = alt.max(axis=0)
    row_max = alt.max(axis=1)
    k0, k1 = strip_ranges(lon_min, 5, 122 * 60, n_we)
    for c in range(len(lon_min)):
        for k in range(k0[c], k1[c] + 1):
            we[k] = max(we[k], col_max[c])
    k0, k1 = strip_ranges(lat_min, 5, 24 * 60, n_sn)
    for r in range(len(lat_min)):
        for k in range(k0[r], k1[r] + 1):
            sn[k] = max(sn[k], row_max[r])

    summits = read_summits(summits_path)
    for lon, lat, h in summits:
        m_lon = M_PER_DEG_LON_EQ * math.cos(math.radians(lat))
        for k, a in g.cone_strip_altitudes(lon, h, 122.0, 0.05, n_we, m_lon, CONE_SLOPE).items():
            we[k] = max(we[k], a)
        for k, a in g.cone_strip_altitudes(lat, h, 24.0, 0.05, n_sn, M_PER_DEG_LAT, CONE_SLOPE).items():
            sn[k] = max(sn[k], a)

    we_i = [int(math.floor(a + 0.5)) for a in we]
    sn_i = [int(math.floor(a + 0.5)) for a in sn]
    return we_i, sn_i, len(summits)


# -------------------------------------------------------------------- output

def header_lines(versions, stats):
    v = versions
    return [
        "Japan base map for the three-view distribution maps: region 122-149 E, 24-46 N, WGS 84.",
        "Made by tools/mapdata/generate.sh from the sources below; regenerate rather than edit.",
        "Each section keeps the licence of its source.",
        "",
        "*H-MAP: GSHHG 2.3.7, full resolution; licence LGPL-3+; (c) the GMT Team;",
        "  Wessel, P. and W. H. F. Smith (1996), J. Geophys. Res. 101(B4), 8741-8743.",
        "  Debian gmt-gshhg-full %s, read with gmt coast -M (Debian gmt %s)."
        % (v["gmt-gshhg-full"], v["gmt"]),
        "  Level-1 shorelines (islands of 0.01 km2 and more) and lakes of 10 km2 and more;",
        "  neighbouring countries' land clipped to the region and closed along its edge;",
        "  Douglas-Peucker simplification at 0.2 km.",
        "*G-MAP: R package mapdata, database \"japan\"; licence GPL-2; original S code by",
        "  R. A. Becker and A. R. Wilks, Japan data formatted by R. Shibata.",
        "  Debian r-cran-mapdata %s with r-cran-maps %s." % (v["r-cran-mapdata"], v["r-cran-maps"]),
        "  Interior prefecture boundaries, shifted from the Tokyo datum to WGS 84 (geocentric",
        "  shift -146.414, 507.337, 680.507 m), joined into chains, simplified at 0.1 km.",
        "*WE-PROF, *SN-PROF: highest Japanese ground in each 0.05-degree strip of longitude",
        "  (WE) or latitude (SN), metres; 0 where a strip has no Japanese land. Sources:",
        "  ETOPO5 5-minute relief; public domain; NOAA National Geophysical Data Center (1988),",
        "  Data Announcement 88-MGG-02. Debian ferret-datasets %s. Shifted 4' east, taken"
        % v["ferret-datasets"],
        "  on Japanese land only (southern Kurils included).",
        "  List of major mountains of Japan, Geospatial Information Authority of Japan, as",
        "  transcribed under CC0 1.0 (%d summits); each summit raises the strips around it"
        % stats["summits"],
        "  with a cone of slope 0.25. Attribution asked for by the authority:",
    ]


def write_mdt(path, versions, coast, prefs, we, sn, stats):
    out = []

    def comment(s):
        out.append((";" + (" " + s if s else "")).encode("ascii"))

    for s in header_lines(versions, stats):
        comment(s)
    out.append(("; " + ATTRIBUTION_GSI).encode("cp932"))

    def line(x, y):
        out.append(("%s,%s" % (g.fmt_num(x), g.fmt_num(y))).encode("ascii"))

    def polyline(pts):
        for x, y in pts:
            line(x, y)
        out.append(b"0,0")

    out.append(b"*H-MAP")
    for r in coast["japan"] + coast["foreign"] + coast["lakes"]:
        polyline(r)
    out.append(b"*G-MAP")
    for c in prefs:
        polyline(c)
    # One run per profile: strips without Japanese land stay at altitude 0
    # rather than breaking the run, since a break means a straight join in
    # one program and a gap in the other.
    out.append(b"*WE-PROF")
    for x, a in g.staircase(we, 122.0, 0.05):
        out.append(("%s,%d" % (g.fmt_num(x), a)).encode("ascii"))
    out.append(b"0,0")
    out.append(b"*SN-PROF")
    for x, a in g.staircase(sn, 24.0, 0.05):
        out.append(("%s,%d" % (g.fmt_num(x), a)).encode("ascii"))
    out.append(b"0,0")
    out.append(b"*END")
    data = b"\r\n".join(out) + b"\r\n"
    problems = g.validate_mdt(data)
    if problems:
        raise SystemExit("refusing to write a bad file:\n  " + "\n  ".join(problems[:20]))
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)
    return data


def seed_report(coast):
    rep = []
    for name, lon, lat in SEEDS:
        where = []
        for kind in ("japan", "foreign", "lakes"):
            for i, r in enumerate(coast[kind]):
                if g.point_in_ring((lon, lat), r):
                    where.append((kind, i, g.ring_area_km2(r)))
        rep.append((name, lon, lat, where))
    return rep


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--out", required=True)
    ap.add_argument("--summits", required=True)
    args = ap.parse_args()

    versions = package_versions()
    for p in PACKAGES:
        if versions[p] != BUILT_WITH[p]:
            log("warning: %s is %s, the committed file was made with %s"
                % (p, versions[p], BUILT_WITH[p]))
    with tempfile.TemporaryDirectory(prefix="mdt-") as work:
        log("coastlines ...")
        coast = build_coast(work)
        log("prefecture boundaries ...")
        prefs, n_arcs = build_prefectures(work)
    log("profiles ...")
    we, sn, n_summits = build_profiles(coast["japan_raw"], args.summits)

    stats = {"summits": n_summits}
    data = write_mdt(args.out, versions, coast, prefs, we, sn, stats)

    log("H-MAP: %d Japanese rings, %d foreign rings (%d edge chains), %d lakes; %d points"
        % (len(coast["japan"]), len(coast["foreign"]), coast["n_chains"], len(coast["lakes"]),
           sum(len(r) for k in ("japan", "foreign", "lakes") for r in coast[k])))
    log("G-MAP: %d arcs -> %d chains; %d points" % (n_arcs, len(prefs), sum(len(c) for c in prefs)))
    bad = False
    for name, lon, lat, where in seed_report(coast):
        log("seed %s (%g E, %g N): %s" % (name, lon, lat,
                                         ", ".join("%s #%d (%.1f km2)" % w for w in where) or "open water"))
        inside_lake = any(w[0] == "lakes" for w in where)
        on_land = any(w[0] != "lakes" for w in where)
        if name == "Lake Biwa" and not inside_lake:
            bad = True
        if on_land and not inside_lake:
            bad = True
    log("wrote %s: %d bytes, %d lines" % (args.out, len(data), data.count(b"\n")))
    if bad:
        raise SystemExit("an ocean fill seed lies on land")


if __name__ == "__main__":
    main()
