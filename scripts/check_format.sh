#!/usr/bin/env bash
# Fails when a tracked C++ file differs from the style in .clang-format.
# Run from anywhere; lists the files to fix with `clang-format -i`.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/mebrath-format.$$; then
  grep -o '^[^:]*:' /tmp/mebrath-format.$$ | sort -u | sed 's/:$//; s/^/needs clang-format: /'
  rm -f /tmp/mebrath-format.$$
  exit 1
fi
rm -f /tmp/mebrath-format.$$
