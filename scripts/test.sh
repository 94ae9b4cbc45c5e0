#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit, fuzz smoke, Wine end-to-end).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh
# The setups and zips that the package tests install and unpack; 3 means no NSIS on this
# platform, which those tests then report as their reason to skip.
status=0
bash scripts/package.sh || status=$?
if [ "$status" -ne 0 ] && [ "$status" -ne 3 ]; then exit "$status"; fi
# The code shared between threads also runs under ThreadSanitizer.
cmake -S . -B build/tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DDT_SANITIZE=OFF -DDT_FUZZ=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread -DDT_DIST_DIR="$root/dist" >/dev/null
cmake --build build/tsan -j "${DT_JOBS:-2}" --target thread_lock_test sound_player_test run_list_test
ctest --test-dir build/tsan --output-on-failure -R 'unit\.(ThreadLock|WorkerCount|SoundPlayer|RunList|RunLaunch)Test'

ctest --test-dir build/native --output-on-failure -j "${DT_TEST_JOBS:-2}" "$@"
