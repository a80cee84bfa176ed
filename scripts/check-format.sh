#!/usr/bin/env bash
# Fails when a C++ file differs from .clang-format; run with --fix to reformat in place.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- 'src/*' 'app/*' 'tests/*' 'bench/*' | grep -E '\.(cpp|h)$' || true)
[ ${#files[@]} -eq 0 ] && exit 0
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run --Werror "${files[@]}"
fi
