#!/usr/bin/env bash
# Builds both Windows programs (64- and 32-bit) and the native core with its tests.
#
#   bash scripts/build.sh [windows]    ("windows": only the two Windows programs)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="${DT_JOBS:-2}"

build_windows() {  # arch
  local arch="$1" dir="build/win-$1"
  local dist="$root/dist/win64"
  [ "$arch" = "i686" ] && dist="$root/dist/win32"
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-$arch.cmake" -DDT_DIST_DIR="$dist" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

build_windows x86_64
build_windows i686
[ "${1:-}" = "windows" ] && exit 0

cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DDT_DIST_DIR="$root/dist" >/dev/null
cmake --build build/native -j "$jobs"
