#!/usr/bin/env bash
# Builds the product from a clean tree and writes OUT/setup.exe and OUT/SHA256SUMS; with a
# certificate and key, signs the image (Authenticode, SHA-256) and verifies it first.
#
# usage: release.sh [--cert CERT.pem --key KEY.pem [--ca CA.pem] [--timestamp URL]
#                   [--pkcs11-module MODULE.so]] [--out DIR] [--arch i686|x86_64]
#   --cert, --key      the code-signing certificate (PEM, with any intermediates) and its
#                      private key (PEM, unencrypted), or with --pkcs11-module a PKCS#11 URI
#                      (pkcs11:...) naming a key on a token
#   --ca               the CA the signature is verified against (default: the system's)
#   --timestamp        an RFC 3161 time-stamp server, so the signature outlives the certificate
#   --out              where the release goes (default: dist)
#   --arch             i686, the product (default); x86_64, its twin, for tests under wine64
# Any failure: one line on stderr, a non-zero status, and no setup.exe or SHA256SUMS in OUT.
set -euo pipefail
cd "$(dirname "$0")/.."

cert= key= ca=/etc/ssl/certs/ca-certificates.crt timestamp= module= out=dist arch=i686
fail() { echo "release: $*" >&2; exit 1; }
while [ $# -gt 0 ]; do
  [ $# -ge 2 ] || fail "$1 needs a value"
  case $1 in
    --cert) cert=$2 ;;
    --key) key=$2 ;;
    --ca) ca=$2 ;;
    --timestamp) timestamp=$2 ;;
    --pkcs11-module) module=$2 ;;
    --out) out=$2 ;;
    --arch) arch=$2 ;;
    *) fail "unknown option $1 (see the head of scripts/release.sh)" ;;
  esac
  shift 2
done
case $arch in i686|x86_64) ;; *) fail "--arch is i686 or x86_64, not $arch" ;; esac

# An earlier release in OUT goes first: whatever happens next, nothing stale is left there
# to pass for this one.
mkdir -p "$out"
rm -f "$out/setup.exe" "$out/SHA256SUMS"

readable() { [ -f "$2" ] && [ -r "$2" ] || fail "the $1 $2 is missing or unreadable"; }
if [ -n "$cert$key" ]; then
  [ -n "$cert" ] || fail "--key needs --cert"
  [ -n "$key" ] || fail "--cert needs --key"
  readable certificate "$cert"
  cert_key=$(openssl x509 -in "$cert" -noout -pubkey 2>/dev/null) ||
    fail "the certificate $cert is not a PEM certificate"
  if [ -n "$module" ]; then
    [[ $key == pkcs11:* ]] || fail "with --pkcs11-module, --key is a pkcs11: URI"
  else
    readable key "$key"
    key_key=$(openssl pkey -in "$key" -pubout -passin pass: 2>/dev/null) ||
      fail "the key $key is not an unencrypted PEM private key"
    [ "$cert_key" = "$key_key" ] || fail "the key $key does not belong to the certificate $cert"
  fi
  readable "CA file" "$ca"
fi
[ -z "$(git status --porcelain 2>/dev/null)" ] ||
  echo "release: note: the work tree has changes not committed; the image is built from them"

build=build/release-$arch
rm -rf "$build"
mkdir -p build
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-$arch.cmake \
  -DCMAKE_BUILD_TYPE=MinSizeRel >"$build.log" 2>&1 || fail "configure failed; see $build.log"
cmake --build "$build" --target setup -j 2 >>"$build.log" 2>&1 || fail "build failed; see $build.log"
image=$build/src/setup.exe

staged=$(mktemp "$out/.setup.exe.XXXXXX")
trap 'rm -f "$staged" "$staged.signed"' EXIT
if [ -n "$cert" ]; then
  info=$build/src/version.h
  description=$(sed -n 's/^#define LAUNCHER_DESCRIPTION "\(.*\)"$/\1/p' "$info")
  url=$(sed -n 's/^#define LAUNCHER_URL "\(.*\)"$/\1/p' "$info")
  signing=(-certs "$cert" -key "$key" -h sha256 -n "$description" -i "$url")
  [ -z "$module" ] || signing+=(-pkcs11module "$module")
  [ -z "$timestamp" ] || signing+=(-ts "$timestamp")
  osslsigncode sign "${signing[@]}" -in "$image" -out "$staged.signed" >"$build.sign.log" 2>&1 ||
    fail "signing failed; see $build.sign.log"
  osslsigncode verify -CAfile "$ca" -in "$staged.signed" >"$build.verify.log" 2>&1 ||
    fail "the signed image does not verify against $ca; see $build.verify.log"
  mv "$staged.signed" "$staged"
else
  cp "$image" "$staged"
fi
mv "$staged" "$out/setup.exe"
(cd "$out" && sha256sum setup.exe > SHA256SUMS)
if [ -n "$cert" ]; then
  echo "released $out/setup.exe, signed by $(openssl x509 -in "$cert" -noout -subject) and verified"
else
  echo "released $out/setup.exe UNSIGNED (no --cert and --key given)"
fi
cat "$out/SHA256SUMS"
