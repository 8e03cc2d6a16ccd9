"""Geometry and formatting helpers of the map data generator.

Pure Python (numpy only where noted) so that the unit tests run without GMT,
R or the data packages.  Coordinates are (longitude, latitude) tuples in
decimal degrees throughout.
"""

import math

# The region drawn by both programs; the conic program's projection and the
# chart program's axes are fixed to it.
WEST, EAST, SOUTH, NORTH = 122.0, 149.0, 24.0, 46.0

KM_PER_DEG_LAT = 111.132


def point_key(p, scale=1e6):
    """Hashable key of a vertex; GMT writes the shared vertex of two bin
    pieces with identical digits, so micro-degree rounding only absorbs
    float parsing noise."""
    return (round(p[0] * scale), round(p[1] * scale))


def join_pieces(pieces, scale=1e6):
    """Join directed pieces end-to-start into closed rings and open chains.

    GMT cuts every shoreline at its 1-degree bin edges and keeps the
    direction of the original polygon, so a piece's last vertex is the next
    piece's first vertex.  Returns (rings, chains); a ring repeats its first
    vertex at the end.  Order follows the input order, so the result is as
    deterministic as the input.
    """
    pieces = [list(p) for p in pieces if len(p) >= 2]
    by_start = {}
    for i, p in enumerate(pieces):
        k = point_key(p[0], scale)
        if k in by_start:
            raise ValueError("two pieces start at %r" % (p[0],))
        by_start[k] = i
    end_keys = {point_key(p[-1], scale) for p in pieces}
    used = [False] * len(pieces)
    rings, chains = [], []

    def follow(i):
        first_key = point_key(pieces[i][0], scale)
        out = list(pieces[i])
        used[i] = True
        while True:
            k = point_key(out[-1], scale)
            if k == first_key:
                out[-1] = out[0]
                return out, True
            j = by_start.get(k)
            if j is None or used[j]:
                return out, False
            out.extend(pieces[j][1:])
            used[j] = True

    # Chains first: a chain must be followed from its head, not from the
    # middle, or it would come out split in two.
    for i, p in enumerate(pieces):
        if not used[i] and point_key(p[0], scale) not in end_keys:
            line, closed = follow(i)
            (rings if closed else chains).append(line)
    for i in range(len(pieces)):
        if not used[i]:
            line, closed = follow(i)
            if not closed:
                raise ValueError("piece %d neither closes nor has a head" % i)
            rings.append(line)
    return rings, chains


def join_undirected(arcs, scale=1e4):
    """Join undirected arcs into maximal chains through vertices of degree 2.

    Boundary arcs of a polygon map meet at junctions of three or more
    boundaries; a chain stops there.  Arcs that repeat another arc (in
    either direction) are dropped.  A chain that comes back to its start is
    returned closed (first vertex repeated).
    """
    seen = set()
    uniq = []
    for a in arcs:
        if len(a) < 2:
            continue
        ka = tuple(point_key(p, scale) for p in a)
        if ka in seen or ka[::-1] in seen:
            continue
        seen.add(ka)
        uniq.append(list(a))
    ends = {}
    for i, a in enumerate(uniq):
        for end in (0, -1):
            ends.setdefault(point_key(a[end], scale), []).append(i)
    used = [False] * len(uniq)

    def extend(line):
        # Grow `line` at its last vertex while that vertex is a plain joint.
        while True:
            k = point_key(line[-1], scale)
            nb = [j for j in ends.get(k, []) if not used[j]]
            if len(ends[k]) != 2 or len(nb) != 1:
                return line
            j = nb[0]
            used[j] = True
            a = uniq[j]
            if point_key(a[0], scale) != k:
                a = a[::-1]
            line.extend(a[1:])

    chains = []
    for i in range(len(uniq)):
        if used[i]:
            continue
        used[i] = True
        line = extend(list(uniq[i]))
        line = extend(line[::-1])[::-1]
        chains.append(line)
    return chains


def is_japanese_island(ring):
    """Whether a closed shoreline is Japanese land, by where its bounding box
    centre lies.  Foreign land that crosses the region edge (the continent,
    Sakhalin) never gets here: it comes back as open chains.  The rules only
    have to sort the islands, which lie far apart along the borders:
    Chinese and Taiwanese islets west of 124 E off 26.5-33 N or west of
    122.5 E, Korean and Russian islands in the Korea Strait and the Sea of
    Japan, Sakhalin's islets north of 45.6 N.  The southern Kurils south of
    that latitude count as Japan."""
    xs = [p[0] for p in ring]
    ys = [p[1] for p in ring]
    x = (min(xs) + max(xs)) / 2
    y = (min(ys) + max(ys)) / 2
    foreign = (
        x < 122.5
        or (x < 124.0 and 26.5 < y < 33.0)
        or (x < 128.0 and y > 33.0)            # Jeju and the Korean west/south coast
        or (x < 129.15 and y > 34.0)           # Korean south-east coast, west of Tsushima
        or (x < 131.5 and y > 35.0)            # Korean east coast, Ulleungdo
        or (x < 138.5 and y > 41.0)            # North Korea, Primorye
        or y > 45.6                            # Sakhalin and its islets
    )
    return not foreign


