#!/usr/bin/env bash
# format.sh [--check]: formats the tree's C and C++ sources with .clang-format,
# or with --check only lists the files that differ and fails when there are any.
# One clang-format version for everybody: another one formats a little differently.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
cf=clang-format-14
command -v "$cf" >/dev/null || { echo "format.sh: $cf is missing (tools/setup.sh installs it)" >&2; exit 1; }
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.c')
if [ "${1:-}" = --check ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! "$cf" --style=file "$f" | cmp -s - "$f"; then
      echo "not formatted: $f (tools/format.sh formats it)"
      bad=1
    fi
  done
  exit $bad
fi
"$cf" --style=file -i "${files[@]}"
