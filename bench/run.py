"""Times the launcher under wine64 against what it is measured by, and prints a table.

(a) against an empty GUI program built the same way: the floor, one process start;
(b) against the batch file a user would write instead, run by Wine's cmd;
(c) with an installer that lives 3 seconds, against those 3 seconds: it must not wait.
A further row, with no goal, splits (a): the launcher on a kit without the installer, so that
the start fails at once, against the same floor; what (a) adds to it is the start of the
installer's process.
Whole-process wall-clock times, with a persistent wineserver, after warm-up; the two sides of
(a) and (b) alternate run by run. Also the image sizes and the product's imports.
"""
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
import winekit  # noqa: E402

# Timings under Wine come in two modes here (about 10 ms, and 40 ms when the prefix's own
# services stir), so the quick comparisons take many pairs; (c) takes 3 s a run.
PAIRS = int(os.environ.get("BENCH_PAIRS", "41"))
LINGER_RUNS = int(os.environ.get("BENCH_LINGER_RUNS", "15"))
WARMUP = 5
SETTLE_S = 10
LINGER_S = 3.0
build = os.path.join(root, "build")
product_tree = os.path.join(build, "windows-i686")
twin_tree = os.path.join(build, "windows-x86_64")
work = os.path.join(build, "bench")

BATCH = ('@echo off\r\ncd /d "%~dp0Vista64\\USB"\r\nstart "" DPInst.exe /sa\r\n')


def timed(env, *args):
    """Seconds from starting wine64 on args to its end."""
    started = time.perf_counter()
    subprocess.run([winekit.WINE, *args], env=env, stdin=subprocess.DEVNULL,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - started


def settle(kit):
    """Waits, outside the timings, for the installer a run started to finish."""
    record = winekit.read_record(kit.installer(), finished=True, timeout=30)
    if record is None or not record["finished"]:
        sys.exit("the installer did not run to its end")
    os.remove(kit.installer() + ".record")


def alternate(measure_a, measure_b):
    """Medians over PAIRS pairs, the order swapped every other pair, after warm-up."""
    for _ in range(WARMUP):
        measure_a()
        measure_b()
    a, b = [], []
    for i in range(PAIRS):
        if i % 2 == 0:
            a.append(measure_a())
            b.append(measure_b())
        else:
            b.append(measure_b())
            a.append(measure_a())
    return statistics.median(a), statistics.median(b)


def imports(exe):
    headers = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], capture_output=True,
                             text=True, check=True).stdout
    return sorted(re.findall(r"DLL Name: (\S+)", headers))


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def main():
    shutil.rmtree(os.path.join(work, "kit"), ignore_errors=True)
    kit = winekit.Kit(os.path.join(work, "kit"), twin_tree)
    bare = winekit.Kit(os.path.join(work, "kit", "bare"), twin_tree, packages=())
    batch = os.path.join(kit.root, "install.bat")
    with open(batch, "w", newline="") as f:
        f.write(BATCH)
    empty = os.path.join(twin_tree, "bench", "empty_gui.exe")

    prefix = winekit.Prefix(os.path.join(work, "wineprefix"))
    prefix.create()
    prefix.set_version("win7")
    time.sleep(SETTLE_S)  # the prefix's own services are busy for a while after a start
    env = dict(prefix.env, WINEDEBUG="-all")
    lingering = dict(env, STANDIN_LINGER_MS=str(int(LINGER_S * 1000)))
    try:
        def launcher():
            seconds = timed(env, kit.setup)
            settle(kit)
            return seconds

        def batch_file():
            seconds = timed(env, "cmd", "/c", winekit.windows_path(batch))
            settle(kit)
            return seconds

        # First, while no installer has run in this prefix yet: after installers have come
        # and gone, runs here turn slow for a while, on both sides alike.
        a_bare, a_bare_empty = alternate(lambda: timed(env, bare.setup),
                                         lambda: timed(env, empty))
        a_launcher, a_empty = alternate(launcher, lambda: timed(env, empty))
        b_launcher, b_batch = alternate(launcher, batch_file)
        c_runs = []
        for i in range(WARMUP + LINGER_RUNS):
            seconds = timed(lingering, kit.setup)
            settle(kit)
            if i >= WARMUP:
                c_runs.append(seconds)
        c_launcher = statistics.median(c_runs)
    finally:
        prefix.stop()

    product = os.path.join(product_tree, "src", "setup.exe")
    twin = os.path.join(twin_tree, "src", "setup.exe")
    version = subprocess.run([winekit.WINE, "--version"], capture_output=True, text=True).stdout
    rows = [
        ("(a) launcher / empty GUI program", a_launcher, a_empty, 1.5),
        ("    same, nothing to start", a_bare, a_bare_empty, None),
        ("(b) launcher / batch file in cmd", b_launcher, b_batch, 0.5),
        ("(c) launcher / installer's 3 s", c_launcher, LINGER_S, 0.1),
    ]
    print("machine: %s, %d cores, %s, Python %s" % (cpu_model(), os.cpu_count(),
                                                   version.strip(), platform.python_version()))
    print("medians of %d runs a side, alternating ((c): %d runs), after %d warm-up runs;"
          " wall-clock seconds under wine64\n" % (PAIRS, LINGER_RUNS, WARMUP))
    print("%-34s %9s %9s %7s %6s  %s" % ("comparison", "launcher", "other", "ratio", "goal", "met"))
    for name, ours, theirs, goal in rows:
        ratio = ours / theirs
        verdict = ("<=%g" % goal, "yes" if ratio <= goal else "NO") if goal else ("", "")
        print("%-34s %9.4f %9.4f %7.3f %6s  %s" % ((name, ours, theirs, ratio) + verdict))
    size = os.path.getsize(product)
    print("\nproduct (i686) setup.exe: %d bytes (%.1f KiB), goal <= 48 KiB: %s"
          % (size, size / 1024, "yes" if size <= 48 * 1024 else "NO"))
    print("twin (x86_64) setup.exe:  %d bytes (%.1f KiB)" % (os.path.getsize(twin),
                                                           os.path.getsize(twin) / 1024))
    print("product imports: %s" % ", ".join(imports(product)))


if __name__ == "__main__":
    main()
