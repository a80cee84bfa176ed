#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The sample table benchmarks side by side with what a user would run instead, in one run.

Each round runs every contender once, in turn, so a busy moment of the machine hits them all;
each figure is the median of the rounds. Every program runs in a process of its own: its wall
time from start to end, its CPU time and its peak resident memory come from wait4(); "in"
is the time the program itself measured around the read (without its start-up)."""
import os
import statistics
import subprocess
import sys
import tempfile
import time

NUMPY = """
import sys, time
import numpy as np
t = time.perf_counter()
a = np.loadtxt(sys.argv[1], delimiter=',', skiprows=1, usecols=range(1, 20))
print(time.perf_counter() - t, a.shape[0], a.shape[1])
"""
PYCSV = """
import csv, sys, time
t = time.perf_counter()
n = 0
with open(sys.argv[1], newline='') as f:
    rows = csv.reader(f)
    next(rows)
    for row in rows:
        float(row[1]); float(row[2])
        n += 1
print(time.perf_counter() - t, n, 2)
"""
NUMPY_EXPRESSIONS = """
import sys, time
import numpy as np
n = 1000000
rng = np.random.default_rng(1)
al, ca, na, k = (rng.uniform(0.01, 20, n) for _ in range(4))
ca[::50] = np.nan
for run in range(int(sys.argv[1])):
    t = time.perf_counter()
    m = [c / w for c, w in ((al, 101.9600768), (ca, 56.077), (na, 61.97853856), (k, 94.1956))]
    x = m[0] / (m[1] + m[2] + m[3])
    y = m[0] / (m[2] + m[3])
    print(time.perf_counter() - t, int(np.count_nonzero(~np.isnan(x))), int(np.count_nonzero(~np.isnan(y))))
"""


def python_env():
    env = dict(os.environ)
    env.pop("OPENBLAS_CORETYPE", None)
    env.pop("OPENBLAS_L2_SIZE", None)
    return env


def run(command, env=None):
    """Wall, CPU, peak MiB and the first line the program printed."""
    started = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE, env=env)
    output = process.stdout.read().decode()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - started
    process.returncode = os.waitstatus_to_exitcode(status)
    if process.returncode != 0:
        sys.exit(f"{command[0]} failed ({process.returncode})")
    return {
        "wall": wall,
        "cpu": usage.ru_utime + usage.ru_stime,
        "peak": usage.ru_maxrss / 1024,
        "lines": output.split("\n"),
    }


def median(runs, key):
    return statistics.median(r[key] for r in runs)


def inside(run_):
    return float(run_["lines"][0].split()[0])


def main():
    program = sys.argv[1]
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    load = open("/proc/loadavg").read().split()[:3]
    print(f"sample tables: {rounds} rounds; load average {' '.join(load)} on {os.cpu_count()} cores")
    with tempfile.TemporaryDirectory() as folder:
        csv_file = os.path.join(folder, "analyses.csv")
        xlsx_file = os.path.join(folder, "analyses.xlsx")
        run([program, "generate-csv", csv_file])
        run([program, "generate-xlsx", xlsx_file])
        print(f"CSV {os.path.getsize(csv_file) / 1e6:.0f} MB (1,000,000 rows x 20 columns), "
              f"XLSX {os.path.getsize(xlsx_file) / 1e6:.1f} MB (100,000 rows x 20 columns)")
        contenders = {
            "ours CSV": [program, "read-csv", csv_file],
            "numpy.loadtxt": ["/usr/bin/python3", "-c", NUMPY, csv_file],
            "Python csv": ["/usr/bin/python3", "-c", PYCSV, csv_file],
            "ours XLSX": [program, "read-xlsx", xlsx_file],
            "xlsx2csv": ["xlsx2csv", xlsx_file, os.path.join(folder, "out.csv")],
        }
        results = {name: [] for name in contenders}
        for _ in range(rounds):
            for name, command in contenders.items():
                results[name].append(run(command, python_env()))
        for name, runs in results.items():
            line = (f"{name:14} wall {median(runs, 'wall'):6.3f} s  cpu {median(runs, 'cpu'):6.3f} s  "
                    f"peak {median(runs, 'peak'):6.0f} MiB")
            if name != "xlsx2csv":
                line += f"  in {statistics.median(inside(r) for r in runs):6.3f} s"
            line += f"  (wall {min(r['wall'] for r in runs):.3f}..{max(r['wall'] for r in runs):.3f})"
            print(line)

        def ratio(ours, theirs, key):
            return median(results[ours], key) / median(results[theirs], key)

        def inside_ratio(ours, theirs):
            return (statistics.median(inside(r) for r in results[ours]) /
                    statistics.median(inside(r) for r in results[theirs]))

        print(f"CSV / numpy.loadtxt: read {inside_ratio('ours CSV', 'numpy.loadtxt'):.2f}, "
              f"wall {ratio('ours CSV', 'numpy.loadtxt', 'wall'):.2f}, cpu {ratio('ours CSV', 'numpy.loadtxt', 'cpu'):.2f}"
              f" (target < 1; peak <= 400 MiB)")
        print(f"CSV / Python csv:    read {inside_ratio('ours CSV', 'Python csv'):.2f}, "
              f"wall {ratio('ours CSV', 'Python csv', 'wall'):.2f}")
        print(f"XLSX / xlsx2csv:     wall {ratio('ours XLSX', 'xlsx2csv', 'wall'):.2f}, "
              f"cpu {ratio('ours XLSX', 'xlsx2csv', 'cpu'):.2f} (target <= 0.25)")

    ours = run([program, "expressions", str(rounds)])
    theirs = run(["/usr/bin/python3", "-c", NUMPY_EXPRESSIONS, str(rounds)], python_env())

    def times(r):
        return [float(line.split()[0]) for line in r["lines"] if line.strip()]

    print(f"A/CNK and A/NK over 1,000,000 samples: ours {statistics.median(times(ours)) * 1000:.1f} ms "
          f"(runs {', '.join(f'{t * 1000:.1f}' for t in times(ours))}; target <= 50 ms), "
          f"numpy {statistics.median(times(theirs)) * 1000:.1f} ms")


if __name__ == "__main__":
    main()
