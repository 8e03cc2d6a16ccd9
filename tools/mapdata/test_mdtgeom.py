"""Tests of the map data generator's geometry and file checks.

Run from this folder: /usr/bin/python3 -m unittest -v
Needs only the standard library.
"""

import unittest

import mdtgeom as g


def square(x, y, d):
    return [(x, y), (x + d, y), (x + d, y + d), (x, y + d), (x, y)]


class JoinPieces(unittest.TestCase):
    def test_table(self):
        ring = square(130, 33, 1)
        cases = [
            # name, pieces, expected rings, expected chains
            ("closed piece", [ring], [ring], []),
            ("ring cut in three, listed out of order",
             [ring[2:4], ring[3:], ring[:3]], [ring[2:] + ring[1:3]], []),
            ("chain listed from its middle piece",
             [[(123, 40), (124, 41)], [(122, 39), (123, 40)], [(124, 41), (125, 46)]],
             [], [[(122, 39), (123, 40), (124, 41), (125, 46)]]),
            ("float noise below a micro-degree still joins",
             [[(122, 39), (123.0000000004, 40)], [(123, 40), (125, 46)]],
             [], [[(122, 39), (123.0000000004, 40), (125, 46)]]),
        ]
        for name, pieces, rings, chains in cases:
            with self.subTest(name):
                got_rings, got_chains = g.join_pieces(pieces)
                self.assertEqual(got_chains, chains)
                self.assertEqual(len(got_rings), len(rings))
                for got, want in zip(got_rings, rings):
                    self.assertEqual(got[0], got[-1])
                    self.assertEqual(sorted(set(got)), sorted(set(want)))

    def test_two_pieces_starting_at_one_point_is_an_error(self):
        with self.assertRaises(ValueError):
            g.join_pieces([[(1, 1), (2, 2)], [(1, 1), (3, 3)]])


class JoinUndirected(unittest.TestCase):
    def test_table(self):
        a, b, c, d, j = (1, 1), (2, 1), (3, 1), (4, 1), (2, 2)
        cases = [
            # name, arcs, expected chains as vertex sets
            ("reversed arcs through a joint", [[a, b], [c, b], [c, d]], [{a, b, c, d}]),
            ("stops at a junction of three", [[a, b], [b, c], [b, j]], [{a, b}, {b, c}, {b, j}]),
            ("duplicate arc dropped", [[a, b], [b, a], [b, c]], [{a, b, c}]),
            ("loop comes back closed", [[a, b], [b, j], [j, a]], [{a, b, j}]),
        ]
        for name, arcs, want in cases:
            with self.subTest(name):
                got = g.join_undirected(arcs)
                self.assertEqual(sorted(map(sorted, map(set, got))), sorted(map(sorted, want)))
        loop = g.join_undirected([[a, b], [b, j], [j, a]])[0]
        self.assertEqual(loop[0], loop[-1])


class Simplify(unittest.TestCase):
    def test_table(self):
        # 0.001 deg of latitude is about 0.11 km.
        wiggle = [(140 + i * 0.01, 35 + (0.0005 if i % 2 else 0)) for i in range(11)]
        zigzag = [(140 + i * 0.01, 35 + (0.01 if i % 2 else 0)) for i in range(11)]
        islet = [(140, 35), (140.001, 35), (140.0012, 35.0005), (140.001, 35.001),
                 (140, 35.001), (139.9998, 35.0005), (140, 35)]
        cases = [
            # name, line, tolerance km, expected vertex count
            ("wiggle under tolerance goes", wiggle, 0.2, 2),
            ("zigzag over tolerance stays", zigzag, 0.2, 11),
            ("tiny island keeps a triangle", islet, 0.2, 4),
            ("island larger than tolerance keeps its corners", square(140, 35, 0.1), 0.2, 5),
        ]
        for name, line, tol, n in cases:
            with self.subTest(name):
                out = g.simplify(line, tol)
                self.assertEqual(len(out), n)
                self.assertEqual(out[0], line[0])
                self.assertEqual(out[-1], line[-1])


