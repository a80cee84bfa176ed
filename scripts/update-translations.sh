#!/usr/bin/env bash
# Brings translations/taprell_en.ts up to date with the texts in Taprell's sources: new texts are
# added unfinished (translate them in the file or with Qt Linguist), texts no longer in the
# sources are dropped. The installer (src/setup) stays Chinese and is not scanned.
set -euo pipefail
cd "$(dirname "$0")/.."
lupdate=$(command -v lupdate || echo /usr/lib/qt6/bin/lupdate)
mapfile -t folders < <(find src -mindepth 1 -maxdepth 1 -type d ! -name setup | sort)
"$lupdate" -no-obsolete -locations none -source-language zh_CN -target-language en \
    -extensions cpp,h "${folders[@]}" -ts translations/taprell_en.ts
