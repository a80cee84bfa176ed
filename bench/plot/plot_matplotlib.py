#!/usr/bin/python3
# The same points drawn as markers by matplotlib into a PNG of the same size: seconds, one run.
import sys
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt
import numpy as np

points, width, height, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4]
xy = np.fromfile(points, dtype=np.float64).reshape(2, -1)
started = time.perf_counter()
figure = plt.figure(figsize=(width / 100, height / 100), dpi=100)
axes = figure.add_subplot()
axes.set_xlim(35, 80)
axes.set_ylim(0, 16)
axes.plot(xy[0], xy[1], "o", markersize=4, linestyle="none")
figure.savefig(out, dpi=100)
plt.close(figure)
print(f"{time.perf_counter() - started:.4f}")
