#!/usr/bin/env bash
# Keeps the C++ code in the one format .clang-format describes.
# Usage: scripts/format.sh          check: lists every tracked C++ file clang-format would change, fails if any
#        scripts/format.sh --fix    rewrites those files in place
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh clang-format-14
mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format-14 -i "${files[@]}"
  exit 0
fi
# --Werror turns every would-be change into an error naming the file and line.
if ! clang-format-14 --dry-run --Werror "${files[@]}"; then
  echo "The files above are not in the project's format; run scripts/format.sh --fix." >&2
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format describes"
