#!/usr/bin/env bash
# Fails when a C++ file differs from what .clang-format makes of it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
mapfile -t files < <(git ls-files '*.h' '*.hpp' '*.cpp' '*.c' 2>/dev/null)
[ "${#files[@]}" -eq 0 ] && exit 0
clang-format --dry-run -Werror "${files[@]}"
