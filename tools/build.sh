#!/usr/bin/env bash
# build.sh [x86_64|i686] [build dir] [target...]: configures and builds with the
# mingw-w64 toolchain; every target, or only the ones named (and what they need).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
arch=${1:-x86_64}
dir=${2:-$top/build-$arch}
extra=()
[ "$arch" = x86_64 ] || extra=(-DVARNEL_TESTS=OFF)
cmake -S "$top" -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/toolchain-mingw-$arch.cmake" "${extra[@]}" >/dev/null
targets=()
[ $# -le 2 ] || targets=(--target "${@:3}")
cmake --build "$dir" -j"$(nproc)" "${targets[@]}"