def _local_xy(points, lat0):
    c = math.cos(math.radians(lat0)) * KM_PER_DEG_LAT
    return [(x * c, y * KM_PER_DEG_LAT) for x, y in points]


def _dp_indices(xy, lo, hi, tol2, keep):
    stack = [(lo, hi)]
    while stack:
        a, b = stack.pop()
        if b <= a + 1:
            continue
        ax, ay = xy[a]
        bx, by = xy[b]
        dx, dy = bx - ax, by - ay
        seg2 = dx * dx + dy * dy
        best, best_d = -1, tol2
        for i in range(a + 1, b):
            px, py = xy[i][0] - ax, xy[i][1] - ay
            if seg2 > 0.0:
                t = (px * dx + py * dy) / seg2
                t = 0.0 if t < 0.0 else (1.0 if t > 1.0 else t)
                ex, ey = px - t * dx, py - t * dy
            else:
                ex, ey = px, py
            d = ex * ex + ey * ey
            if d > best_d:
                best, best_d = i, d
        if best >= 0:
            keep[best] = True
            stack.append((a, best))
            stack.append((best, b))


def simplify(points, tol_km):
    """Douglas-Peucker simplification with a tolerance in kilometres.

    A closed line (first vertex == last) stays closed and keeps at least a
    triangle, so that a small island still draws as a dot rather than
    vanishing or turning into a doubled segment.
    """
    n = len(points)
    if n < 3:
        return list(points)
    lat0 = sum(p[1] for p in points) / n
    xy = _local_xy(points, lat0)
    keep = [False] * n
    keep[0] = keep[-1] = True
    tol2 = tol_km * tol_km
    closed = points[0] == points[-1]
    if closed:
        # Split the ring at its vertex farthest from the start; each half is
        # an ordinary open line.
        x0, y0 = xy[0]
        far = max(range(n), key=lambda i: ((xy[i][0] - x0) ** 2 + (xy[i][1] - y0) ** 2, -i))
        keep[far] = True
        _dp_indices(xy, 0, far, tol2, keep)
        _dp_indices(xy, far, n - 1, tol2, keep)
        if sum(keep) < 4 and n >= 4:
            # Third corner: the vertex farthest from the chord start-far.
            ax, ay = xy[0]
            bx, by = xy[far]
            dx, dy = bx - ax, by - ay
            third = max((i for i in range(1, n - 1) if i != far),
                        key=lambda i: (abs((xy[i][0] - ax) * dy - (xy[i][1] - ay) * dx), -i))
            keep[third] = True
    else:
        _dp_indices(xy, 0, n - 1, tol2, keep)
    return [p for p, k in zip(points, keep) if k]


def ring_area_km2(ring):
    """Unsigned area of a closed lon/lat ring, shoelace in a local plane."""
    return abs(signed_area_deg2(ring_local(ring)))


def ring_local(ring):
    lat0 = sum(p[1] for p in ring) / len(ring)
    return _local_xy(ring, lat0)


def signed_area_deg2(ring):
    """Shoelace area; positive for counter-clockwise rings."""
    s = 0.0
    for (x0, y0), (x1, y1) in zip(ring, ring[1:] + ring[:1]):
        s += x0 * y1 - x1 * y0
    return s / 2.0


def point_in_ring(pt, ring):
    """Even-odd test of a point against one closed ring."""
    x, y = pt
    inside = False
    m = len(ring)
    for i in range(m):
        x0, y0 = ring[i]
        x1, y1 = ring[(i + 1) % m]
        if (y0 <= y) != (y1 <= y):
            xc = x0 + (y - y0) * (x1 - x0) / (y1 - y0)
            if x < xc:
                inside = not inside
    return inside


# Perimeter of the region, walked counter-clockwise from its south-west
# corner: south edge eastwards, east edge northwards, north edge westwards,
# west edge southwards.
_W_LON = EAST - WEST
_H_LAT = NORTH - SOUTH
PERIMETER = 2 * (_W_LON + _H_LAT)


