"""Checks the resources of a built launcher image: usage: check_resources.py IMAGE VERSION

The manifest must ask for administrator rights and list no supported Windows versions (with
one, Windows 8.1 and later would report their true version); the version resource must carry
the project's VERSION, a description, a product name and the original file name setup.exe.
"""
import re
import struct
import subprocess
import sys

image, version = sys.argv[1], sys.argv[2]
failures = []

for objdump in ("i686-w64-mingw32-objdump", "x86_64-w64-mingw32-objdump"):
    dump = subprocess.run([objdump, "-p", image], capture_output=True, text=True)
    if dump.returncode == 0:
        headers = dump.stdout
        break
else:
    sys.exit("FAIL: the mingw objdumps cannot read " + image)
types = set(re.findall(r"^\d{3}   Entry: ID: 0x([0-9a-f]+),", headers, re.M))
if "000018" not in types:
    failures.append("no manifest resource (type 24)")
if "000010" not in types:
    failures.append("no version resource (type 16)")

data = open(image, "rb").read()

manifest = re.search(rb"<\?xml.*?</assembly>", data, re.S)
if not manifest:
    failures.append("no manifest text in the image")
else:
    text = manifest.group(0).decode("utf-8")
    if not re.search(r'<requestedExecutionLevel\s+level="requireAdministrator"', text):
        failures.append("the manifest does not ask for requireAdministrator")
    for unwanted in ("supportedOS", "<compatibility", "<dependency"):
        if unwanted in text:
            failures.append("the manifest carries " + unwanted)

fixed = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
numbers = tuple(int(n) for n in version.split(".")) + (0,) * (4 - len(version.split(".")))
if fixed < 0:
    failures.append("no fixed file information")
else:
    ms, ls, pms, pls = struct.unpack_from("<4I", data, fixed + 8)
    for name, high, low in (("file", ms, ls), ("product", pms, pls)):
        found = (high >> 16, high & 0xFFFF, low >> 16, low & 0xFFFF)
        if found != numbers:
            failures.append("%s version is %s, not %s" % (name, found, numbers))


def string_value(key):
    """A StringFileInfo value: the UTF-16 key, padding to 4 bytes, then the value."""
    match = re.search(re.escape(key.encode("utf-16-le")) + rb"\x00\x00(?:\x00\x00)?((?:[^\x00].|\x00[^\x00])*)",
                      data, re.S)
    return match.group(1).decode("utf-16-le", "replace") if match else None


expected = {"OriginalFilename": "setup.exe", "FileVersion": version, "ProductVersion": version}
for key, value in expected.items():
    if string_value(key) != value:
        failures.append("%s is %r, not %r" % (key, string_value(key), value))
for key in ("FileDescription", "ProductName"):
    if not string_value(key):
        failures.append("no " + key)

for failure in failures:
    print("FAIL: " + failure)
if not failures:
    print("ok: %s: manifest asks for requireAdministrator with no supportedOS; version %s, %s, %s"
          % (image, version, string_value("ProductName"), string_value("OriginalFilename")))
sys.exit(1 if failures else 0)
