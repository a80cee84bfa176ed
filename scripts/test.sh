#!/usr/bin/env bash
# The README's test command: installs what is missing, builds, checks formatting and runs
# every test headless, then builds the Debian package and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
scripts/check-format.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 300
scripts/package.sh --check