def perimeter_position(p, eps=1e-7):
    x, y = p
    if abs(y - SOUTH) < eps:
        return x - WEST
    if abs(x - EAST) < eps:
        return _W_LON + (y - SOUTH)
    if abs(y - NORTH) < eps:
        return _W_LON + _H_LAT + (EAST - x)
    if abs(x - WEST) < eps:
        return 2 * _W_LON + _H_LAT + (NORTH - y)
    raise ValueError("%r is not on the region edge" % (p,))


def perimeter_point(t):
    t %= PERIMETER
    if t < _W_LON:
        return (WEST + t, SOUTH)
    t -= _W_LON
    if t < _H_LAT:
        return (EAST, SOUTH + t)
    t -= _H_LAT
    if t < _W_LON:
        return (EAST - t, NORTH)
    t -= _W_LON
    return (WEST, NORTH - t)


def edge_path(t_from, t_to, step=0.1):
    """Vertices strictly between two perimeter positions, walking
    counter-clockwise: every corner passed, and on the two parallels a
    vertex every `step` degrees, because a parallel is an arc in the conic
    projection and a chord would cut across it."""
    length = (t_to - t_from) % PERIMETER
    corners = [0.0, _W_LON, _W_LON + _H_LAT, 2 * _W_LON + _H_LAT]
    marks = set()
    for c in corners:
        marks.add(c)
    for k in range(1, int(round(_W_LON / step))):
        marks.add(round(k * step, 9))                    # south edge
        marks.add(round(_W_LON + _H_LAT + k * step, 9))  # north edge
    out = []
    for m in sorted(marks, key=lambda m: (m - t_from) % PERIMETER):
        d = (m - t_from) % PERIMETER
        if 1e-9 < d < length - 1e-9:
            out.append(perimeter_point(m))
    return out


def close_along_edge(chains):
    """Close open chains that enter and leave the region into rings, with
    the land on the left of every chain (counter-clockwise outer rings).

    From the end of a chain the region edge is followed counter-clockwise to
    the nearest chain start; that is the boundary of the clipped land.
    """
    starts = [perimeter_position(c[0]) for c in chains]
    ends = [perimeter_position(c[-1]) for c in chains]
    used = [False] * len(chains)
    rings = []
    for i in range(len(chains)):
        if used[i]:
            continue
        ring = []
        j = i
        while True:
            used[j] = True
            ring.extend(chains[j])
            te = ends[j]
            nxt = min(range(len(chains)), key=lambda k: ((starts[k] - te) % PERIMETER, k))
            ring.extend(edge_path(te, starts[nxt]))
            if nxt == i:
                break
            if used[nxt]:
                raise ValueError("edge walk met a used chain")
            j = nxt
        ring.append(ring[0])
        rings.append(ring)
    return rings


def canonical_ring_start(ring):
    """Rotate a closed ring to start at its smallest (lon, lat) vertex so the
    output does not depend on where GMT's bins happened to cut it."""
    body = ring[:-1]
    k = min(range(len(body)), key=lambda i: (body[i], i))
    body = body[k:] + body[:k]
    return body + [body[0]]


def fmt_num(v, decimals=4):
    """Shortest text of v rounded to `decimals` places: 136.1597, 35.3, 46."""
    s = "%.*f" % (decimals, v)
    if "." in s:
        s = s.rstrip("0").rstrip(".")
    if s == "-0":
        s = "0"
    return s


def rounded_line(points, decimals=4):
    """Points rounded as written, with repeated vertices removed."""
    out = []
    for x, y in points:
        p = (round(x, decimals), round(y, decimals))
        if not out or out[-1] != p:
            out.append(p)
    return out


def staircase(altitudes, start, step_deg):
    """Profile points of one run of strips: a point where the altitude
    changes and a closing point at altitude 0 at the end of the last strip.
    Readers draw from each point a horizontal segment at the previous
    altitude, then a vertical one, so equal neighbours add nothing.

    Strip positions come from integer steps of `step_deg` so that the text
    is exact (e.g. 137.65, never 137.64999).
    """
    pts = []
    prev = None
    for k, a in enumerate(altitudes):
        if a != prev:
            pts.append((start + k * step_deg, a))
            prev = a
    end = start + len(altitudes) * step_deg
    if not pts or pts[-1] != (end, 0):
        pts.append((end, 0))
    return pts


