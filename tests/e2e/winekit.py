"""Runs the launcher under wine64 on kits laid out in the build tree.

A Prefix is one Wine prefix with its own wineserver; a Kit is a launcher folder
with package folders beside it, holding our stand-in installer, which records
what it was given in "<its path>.record". The x86_64 twin runs anywhere wine64
does; the i686 product needs the prefix's WoW64 half (wine32:i386).
"""
import contextlib
import os
import re
import shutil
import subprocess
import time
from dataclasses import dataclass, field

WINE = os.environ.get("WINE64", "/usr/lib/wine/wine64")
WINESERVER = os.environ.get("WINESERVER", "/usr/lib/wine/wineserver")
# Wine's 32-bit loader: wine64 hands 32-bit programs to it.
WINE32 = os.environ.get("WINE32", "/usr/lib/wine/wine")

# Everything the launcher itself calls; the relay trace is limited to these.
LAUNCHER_CALLS = [
    "kernel32.GetVersionExA", "kernel32.OutputDebugStringA", "kernel32.GetModuleFileNameA",
    "kernel32.SetCurrentDirectoryA", "kernel32.CreateProcessA", "kernel32.WaitForSingleObject",
    "kernel32.CloseHandle", "kernel32.GetLastError", "advapi32.RegOpenKeyExA",
    "advapi32.RegCloseKey",
    # Not the launcher's own: CreateProcessA resumes the new primary thread through it,
    # which tells the thread handle from the process handle in the trace.
    "ntdll.NtResumeThread",
]


def wine32_problem():
    """None where Wine can run 32-bit programs here; otherwise why not."""
    if not os.path.exists(WINE32):
        return "no 32-bit Wine loader at %s (package wine32:i386)" % WINE32
    try:
        subprocess.run([WINE32, "--version"], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True, timeout=120)
    except (OSError, subprocess.SubprocessError) as error:
        return ("32-bit programs do not run here (%s): the kernel refuses them and no "
                "binfmt_misc rule hands them to qemu-i386-static" % error)
    return None


