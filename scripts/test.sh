#!/usr/bin/env bash
# The README's test command: installs what is missing, builds, checks formatting and runs
# every test headless beside a throwaway PostgreSQL server (scripts/with-test-server.sh, stopped
# again also when tests fail), then builds the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/check-format.sh
export QT_QPA_PLATFORM=offscreen
scripts/with-test-server.sh ctest --test-dir build --output-on-failure -j2 --timeout 300
scripts/package.sh --check