def cone_strip_altitudes(summit_pos, height, strip_start, strip_width, n_strips, m_per_deg, slope):
    """Altitudes that a summit at `summit_pos` (degrees along the profile
    axis) lends to the strips: its own height in its own strip, falling off
    with `slope` metres per metre of distance to the nearer strip edge."""
    out = {}
    reach_deg = height / slope / m_per_deg
    k0 = max(0, int(math.floor((summit_pos - reach_deg - strip_start) / strip_width)))
    k1 = min(n_strips - 1, int(math.floor((summit_pos + reach_deg - strip_start) / strip_width)))
    for k in range(k0, k1 + 1):
        lo = strip_start + k * strip_width
        hi = lo + strip_width
        if summit_pos < lo:
            d = lo - summit_pos
        elif summit_pos >= hi:
            d = summit_pos - hi
        else:
            d = 0.0
        a = height - slope * d * m_per_deg
        if a > 0:
            out[k] = a
    return out


# Tokyo datum (Bessel 1841) to WGS 84, three-parameter geocentric shift
# published by the Geospatial Information Authority of Japan for the whole
# country (metres).
_BESSEL = (6377397.155, 1 / 299.152813)
_WGS84 = (6378137.0, 1 / 298.257223563)
_TOKYO_TO_WGS84 = (-146.414, 507.337, 680.507)


def _geodetic_to_ecef(lon, lat, h, ell):
    a, f = ell
    e2 = f * (2 - f)
    la, ph = math.radians(lon), math.radians(lat)
    n = a / math.sqrt(1 - e2 * math.sin(ph) ** 2)
    return ((n + h) * math.cos(ph) * math.cos(la),
            (n + h) * math.cos(ph) * math.sin(la),
            (n * (1 - e2) + h) * math.sin(ph))


def _ecef_to_geodetic(x, y, z, ell):
    a, f = ell
    e2 = f * (2 - f)
    lon = math.atan2(y, x)
    p = math.hypot(x, y)
    lat = math.atan2(z, p * (1 - e2))
    for _ in range(10):
        n = a / math.sqrt(1 - e2 * math.sin(lat) ** 2)
        h = p / math.cos(lat) - n
        lat = math.atan2(z, p * (1 - e2 * n / (n + h)))
    return math.degrees(lon), math.degrees(lat)


def tokyo_to_wgs84(lon, lat):
    x, y, z = _geodetic_to_ecef(lon, lat, 0.0, _BESSEL)
    dx, dy, dz = _TOKYO_TO_WGS84
    return _ecef_to_geodetic(x + dx, y + dy, z + dz, _WGS84)


SECTIONS = [b"*H-MAP", b"*G-MAP", b"*WE-PROF", b"*SN-PROF", b"*END"]


def validate_mdt(data, span=8, decimals=4):
    """Check bytes of a map data file against what both readers need.

    Returns a list of problems (empty when the file is fine): CR LF line
    ends; comments only before the first header, valid in CP932; the five
    headers once each in reading order; point lines of two plain numbers
    whose second number fits the chart program's `span`-character window
    with at most `decimals` decimals; every polyline and profile run closed
    by a break line "0,0".
    """
    problems = []
    if not data.endswith(b"\r\n"):
        problems.append("file does not end with CR LF")
    lines = data.split(b"\r\n")[:-1]
    if any(b"\n" in l or b"\r" in l for l in lines):
        problems.append("bare CR or LF inside the file")
    headers = []
    open_run = False
    for no, line in enumerate(lines, 1):
        if line.startswith(b";"):
            if headers:
                problems.append("line %d: comment inside a section" % no)
            try:
                line.decode("cp932")
            except UnicodeDecodeError:
                problems.append("line %d: comment is not valid CP932" % no)
            continue
        if line.startswith(b"*"):
            if open_run:
                problems.append("line %d: section ends without a break line" % no)
            headers.append(line)
            open_run = False
            continue
        if not headers:
            problems.append("line %d: data before the first header" % no)
            continue
        if headers[-1] == b"*END":
            problems.append("line %d: data after *END" % no)
            continue
        try:
            text = line.decode("ascii")
            a, b = text.split(",")
            x, y = float(a), float(b)
        except (UnicodeDecodeError, ValueError):
            problems.append("line %d: not a point line: %r" % (no, line))
            continue
        if len(b) > span or ("." in b and len(b.split(".")[1]) > decimals):
            problems.append("line %d: second number %r too long" % (no, b))
        if x == 0:
            if text != "0,0":
                problems.append("line %d: break line is not 0,0" % no)
            if not open_run:
                problems.append("line %d: empty polyline" % no)
            open_run = False
        else:
            open_run = True
    if headers != SECTIONS:
        problems.append("headers %r, expected %r" % (headers, SECTIONS))
    return problems
