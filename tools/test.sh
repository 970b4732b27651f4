#!/usr/bin/env bash
# The whole test suite: set-up, the format check, the x86-64 build with its
# tests under Wine, and the i686 build, compiled only (32-bit programs can't run
# here), so that the code stays pointer-size clean.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/tools/setup.sh"
# Code that doesn't match the written style fails the suite before the build.
"$top/tools/format.sh" --check
"$top/tools/build.sh" x86_64
"$top/tools/build.sh" i686
. "$top/tools/wine-lib.sh"
wine_template
cd "$top/build-x86_64"
ctest --output-on-failure -j"$(nproc)" "$@"
