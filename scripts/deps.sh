#!/usr/bin/env bash
# Installs what building, running and testing need, when it is missing (Debian, as root or sudo).
#
#   bash scripts/deps.sh [PACKAGE...]    (names given: only those)
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev python3
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
  libgtest-dev libgmock-dev libbenchmark-dev libinih-dev valgrind
  wine64 xvfb x11-utils xauth imagemagick fonts-dejavu-core
)
if [ $# -gt 0 ]; then packages=("$@"); fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
