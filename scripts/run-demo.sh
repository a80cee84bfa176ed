#!/usr/bin/env bash
# The README's first command: installs what is missing, builds, prepares the demo figure
# library in demo/ (only the first time, or with --fresh) and starts Taprell on it. The demo
# has its own settings folder, so the user's own settings are never read or written.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh

demo="$PWD/demo"
if [ "${1:-}" = "--fresh" ]; then
    rm -rf "$demo"
fi
if [ ! -f "$demo/dbase/system.mdb" ]; then
    build/app/taprell/taprell-demo "$demo"
fi

export XDG_CONFIG_HOME="$demo/config"
mkdir -p "$XDG_CONFIG_HOME"
printf '[Kalvor]\nPath=%s\n' "$demo" > "$XDG_CONFIG_HOME/venmarod software.ini"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "No display found: starting Taprell under a virtual X server (xvfb-run)." >&2
    exec xvfb-run -a -s "-screen 0 1280x800x24" build/app/taprell/Taprell
fi
exec build/app/taprell/Taprell