def windows_path(path):
    """The Wine name of a host path: drive Z: is the host's root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


@dataclass
class Call:
    name: str        # e.g. "CreateProcessA"
    arguments: list  # as Wine prints them: hex numbers, strings with their pointer
    result: str = ""  # the hex retval


@dataclass
class Run:
    status: int
    debug_lines: list           # what reached the debugger output, unescaped
    calls: list = field(default_factory=list)  # the launcher's own calls, when traced
    resumed: list = field(default_factory=list)  # handles of threads resumed in its process


class Prefix:
    def __init__(self, path):
        self.path = os.path.abspath(path)
        self.env = dict(os.environ)
        self.env.update(WINEPREFIX=self.path, WINEDEBUG="-all",
                        # no Mono or Gecko installer prompts, no desktop window
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d")
        self.env.pop("DISPLAY", None)
        self.logs = os.path.join(self.path + ".logs")
        os.makedirs(self.logs, exist_ok=True)
        self._count = 0

    def _log(self, name):
        self._count += 1
        return os.path.join(self.logs, "%d-%03d-%s" % (os.getpid(), self._count, name))

    def _wine(self, *args, env=None, timeout=120):
        """Runs wine64 with output in files: Wine's own processes keep any pipe open."""
        out, err = self._log("out"), self._log("err")
        with open(out, "wb") as o, open(err, "wb") as e:
            done = subprocess.run([WINE, *args], env=env or self.env, stdout=o, stderr=e,
                                  stdin=subprocess.DEVNULL, timeout=timeout)
        with open(err, encoding="utf-8", errors="replace") as e:
            return done.returncode, e.read()

    def has_wow64(self):
        """Whether the prefix holds its 32-bit half, which the i686 product needs."""
        return os.path.isdir(os.path.join(self.path, "drive_c", "windows", "syswow64"))

    def create(self):
        """Makes the prefix once and keeps its wineserver up until stop().

        Returns only when the prefix's own set-up has ended: wineboot returns while
        processes it started may still be at work (with wine32 installed, on the 32-bit
        half too: minutes where 32-bit programs run under qemu), and a run timed or
        waited on meanwhile would share the processor with them."""
        if os.path.exists(self.path) and not self.has_wow64() and wine32_problem() is None:
            self.stop()  # made before 32-bit programs could run: make it again, whole
            shutil.rmtree(self.path, ignore_errors=True)
        if not os.path.exists(os.path.join(self.path, "system.reg")):
            status, text = self._wine("wineboot", "-i", timeout=900)
            if status != 0:
                raise RuntimeError("wineboot failed (%d): %s" % (status, text[-2000:]))
            self.wait_idle()
        # A persistent server; when one already runs for this prefix, -p fails harmlessly.
        with open(self._log("server"), "wb") as log:
            subprocess.run([WINESERVER, "-p"], env=self.env, stdout=log, stderr=log)
        self.reg_add(r"HKCU\Software\Wine\Debug", "RelayInclude", ";".join(LAUNCHER_CALLS))

    def wait_idle(self, timeout=900):
        """Waits until the prefix's last process has ended and its server with it."""
        with open(self._log("server-wait"), "wb") as log:
            subprocess.run([WINESERVER, "-w"], env=self.env, stdout=log, stderr=log,
                           timeout=timeout)

    def reg_add(self, key, value, data):
        status, text = self._wine("reg", "add", key, "/v", value, "/t", "REG_SZ", "/d", data, "/f")
        if status != 0:
            raise RuntimeError("reg add failed: " + text[-2000:])

    def set_version(self, version):
        """vista, win7, win8, win10, winxp64, ... as winecfg -v takes them."""
        status, text = self._wine("winecfg", "-v", version)
        if status != 0:
            raise RuntimeError("winecfg -v %s failed: %s" % (version, text[-2000:]))

    @contextlib.contextmanager
    def wow64_key_denied(self, key_access):
        """Within the block, HKLM\\SOFTWARE\\Wow6432Node cannot be opened for reading, as on
        a 32-bit Windows; access is given back however the block ends. key_access is our
        KeyAccess.exe. The key's security lives in the running wineserver only (Wine does
        not save it with the registry), so this needs the persistent server of create()."""
        status, text = self._wine(key_access, "deny")
        if status != 0:
            raise RuntimeError("KeyAccess deny failed: " + text[-2000:])
        try:
            yield
        finally:
            status, text = self._wine(key_access, "allow")
            if status != 0:
                raise RuntimeError("KeyAccess allow failed: " + text[-2000:])

    def stop(self):
        with open(self._log("server-stop"), "wb") as log:
            subprocess.run([WINESERVER, "-k"], env=self.env, stdout=log, stderr=log)

    def run(self, exe, *args, trace=False, env=None, timeout=60):
        """Runs a program to its end; its debugger lines and, with trace, its own calls."""
        run_env = dict(self.env)
        run_env.update(env or {})
        run_env["WINEDEBUG"] = "+pid,warn+debugstr" + (",+relay,+loaddll" if trace else "")
        status, text = self._wine(exe, *args, env=run_env, timeout=timeout)
        run = Run(status, debug_lines(text))
        if trace:
            run.calls, run.resumed = launcher_calls(text, exe)
        return run


_DEBUGSTR = re.compile(r'^[0-9a-f]+:[0-9a-f]+:warn:debugstr:OutputDebugStringA "(.*)"$')


def _unescape(text):
    return text.encode("latin-1", "backslashreplace").decode("unicode_escape")


_WIDE_ESCAPE = re.compile(r"\\([0-9a-f]{4}|.)")


def _unescape_wide(text):
    """A wide string as Wine's traces print it: \\XXXX for any character outside ASCII."""
    simple = {"n": "\n", "r": "\r", "t": "\t"}
    return _WIDE_ESCAPE.sub(lambda m: chr(int(m.group(1), 16)) if len(m.group(1)) == 4
                            else simple.get(m.group(1), m.group(1)), text)


def debug_lines(stderr):
    return [_unescape(m.group(1)) for m in map(_DEBUGSTR.match, stderr.splitlines()) if m]


_CALL = re.compile(r"^([0-9a-f]+):[0-9a-f]+:Call (\w+)\.(\w+)\((.*)\) ret=([0-9a-f]+)$")
_RET = re.compile(r"^([0-9a-f]+):[0-9a-f]+:Ret  (\w+)\.(\w+)\(\) retval=([0-9a-f]+) ret=([0-9a-f]+)$")
_LOADED = re.compile(r'^([0-9a-f]+):[0-9a-f]+:trace:loaddll:\w+ Loaded L"(.*)" at ([0-9a-f]+): ')


