#!/usr/bin/env bash
# Installs what one job of the project needs, from Debian's packages.
# usage: install-deps.sh demo|test|bench|release
#   demo     build the launcher and run it under wine64
#   test     everything scripts/test.sh runs, the 32-bit product under Wine among it
#   bench    the demo's set, and NSIS for the bootstrapper the benchmark measures against
#   release  build the product and sign it
# As root it runs apt-get (and, for test, registers the binfmt_misc rule below);
# otherwise it prints the lines to run and fails. Says what it changed; changes nothing twice.
set -euo pipefail
cd "$(dirname "$0")/.."

job=${1:-}
windows_build=(cmake make g++-mingw-w64-i686 g++-mingw-w64-x86-64
               binutils-mingw-w64-i686 binutils-mingw-w64-x86-64)
case $job in
  demo) packages=("${windows_build[@]}" python3 wine64) ;;
  bench) packages=("${windows_build[@]}" python3 wine64 nsis) ;;
  release) packages=("${windows_build[@]}" osslsigncode openssl git) ;;
  test)
    packages=("${windows_build[@]}" python3 wine64
      g++ libgtest-dev libgmock-dev      # host unit tests
      clang libclang-rt-14-dev           # the sanitizer build and the fuzzer
      cppcheck clang-tidy                # static checks
      osslsigncode openssl git           # release tests
      wine32:i386                        # runs the 32-bit product in a WoW64 prefix
      qemu-user-static)                  # ... where the kernel cannot run 32-bit programs
    ;;
  *) echo "usage: install-deps.sh demo|test|bench|release" >&2; exit 2 ;;
esac

installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

missing=()
for package in "${packages[@]}"; do installed "$package" || missing+=("$package"); done
if [ ${#missing[@]} -gt 0 ]; then
  steps=()
  case " ${missing[*]} " in
    *:i386*) dpkg --print-foreign-architectures | grep -qx i386 ||
               steps+=("dpkg --add-architecture i386") ;;
  esac
  steps+=("apt-get update -q" "apt-get install -y -q --no-install-recommends ${missing[*]}")
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages; run as root:" >&2
    printf '  %s\n' "${steps[@]}" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  for step in "${steps[@]}"; do $step >/dev/null; done
fi

# Without 32-bit programs the rest of the tests still run; the product's cases then fail
# with the reason.
if [ "$job" = test ] && ! scripts/enable-32bit-programs.sh; then
  echo "the shipped 32-bit image cannot run under Wine here: its cases will fail" \
       "(configure with -DLAUNCHER_PRODUCT_TESTS=OFF to leave them out)" >&2
fi
exit 0
