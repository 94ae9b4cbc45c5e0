#!/usr/bin/env bash
# Installs what is missing, builds, and runs Dialtick under Wine with the dial-up simulator.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
bash scripts/deps.sh
bash scripts/build.sh
exec python3 scripts/demo.py "$@"