def image_size(exe):
    headers = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", exe], capture_output=True,
                             text=True, check=True).stdout
    return int(re.search(r"^SizeOfImage\s+([0-9a-fA-F]+)", headers, re.M).group(1), 16)


def _split_arguments(text):
    """Splits Wine's argument list on the commas outside quoted strings."""
    parts, current, quoted, escaped = [], "", False, False
    for c in text:
        if escaped:
            escaped = False
        elif c == "\\" and quoted:
            escaped = True
        elif c == '"':
            quoted = not quoted
        elif c == "," and not quoted:
            parts.append(current)
            current = ""
            continue
        current += c
    parts.append(current)
    return parts


def launcher_calls(stderr, exe):
    """The calls made from the launcher's own code, in the process that loaded exe at
    its base; and the threads resumed in that process (by CreateProcessA)."""
    target = windows_path(exe).lower()
    pid, low, high = None, 0, 0
    calls, resumed = [], []
    for line in stderr.splitlines():
        loaded = _LOADED.match(line)
        if loaded and pid is None and _unescape_wide(loaded.group(2)).lower() == target:
            pid, low = loaded.group(1), int(loaded.group(3), 16)
            high = low + image_size(exe)
            continue
        if pid is None or not line.startswith(pid + ":"):
            continue
        call = _CALL.match(line)
        if call:
            if call.group(3) == "NtResumeThread":
                resumed.append(_split_arguments(call.group(4))[0])
            elif low <= int(call.group(5), 16) < high:
                calls.append(Call(call.group(3), _split_arguments(call.group(4))))
            continue
        ret = _RET.match(line)
        if ret and low <= int(ret.group(5), 16) < high and calls and calls[-1].name == ret.group(3):
            calls[-1].result = ret.group(4)
    return calls, resumed


def text_argument(argument):
    """The string of a traced argument such as 0021fb20 "Z:\\\\kit"; None for a NULL."""
    match = re.match(r'^[0-9a-f]+ "(.*)"$', argument)
    return _unescape(match.group(1)) if match else None


class Kit:
    """A launcher folder: setup.exe, and stand-in installers in the package folders named.

    The launcher is the twin's, or the image given as launcher; the stand-in always comes
    from the twin's tree (a 64-bit installer, as in a real Vista64 package)."""

    def __init__(self, root, twin_dir, packages=("Vista64",), installer=True, launcher=None):
        self.root = os.path.abspath(root)
        os.makedirs(self.root, exist_ok=True)
        self.setup = os.path.join(self.root, "setup.exe")
        shutil.copy(launcher or os.path.join(twin_dir, "src", "setup.exe"), self.setup)
        self.standin = os.path.join(twin_dir, "tests", "programs", "DPInst.exe")
        for package in packages:
            folder = os.path.join(self.root, package, "USB")
            os.makedirs(folder, exist_ok=True)
            if installer:
                shutil.copy(self.standin, os.path.join(folder, "DPInst.exe"))

    def installer(self, package="Vista64"):
        return os.path.join(self.root, package, "USB", "DPInst.exe")

    def plant(self, path):
        """Puts a copy of the stand-in where a careless start would find it."""
        shutil.copy(self.standin, path)
        return path


def running(program):
    """Whether a process of program is still alive. A program under Wine is a Linux process
    whose command line starts with its Windows path."""
    target = windows_path(program).lower().encode()
    for pid in os.listdir("/proc"):
        try:
            with open(os.path.join("/proc", pid, "cmdline"), "rb") as f:
                if f.read().lower().startswith(target):
                    return True
        except OSError:  # not a process, or one that has just ended
            continue
    return False


def read_record(program, finished=True, timeout=20.0):
    """What a stand-in at program recorded, waiting up to timeout for it (None: it never ran).

    With finished, waits for its last line as well."""
    path = program + ".record"
    deadline = time.monotonic() + timeout
    while True:
        record = _parse_record(path)
        if record is not None and (not finished or record.get("finished")):
            return record
        if time.monotonic() > deadline:
            return record
        time.sleep(0.1)


def _parse_record(path):
    try:
        with open(path, encoding="latin-1") as f:
            lines = f.read().splitlines()
    except FileNotFoundError:
        return None
    record = {"finished": "finished" in lines}
    for line in lines:
        key, sep, value = line.partition("=")
        if sep:
            record[key] = value
    return record if "directory" in record else None
