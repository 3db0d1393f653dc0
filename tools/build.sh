#!/usr/bin/env bash
# Configures and builds one tree: tools/build.sh [build-dir] [x86_64|i686] [Debug|Release]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
arch=${2:-x86_64}
config=${3:-Release}
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" \
      -DCMAKE_BUILD_TYPE="$config" >/dev/null
cmake --build "$build" -j"$(nproc)"
