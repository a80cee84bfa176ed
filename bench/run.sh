#!/usr/bin/env bash
# Builds and runs every benchmark: each measure the median of 5 runs (or of the number given),
# side by side with the sqlite3 shell. Takes a few minutes; nothing here is part of the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-5}"
programs=(catalogue/bench_catalogue catalogue/bench_start figuredata/bench_points labels/bench_labels
          groups/bench_groups classify/bench_classify plot/bench_plot
          plotsession/bench_plotsession plotwindow/bench_hover)
cmake --build build -j2 --target "${programs[@]##*/}"
for program in "${programs[@]}"; do
    "build/bench/$program" "$runs"
done
# The catalogue on a library held by a PostgreSQL server against psql, beside a throwaway server.
cmake --build build -j2 --target bench_server
scripts/with-test-server.sh build/bench/server/bench_server "$runs"
# Sample tables and axis expressions against numpy, Python's csv module and xlsx2csv.
bench/samples/run.sh "$runs"
