#!/usr/bin/env bash
# The main job: builds the launcher and runs it on a demo kit under wine64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh demo
cmake --preset windows-i686 >/dev/null
cmake --build --preset windows-i686 >/dev/null
cmake --preset windows-x86_64 >/dev/null
cmake --build --preset windows-x86_64 >/dev/null
echo "built build/windows-i686/src/setup.exe (the product) and build/windows-x86_64/src/setup.exe (its twin)"
python3 scripts/demo.py
