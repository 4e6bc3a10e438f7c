#!/usr/bin/env bash
# Builds the product, its twin and the floor program, then times them under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh bench
for preset in windows-i686 windows-x86_64; do
  cmake --preset $preset >/dev/null
  cmake --build --preset $preset >/dev/null
done
python3 bench/run.py
