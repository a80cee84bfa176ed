#!/usr/bin/env bash
# Builds the sample table benchmark and runs it beside numpy.loadtxt, Python's csv module and
# xlsx2csv (median of 5 rounds, or of the number given). Needs about 500 MB in the temporary
# folder and a few minutes; nothing here is part of the tests.
set -euo pipefail
cd "$(dirname "$0")/../.."
cmake --build build -j2 --target bench_samples
/usr/bin/python3 bench/samples/compare.py build/bench/samples/bench_samples "${1:-5}"