class EdgeClosure(unittest.TestCase):
    def test_table(self):
        nw = (122.0, 46.0)
        cases = [
            # name, chains (land on the left), corners the ring must contain,
            # number of vertices it must have on the north edge
            ("north-west corner land",
             [[(122.0, 44.0), (123.0, 45.0), (124.0, 46.0)]], [nw], 21),
            ("peninsula through the west edge",
             [[(122.0, 36.9), (122.7, 37.4), (122.0, 37.5)]], [], 0),
            # Land filling the region but for two bays, one from the west
            # edge, one from the north edge: one ring through all corners;
            # on the north edge 149..132 and 130..122 every 0.1 degree.
            ("two chains of one land around two bays",
             [[(122.0, 42.0), (123.0, 41.0), (122.0, 40.0)],
              [(132.0, 46.0), (131.0, 45.0), (130.0, 46.0)]],
             [nw, (122.0, 24.0), (149.0, 24.0), (149.0, 46.0)], 171 + 81),
        ]
        for name, chains, corners, n_north in cases:
            with self.subTest(name):
                rings = g.close_along_edge(chains)
                ring = rings[0]
                self.assertEqual(ring[0], ring[-1])
                self.assertGreater(g.signed_area_deg2(ring[:-1]), 0)
                for c in corners:
                    self.assertIn(c, ring)
                self.assertEqual(sum(1 for p in ring[:-1] if p[1] == 46.0), n_north)
        # Water between two pieces of land is not walked: two rings.
        two = g.close_along_edge([[(122.0, 44.0), (124.0, 46.0)],
                                  [(125.0, 46.0), (125.5, 45.0), (126.0, 46.0)]])
        self.assertEqual(len(two), 2)

    def test_off_edge_chain_is_rejected(self):
        with self.assertRaises(ValueError):
            g.close_along_edge([[(130.0, 35.0), (131.0, 36.0)]])


class Formatting(unittest.TestCase):
    def test_numbers(self):
        cases = [
            (136.1597, "136.1597"), (35.0, "35"), (46.00004, "46"), (122.65000000000001, "122.65"),
            (35.30, "35.3"), (-0.00001, "0"), (45.99996, "46"), (24.123449, "24.1234"),
        ]
        for v, s in cases:
            with self.subTest(v=v):
                self.assertEqual(g.fmt_num(v), s)

    def test_staircase(self):
        cases = [
            # altitudes per 0.05-degree strip, expected points
            ([0, 0, 5, 5, 0], [(122.0, 0), (122.1, 5), (122.2, 0), (122.25, 0)]),
            ([7, 7], [(122.0, 7), (122.1, 0)]),
            ([0, 0], [(122.0, 0), (122.1, 0)]),
            ([3, 0, 0], [(122.0, 3), (122.05, 0), (122.15, 0)]),
        ]
        for alts, want in cases:
            with self.subTest(alts=alts):
                got = [(round(x, 9), a) for x, a in g.staircase(alts, 122.0, 0.05)]
                self.assertEqual(got, want)

    def test_cone(self):
        # Strips of 0.05 deg at 1 km per 0.01 deg; summit 3776 m at 138.7274.
        got = g.cone_strip_altitudes(138.7274, 3776, 122.0, 0.05, 540, 100000.0, 0.25)
        cases = [
            (138.72, 3776.0),                        # own strip
            (138.76, 3776 - 0.25 * 2260),            # 2.26 km to its west edge
            (138.66, 3776 - 0.25 * 2740),            # 2.74 km to its east edge
        ]
        for lon, alt in cases:
            with self.subTest(lon=lon):
                k = int((lon - 122.0) / 0.05)
                self.assertAlmostEqual(got[k], alt, places=6)
        self.assertTrue(all(a > 0 for a in got.values()))
        self.assertLessEqual(len(got), 2 * 3776 / 0.25 / 5000 + 2)


