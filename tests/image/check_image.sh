#!/usr/bin/env bash
# Checks a built launcher image: usage: check_image.sh IMAGE FORMAT [COMPILE_COMMANDS [MAP]]
#   FORMAT: pei-i386 for the product, pei-x86-64 for the twin.
#   MAP: the link map, when it is not beside the image (a signed copy, say).
# Reads the image with the mingw binutils, and the link map beside it; with the
# build tree's compile_commands.json, also how the launcher's sources were compiled
# (a PE image keeps no record of its compiler options).
set -u
image=$1 format=$2 commands=${3:-} map=${4:-${1%.exe}.map}
case $format in
  pei-i386) objdump=i686-w64-mingw32-objdump ;;
  pei-x86-64) objdump=x86_64-w64-mingw32-objdump ;;
  *) echo "unknown format $format"; exit 2 ;;
esac
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$image" ] || { echo "FAIL: no image at $image"; exit 1; }
headers=$($objdump -p "$image") || { echo "FAIL: $objdump cannot read $image"; exit 1; }

grep -q "file format $format\$" <<<"$headers" || fail "not a $format image"
grep -qE '^Subsystem[[:space:]]+0*2[[:space:]]+\(Windows GUI\)' <<<"$headers" ||
  fail "not of the Windows GUI subsystem"
grep -q 'symbols stripped' <<<"$headers" || fail "symbols not stripped"

# A clean Windows has no libgcc or libstdc++ DLL: only these three may be imported.
imports=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort | tr '\n' ' ')
[ "$imports" = "advapi32.dll kernel32.dll msvcrt.dll " ] ||
  fail "imports are '$imports', not advapi32.dll kernel32.dll msvcrt.dll"

# No C++ exception or RTTI machinery was linked in.
if [ -f "$map" ]; then
  hits=$(grep -oE '__gxx_personality[a-z0-9_]*|__cxa_(throw|begin_catch|allocate_exception)|_Unwind_Resume|_ZTI[A-Za-z0-9_]+|_ZTS[A-Za-z0-9_]+' "$map" | sort -u | head)
  [ -z "$hits" ] || fail "exception or RTTI symbols linked in: $(echo $hits)"
else
  fail "no link map at $map"
fi

# Optimised for size, without exceptions or RTTI: every launcher source so compiled.
if [ -n "$commands" ]; then
  missing=$(python3 - "$commands" <<'PY'
import json, sys
entries = [e for e in json.load(open(sys.argv[1]))
           if "/src/" in e["file"] and e["file"].endswith(".cpp")]
if not entries:
    print("no launcher source in " + sys.argv[1])
for entry in entries:
    flags = entry["command"].split()
    for flag in ("-Os", "-fno-exceptions", "-fno-rtti"):
        if flag not in flags:
            print("%s compiled without %s" % (entry["file"], flag))
PY
)
  [ -z "$missing" ] || fail "$missing"
fi

if [ $failures -eq 0 ]; then
  echo "ok: $image: $format, Windows GUI, stripped, imports $imports, no exception or RTTI symbols"
fi
[ $failures -eq 0 ]
