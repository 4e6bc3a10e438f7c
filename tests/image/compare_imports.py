"""Checks that the product and its twin call the same things: usage: compare_imports.py PRODUCT TWIN

The end-to-end suite runs the twin; what it proves holds for the product only as far as both
images import the same functions, DLL by DLL. They may differ only in what each target's C
runtime start-up brings, listed here with the reason.
"""
import re
import subprocess
import sys

# Imported by the i686 image alone.
PRODUCT_ONLY = {
    # libgcc's i386 start-up looks for a shared libgcc to register its unwind tables with.
    "KERNEL32.DLL": {"FreeLibrary", "GetModuleHandleA", "GetModuleHandleW", "GetProcAddress",
                     "LoadLibraryA"},
    "MSVCRT.DLL": {
        # the i386 start-up reads these through accessor functions ...
        "__p__acmdln", "__p__commode", "__p__fmode",
        # ... and stdio's streams through the _iob array
        "_iob",
        # the i386 run-time brings its own _vscprintf (not every 32-bit msvcrt.dll has one),
        # which grows its buffer and sets errno
        "realloc", "_errno",
    },
}
# Imported by the x86_64 image alone.
TWIN_ONLY = {
    # x86_64 handles exceptions by table-based SEH, through this routine
    "KERNEL32.DLL": {"__C_specific_handler"},
    "MSVCRT.DLL": {
        # ... where the i686 start-up reads the same settings through the accessors above
        "_acmdln", "_commode", "_fmode", "__iob_func",
        # ... and takes _vscprintf from the 64-bit msvcrt.dll, which always has it
        "_vscprintf",
    },
}


def imports(image, objdump):
    """{DLL: {function, ...}} from the image's import table."""
    text = subprocess.run([objdump, "-p", image], capture_output=True, text=True,
                          check=True).stdout
    table, dll = {}, None
    for line in text.splitlines():
        named = re.match(r"^\tDLL Name: (\S+)$", line)
        if named:
            dll = named.group(1).upper()
            table[dll] = set()
            continue
        entry = re.match(r"^\t[0-9a-f]+\t\s*\d+\s+(\S+)$", line)
        if entry and dll:
            table[dll].add(entry.group(1))
        elif not line.strip():
            dll = None
    return table


def main():
    product = imports(sys.argv[1], "i686-w64-mingw32-objdump")
    twin = imports(sys.argv[2], "x86_64-w64-mingw32-objdump")
    failures = []
    if sorted(product) != sorted(twin):
        failures.append("DLLs differ: product %s, twin %s" % (sorted(product), sorted(twin)))
    for dll in sorted(set(product) | set(twin)):
        ours, theirs = product.get(dll, set()), twin.get(dll, set())
        for name, extra, allowed in (("product", ours - theirs, PRODUCT_ONLY.get(dll, set())),
                                     ("twin", theirs - ours, TWIN_ONLY.get(dll, set()))):
            if extra - allowed:
                failures.append("%s alone imports %s from %s" % (name, sorted(extra - allowed), dll))
            # A listed difference that is gone is a list to update, not a pass to keep.
            if allowed - extra:
                failures.append("listed as %s-only but not so: %s from %s"
                                % (name, sorted(allowed - extra), dll))
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        shared = sum(len(product[d] & twin[d]) for d in product)
        print("ok: product and twin share %d imports from %s; the rest is their start-up code's"
              % (shared, ", ".join(sorted(product))))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
