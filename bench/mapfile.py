"""Reading the polylines of a map data file (.mdt), shared by the benchmark's scripts."""

import numpy as np


def read_sections(path):
    """Each section's polylines (a point \"0,...\" ends one) as arrays of (first, second)."""
    sections, lines, name = {}, [], None
    with open(path, "rb") as f:
        for raw in f:
            line = raw.decode("cp932").split(";", 1)[0].strip()
            if not line:
                continue
            if line.startswith("*"):
                name = line
                continue
            if name is None:
                continue
            first, second = (float(v) for v in line.split(",")[:2])
            sections.setdefault(name, [])
            if first == 0:
                if lines:
                    sections[name].append(np.array(lines))
                lines = []
            else:
                lines.append((first, second))
    return sections
