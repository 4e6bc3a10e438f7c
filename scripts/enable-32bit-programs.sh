#!/usr/bin/env bash
# Makes 32-bit Linux programs, Wine's 32-bit loader among them, run here: where the
# kernel refuses them, a binfmt_misc rule hands them to qemu-i386-static.
# Does nothing where they already run; says what it changed. Exit status 1, with the
# reason, where it cannot (not root, no binfmt_misc).
set -euo pipefail

loader=/usr/lib/wine/wine   # a 32-bit ELF program, from wine32:i386
binfmt=/proc/sys/fs/binfmt_misc
rule=qemu-i386
qemu=/usr/bin/qemu-i386-static

[ -x "$loader" ] || { echo "no 32-bit Wine loader at $loader: install wine32:i386" >&2; exit 1; }
if "$loader" --version >/dev/null 2>&1; then
  exit 0
fi

[ -x "$qemu" ] || { echo "the kernel refuses 32-bit programs and $qemu is missing: install qemu-user-static" >&2; exit 1; }
if [ "$(id -u)" -ne 0 ]; then
  echo "the kernel refuses 32-bit programs; as root, scripts/enable-32bit-programs.sh hands them to qemu" >&2
  exit 1
fi
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt" ||
    { echo "cannot mount binfmt_misc at $binfmt: 32-bit programs cannot run here" >&2; exit 1; }
  echo "mounted binfmt_misc at $binfmt"
fi
if [ ! -e "$binfmt/$rule" ]; then
  # The i386 ELF header of an executable (type 2) or a shared object (type 3), whatever
  # its ABI byte. F: the kernel opens qemu now, so the rule works in any mount namespace.
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  printf ':%s:M::%s:%s:%s:F\n' "$rule" "$magic" "$mask" "$qemu" > "$binfmt/register" ||
    { echo "cannot register the $rule rule in $binfmt" >&2; exit 1; }
  echo "registered binfmt_misc rule $rule: 32-bit programs run through $qemu"
fi
"$loader" --version >/dev/null 2>&1 ||
  { echo "32-bit programs still do not run here, even through $qemu" >&2; exit 1; }
