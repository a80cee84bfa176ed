#!/usr/bin/env bash
# Builds the Debian package from the build in build/ (made by scripts/build.sh when missing):
# build/package/taprell_<version>_amd64.deb. With --check it then checks the package: the files
# it must hold, the binaries linked only to libraries of packages it depends on, the desktop
# entry (desktop-file-validate), the AppStream metadata (appstreamcli) and lintian (no error).
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
    --check) check=1 ;;
    "") ;;
    *) echo "usage: scripts/package.sh [--check]" >&2; exit 2 ;;
esac

[ -f build/CMakeCache.txt ] || scripts/build.sh
cmake --build build -j2 --target Taprell KalvorSetup taprell-render taprell-plot taprell-library taprell-dist

rm -f build/package/taprell_*.deb
if ! (cd build && cpack -G DEB) >build/cpack.log 2>&1; then
    cat build/cpack.log >&2
    exit 1
fi
deb=$(ls build/package/taprell_*_amd64.deb)
echo "Package: $deb ($(stat -c %s "$deb") bytes)"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"
[ "$check" -eq 1 ] || exit 0

failed=0
fail() { echo "package check: $*" >&2; failed=1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
root="$work/root"
dpkg-deb -x "$deb" "$root"

id=io.github.taprell.Taprell
expected=(
    usr/bin/Taprell usr/bin/taprell-render usr/bin/taprell-plot usr/bin/taprell-library usr/libexec/taprell/KalvorSetup
    usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/$id.svg
    usr/share/taprell/schema.sql usr/share/taprell/sample/dbase/system.mdb
    usr/share/doc/taprell/copyright usr/share/doc/taprell/changelog.gz
    usr/share/man/man1/Taprell.1.gz usr/share/man/man1/KalvorSetup.1.gz
    usr/share/man/man1/taprell-render.1.gz usr/share/man/man1/taprell-plot.1.gz usr/share/man/man1/taprell-library.1.gz
    usr/share/taprell/schema-postgresql.sql
)
for size in 16 24 32 48 64 128 256; do
    png=usr/share/icons/hicolor/${size}x${size}/apps/$id.png
    expected+=("$png")
    if [ -f "$root/$png" ] && ! file -b "$root/$png" | grep -q "PNG image data, $size x $size"; then
        fail "$png is not a $size x $size PNG"
    fi
done
for f in "${expected[@]}"; do
    [ -f "$root/$f" ] || fail "missing /$f"
done
# Started from the program path the installer would take /usr/bin for an installer folder.
[ ! -e "$root/usr/bin/KalvorSetup" ] || fail "KalvorSetup is on the program path"

# One thumbnail per sample figure.
sample="$root/usr/share/taprell/sample"
if [ -f "$sample/dbase/system.mdb" ]; then
    figures=$(sqlite3 "$sample/dbase/system.mdb" "select count(*) from picMain")
    thumbnails=$(find "$sample/Diagram/MiniMap" -name '*.gif' 2>/dev/null | wc -l)
    [ "$figures" -gt 0 ] && [ "$thumbnails" -eq "$figures" ] ||
        fail "sample library: $figures figures, $thumbnails thumbnails"
fi

# Every library a binary needs comes from a package named in Depends.
declare -A depends=()
while read -r name; do
    [ -n "$name" ] && depends[$name]=1
done < <(dpkg-deb -f "$deb" Depends | tr ',|' '\n\n' | sed -E 's/\(.*\)//; s/^ +//; s/ +$//')
owner() {
    local path=$1 alt
    dpkg-query -S "$path" 2>/dev/null && return
    # Merged /usr: the loader may name /lib for a file its package ships in /usr/lib, or back.
    case "$path" in
        /usr/*) alt=${path#/usr} ;;
        *) alt=/usr$path ;;
    esac
    dpkg-query -S "$alt" 2>/dev/null
}
for bin in "$root"/usr/bin/* "$root"/usr/libexec/taprell/*; do
    file -b "$bin" | grep -q '^ELF' || continue
    if readelf -d "$bin" | grep -Eq 'RPATH|RUNPATH'; then
        fail "$(basename "$bin") has a run path: $(readelf -d "$bin" | grep -E 'RPATH|RUNPATH')"
    fi
    declare -A paths=()
    while read -r lib _ path _; do
        paths[$lib]=$path
    done < <(ldd "$bin" | grep '=>')
    for lib in $(readelf -d "$bin" | sed -nE 's/.*\(NEEDED\).*\[(.*)\]/\1/p'); do
        path=${paths[$lib]:-}
        if [ -z "$path" ] || [ "$path" = "not" ]; then
            fail "$(basename "$bin"): $lib is not found"
            continue
        fi
        package=$(owner "$path" | head -1 | cut -d: -f1 || true)
        if [ -z "$package" ]; then
            fail "$(basename "$bin"): $lib ($path) belongs to no package"
        elif [ -z "${depends[$package]:-}" ]; then
            fail "$(basename "$bin"): $lib comes from $package, which Depends does not name"
        fi
    done
    unset paths
done

# Libraries the programs open themselves when needed, so no binary names them.
for lib in libpq.so.5; do
    # awk reads all of ldconfig's list: leaving early would end ldconfig on a broken pipe.
    path=$(ldconfig -p | awk -v lib="$lib" '$1 == lib && /x86-64/ && !found { found = $NF } END { print found }')
    package=""
    [ -n "$path" ] && package=$(owner "$path" | head -1 | cut -d: -f1 || true)
    if [ -z "$package" ]; then
        fail "$lib, opened at run time, is not installed here"
    elif [ -z "${depends[$package]:-}" ]; then
        fail "$lib, opened at run time, comes from $package, which Depends does not name"
    fi
done

# Hints count too: one of them is a second main category, which lists the program twice.
validation=$(desktop-file-validate "$root/usr/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate"
[ -z "$validation" ] || fail "desktop-file-validate: $validation"
# The window's class (WM_CLASS "Taprell") ties it to the menu entry where the desktop file name does not.
grep -qx 'StartupWMClass=Taprell' "$root/usr/share/applications/$id.desktop" || fail "no StartupWMClass=Taprell"
for bin in "$root"/usr/bin/*; do
    grep -q "<binary>$(basename "$bin")</binary>" "$root/usr/share/metainfo/$id.metainfo.xml" ||
        fail "the AppStream metadata does not provide $(basename "$bin")"
done
appstreamcli validate --no-net "$root/usr/share/metainfo/$id.metainfo.xml" || fail "appstreamcli validate"
echo
# Warnings and notes are shown but pass; an error fails.
echo "lintian:"
if lintian --fail-on error --display-info "$deb" >"$work/lintian.txt" 2>&1; then
    lintian_ok=1
else
    lintian_ok=0
fi
grep -v '^running with root privileges' "$work/lintian.txt" || echo "(no tags)"
[ "$lintian_ok" -eq 1 ] || fail "lintian reports an error"

if [ "$failed" -ne 0 ]; then
    echo "Package checks failed." >&2
    exit 1
fi
echo "Package checks passed."