class Geography(unittest.TestCase):
    def test_tokyo_datum_origin(self):
        # The Japanese geodetic origin in both datums (seconds of arc).
        lon_t = 139 + 44 / 60 + 40.5020 / 3600
        lat_t = 35 + 39 / 60 + 17.5148 / 3600
        lon_w = 139 + 44 / 60 + 28.8759 / 3600
        lat_w = 35 + 39 / 60 + 29.1572 / 3600
        lon, lat = g.tokyo_to_wgs84(lon_t, lat_t)
        self.assertAlmostEqual(lon, lon_w, delta=0.1 / 3600)
        self.assertAlmostEqual(lat, lat_w, delta=0.1 / 3600)

    def test_japanese_islands(self):
        cases = [
            ("Tsushima", 129.17, 129.50, 34.08, 34.72, True),
            ("Goto Fukue", 128.60, 128.90, 32.55, 32.80, True),
            ("Yonaguni", 122.93, 123.05, 24.43, 24.47, True),
            ("Senkaku Uotsuri", 123.45, 123.56, 25.73, 25.76, True),
            ("Oki Dogo", 133.18, 133.40, 36.18, 36.33, True),
            ("Rebun", 140.98, 141.07, 45.26, 45.46, True),
            ("Iturup", 146.60, 148.90, 44.40, 45.55, True),
            ("Jeju", 126.15, 126.97, 33.19, 33.57, False),
            ("Geoje", 128.48, 128.75, 34.70, 35.02, False),
            ("Ulleungdo", 130.79, 130.93, 37.45, 37.55, False),
            ("Zhoushan", 121.95, 122.35, 29.90, 30.20, False),
            ("Pengjia", 122.07, 122.08, 25.62, 25.63, False),
            ("Russky", 131.70, 131.95, 42.95, 43.05, False),
            ("Sakhalin islet", 142.30, 142.32, 45.78, 45.80, False),
        ]
        for name, x0, x1, y0, y1, japanese in cases:
            with self.subTest(name):
                ring = [(x0, y0), (x1, y0), (x1, y1), (x0, y1), (x0, y0)]
                self.assertEqual(g.is_japanese_island(ring), japanese)

    def test_point_in_ring(self):
        ring = square(136, 35, 0.5)
        for pt, inside in [((136.2, 35.3), True), ((136.6, 35.3), False), ((135.9, 35.1), False)]:
            with self.subTest(pt=pt):
                self.assertEqual(g.point_in_ring(pt, ring), inside)


class Validate(unittest.TestCase):
    GOOD = (b"; comment\r\n" + "; 出典".encode("cp932") + b"\r\n"
            b"*H-MAP\r\n130,33\r\n131,33\r\n130,33\r\n0,0\r\n"
            b"*G-MAP\r\n130.5,33\r\n130.5,33.5\r\n0,0\r\n"
            b"*WE-PROF\r\n122,0\r\n138.7,3776\r\n149,0\r\n0,0\r\n"
            b"*SN-PROF\r\n24,0\r\n46,0\r\n0,0\r\n*END\r\n")

    def test_good_file(self):
        self.assertEqual(g.validate_mdt(self.GOOD), [])

    def test_bad_files(self):
        cases = [
            # name, (old, new) replacement in GOOD, expected problem text
            ("an LF line end", (b"\r\n", b"\n"), "bare"),
            ("no line end at the end", (b"*END\r\n", b"*END"), "CR LF"),
            ("second number past the chart span", (b"131,33\r\n", b"131,33.123456\r\n"), "too long"),
            ("five decimals", (b"131,33\r\n", b"131,33.12345\r\n"), "too long"),
            ("polyline without a break", (b"130,33\r\n0,0\r\n*G-MAP", b"130,33\r\n*G-MAP"), "without a break"),
            ("sections out of order", (b"*WE-PROF", b"*XX-PROF"), "headers"),
            ("comment inside a section", (b"0,0\r\n*G-MAP", b"0,0\r\n; x\r\n*G-MAP"), "inside a section"),
            ("break with a longitude", (b"131,33\r\n130,33\r\n0,0", b"131,33\r\n130,33\r\n0,33"), "not 0,0"),
            ("third field", (b"131,33\r\n", b"131,33,1\r\n"), "not a point line"),
            ("comment not CP932", (b"; comment", b"; \x81\x20"), "CP932"),
        ]
        for name, (old, new), text in cases:
            with self.subTest(name):
                data = self.GOOD.replace(old, new, 1)
                self.assertNotEqual(data, self.GOOD)
                problems = g.validate_mdt(data)
                self.assertTrue(any(text in p for p in problems), problems)


if __name__ == "__main__":
    unittest.main()
