"""Times the launcher under wine64 against what it is measured by, and prints a table.

(a) against an empty GUI program built the same way: one process start, no installer;
    information only, since the launcher must also start the installer;
(b) against the batch file a user would write instead, run by Wine's cmd;
(c) with an installer that lives 3 seconds, against those 3 seconds: it must not wait;
(d) against the floor of any launcher: a bare program that only starts the same installer
    with the same command line from the same folder;
(e) against an NSIS bootstrapper doing the launcher's job, built here from bootstrapper.nsi.
Two further rows, with no goal: one splits (a), the launcher on a kit without the installer, so
that the start fails at once, against the empty program; one splits (d), the bare starter that
also makes the launcher's registry probe against the bare starter: what loading ADVAPI32 costs.

Whole-process wall-clock times, with a persistent wineserver, after warm-up; the two sides
alternate run by run, and each run's installer has ended before the next run starts. Under
Wine these times are two-humped (some runs pay about 50 ms more, in phases of many runs), so
each side shows its median and its fast time, the median of its fastest quarter of runs; the
goals are judged on the ratio of the fast times, which holds from run to run where the ratio
of the medians swings with the number of slow runs that fell on each side.
Also the image sizes and imports, NSIS's beside ours.
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
NOTE_AFTER_S = 30  # a run's installer still going after this long is said to be slow
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
    """Waits, outside the timings, for the installer a run started to finish: however long
    a slow start takes, so that no run overlaps the next one's."""
    record = winekit.read_record(kit.installer(), finished=True, timeout=NOTE_AFTER_S)
    if record is None:
        sys.exit("the installer was never started: %s" % kit.installer())
    if not record["finished"]:
        print("  (a slow run: its installer is still going after %d s; waiting for it)"
              % NOTE_AFTER_S, flush=True)
        while not record["finished"]:
            record = winekit.read_record(kit.installer(), finished=True, timeout=NOTE_AFTER_S)
    # Its last line is written just before it exits: wait for the exit too.
    while winekit.running(kit.installer()):
        time.sleep(0.01)
    os.remove(kit.installer() + ".record")


