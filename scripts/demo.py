"""Lays a demo kit in the build tree, runs the launcher on it under wine64 and
says what happened: the exit status, any debugger line, and what the stand-in
installer was given."""
import os
import shutil
import sys

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import winekit  # noqa: E402

twin = os.path.join(root, "build", "windows-x86_64")
demo = os.path.join(root, "build", "demo")
shutil.rmtree(os.path.join(demo, "kit"), ignore_errors=True)
shutil.rmtree(os.path.join(demo, "wineprefix.logs"), ignore_errors=True)

kit = winekit.Kit(os.path.join(demo, "kit", "Driver Kit"), twin)
prefix = winekit.Prefix(os.path.join(demo, "wineprefix"))
print("preparing a Wine prefix in", prefix.path)
prefix.create()
try:
    print("running", winekit.windows_path(kit.setup))
    run = prefix.run(kit.setup)
    record = winekit.read_record(kit.installer())
finally:
    prefix.stop()

print("exit status:        %d" % run.status)
print("debugger output:    %s" % (" | ".join(l.rstrip("\n") for l in run.debug_lines) or "(none)"))
if record is None:
    print("installer:          not started")
    sys.exit(1)
print("installer started:  %s" % record["module"])
print("  command line:     %s" % record["command"])
print("  current folder:   %s" % record["directory"])
sys.exit(0 if run.status == 0 else 1)
