#!/usr/bin/env bash
# Checks that the README's layout table names every source file of the program and the tools in its folder's
# row, so a newcomer finds each file where the table says. Prints the files it misses; exits 1 when any is.
set -euo pipefail
cd "$(dirname "$0")/.."
missing=0
while IFS= read -r file; do
  folder=$(dirname "$file")/
  stem=$(basename "$file")
  stem=${stem%.*}
  row=$(grep -F "| \`$folder\` |" README.md || true)
  if [ -z "$row" ]; then
    echo "README layout: no row for $folder ($file)"
    missing=1
  elif ! grep -qF "\`$stem\`" <<<"$row"; then
    echo "README layout: the row of $folder does not name $stem ($file)"
    missing=1
  fi
done < <(git ls-files '*.cpp' '*.h' | grep -vE '^(tests|bench|fuzz)/')
[ "$missing" -eq 0 ] && echo "layout: every source file is named in the README's table"
exit "$missing"