def fast(times):
    """The median of the fastest quarter of the runs."""
    ordered = sorted(times)
    return statistics.median(ordered[:max(1, len(ordered) // 4)])


def alternate(measure_a, measure_b):
    """Both sides' times over PAIRS pairs, the order swapped every other pair, after warm-up."""
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
    return a, b


def imports(exe):
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True,
                             text=True, check=True).stdout
    return sorted(re.findall(r"DLL Name: (\S+)", headers), key=str.upper)


def build_bootstrappers():
    """The NSIS bootstrapper for each stub; {target: image}."""
    script = os.path.join(root, "bench", "bootstrapper.nsi")
    images = {}
    for target in ("x86-unicode", "amd64-unicode"):
        image = os.path.join(work, "nsis-%s.exe" % target)
        subprocess.run(["makensis", "-V1", "-XTarget " + target, "-DOUTFILE=" + image, script],
                       check=True, stdout=subprocess.DEVNULL)
        images[target] = image
    return images


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
    starter, probing = (os.path.join(kit.root, name + ".exe")
                        for name in ("bare_starter", "probe_starter"))
    for program in (starter, probing):
        shutil.copy(os.path.join(twin_tree, "bench", os.path.basename(program)), program)
    bootstrappers = build_bootstrappers()
    nsis = os.path.join(kit.root, "nsis-setup.exe")
    shutil.copy(bootstrappers["amd64-unicode"], nsis)

    prefix = winekit.Prefix(os.path.join(work, "wineprefix"))
    prefix.create()
    prefix.set_version("win7")
    time.sleep(SETTLE_S)  # the prefix's own services are busy for a while after a start
    env = dict(prefix.env, WINEDEBUG="-all")
    lingering = dict(env, STANDIN_LINGER_MS=str(int(LINGER_S * 1000)))
    try:
        def starting(*args):
            """A measure of a program that starts the kit's installer."""
            def measure():
                seconds = timed(env, *args)
                settle(kit)
                return seconds
            return measure

        launcher = starting(kit.setup)
        # First, while no installer has run in this prefix yet: after installers have come
        # and gone, runs here turn slow for a while, on both sides alike.
        nothing_to_start = alternate(lambda: timed(env, bare.setup), lambda: timed(env, empty))
        rows = [("(a) launcher / empty GUI program",
                 *alternate(launcher, lambda: timed(env, empty)), None),
                ("    same, nothing to start", *nothing_to_start, None)]
        rows.append(("(b) launcher / batch file in cmd",
                     *alternate(launcher, starting("cmd", "/c", winekit.windows_path(batch))), 0.5))
        c_runs = []
        for i in range(WARMUP + LINGER_RUNS):
            seconds = timed(lingering, kit.setup)
            settle(kit)
            if i >= WARMUP:
                c_runs.append(seconds)
        rows.append(("(c) launcher / installer's 3 s", c_runs, [LINGER_S], 0.1))
        rows.append(("(d) launcher / bare starter", *alternate(launcher, starting(starter)), 1.10))
        rows.append(("    bare starter + probe / bare", *alternate(starting(probing),
                                                               starting(starter)), None))
        rows.append(("(e) launcher / NSIS bootstrapper", *alternate(launcher, starting(nsis)), 0.5))
    finally:
        prefix.stop()

    product = os.path.join(product_tree, "src", "setup.exe")
    twin = os.path.join(twin_tree, "src", "setup.exe")
    version = subprocess.run([winekit.WINE, "--version"], capture_output=True, text=True).stdout
    print("machine: %s, %d cores, %s, Python %s" % (cpu_model(), os.cpu_count(),
                                                   version.strip(), platform.python_version()))
    print("%d runs a side, alternating ((c): %d runs), after %d warm-up runs; wall-clock"
          " milliseconds under wine64; fast: the median of the fastest quarter of runs;"
          " goals judged on the fast ratio\n" % (PAIRS, LINGER_RUNS, WARMUP))
    print("%-34s %17s %17s %13s %6s  %s" % ("comparison", "launcher", "other", "ratio", "goal",
                                           "met"))
    print("%-34s %8s %8s %8s %8s %6s %6s" % ("", "median", "fast", "median", "fast", "median",
                                             "fast"))
    for name, ours, theirs, goal in rows:
        median_ratio = statistics.median(ours) / statistics.median(theirs)
        fast_ratio = fast(ours) / fast(theirs)
        verdict = ("<=%g" % goal, "yes" if fast_ratio <= goal else "NO") if goal else ("", "")
        print("%-34s %8.1f %8.1f %8.1f %8.1f %6.2f %6.2f %6s  %s" % (
            (name, 1000 * statistics.median(ours), 1000 * fast(ours),
             1000 * statistics.median(theirs), 1000 * fast(theirs), median_ratio, fast_ratio)
            + verdict))

    print("\n%-40s %8s %9s  %s" % ("image", "bytes", "KiB", "imports"))
    sizes = [("product, i686 setup.exe (goal <= 48 KiB)", product),
             ("twin, x86_64 setup.exe", twin),
             ("bare starter, x86_64", starter),
             ("bare starter with the probe, x86_64", probing),
             ("NSIS bootstrapper, x86 stub", bootstrappers["x86-unicode"]),
             ("NSIS bootstrapper, amd64 stub", bootstrappers["amd64-unicode"])]
    for name, image in sizes:
        size = os.path.getsize(image)
        print("%-40s %8d %9.1f  %s" % (name, size, size / 1024, ", ".join(imports(image))))
    print("product within 48 KiB: %s" % ("yes" if os.path.getsize(product) <= 48 * 1024 else "NO"))


if __name__ == "__main__":
    main()
