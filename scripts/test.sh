#!/usr/bin/env bash
# Builds everything and runs every test through CTest.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh test
# clang with AddressSanitizer and UBSan: the host tests and a short fuzzing run
cmake --workflow --preset sanitize
# gcc: the host tests, both Windows images and their checks, Wine, static checks
cmake --workflow --preset test
