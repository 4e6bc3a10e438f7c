#!/usr/bin/env bash
# Installs what building and testing the launcher needs, from Debian's packages.
# As root it runs apt-get; otherwise it prints the line to run and fails.
set -euo pipefail

packages=(
  cmake make g++ python3             # host build and the test drivers
  libgtest-dev libgmock-dev          # host unit tests
  g++-mingw-w64-i686 g++-mingw-w64-x86-64
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64
  wine64                             # runs the x86_64 twin in tests and the demo
  clang libclang-rt-14-dev           # the sanitizer build and the fuzzer
  cppcheck clang-tidy                # static checks
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages; run as root:" >&2
  echo "  apt-get update && apt-get install -y --no-install-recommends ${missing[*]}" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -q >/dev/null
apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
