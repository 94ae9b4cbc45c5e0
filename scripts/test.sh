#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test (unit, fuzz smoke, Wine end-to-end).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh
ctest --test-dir build/native --output-on-failure -j "${DT_TEST_JOBS:-2}" "$@"
