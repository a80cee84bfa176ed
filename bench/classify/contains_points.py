#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# The way the field's Python tools classify: matplotlib's Path.contains_points over each field's
# polygon, for every point. Reads the points (float64 x, y pairs) and the polygons (one line per
# field: x y x y ...), prints the seconds the classification took and writes each point's field
# (the first polygon holding it, -1 for none) as int32.
import sys
import time

import numpy as np
from matplotlib.path import Path


def main():
    points_file, polygons_file, out_file = sys.argv[1:4]
    points = np.fromfile(points_file, dtype=np.float64).reshape(-1, 2)
    paths = []
    with open(polygons_file) as f:
        for line in f:
            values = np.array(line.split(), dtype=np.float64).reshape(-1, 2)
            paths.append(Path(values, closed=True))
    start = time.perf_counter()
    field = np.full(len(points), -1, dtype=np.int32)
    for i, path in enumerate(paths):
        inside = path.contains_points(points)
        field[(field < 0) & inside] = i
    seconds = time.perf_counter() - start
    field.tofile(out_file)
    print(f"{seconds:.6f}")


if __name__ == "__main__":
    main()
