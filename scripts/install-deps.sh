#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo and the package checks need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    cmake g++ ninja-build sqlite3
    qt6-base-dev qt6-translations-l10n qt6-l10n-tools qt6-tools-dev
    libsqlite3-dev libgif-dev qt6-svg-dev qt6-pdf-dev
    libpq-dev postgresql
    libzip-dev libxlsxwriter-dev python3-numpy xlsx2csv
    fonts-arphic-uming fonts-arphic-ukai
    xvfb xauth xdotool imagemagick
    clang-format
    python3-matplotlib
    desktop-file-utils appstream lintian dpkg-dev file
    locales
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    "${sudo_cmd[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# A locale that writes a decimal comma: the tests check that numbers read the same under it.
if ! locale -a 2>/dev/null | grep -Eqi '^de_DE\.utf-?8$'; then
    "${sudo_cmd[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8
fi
