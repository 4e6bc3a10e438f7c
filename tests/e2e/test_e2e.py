"""The built launcher (its x86_64 twin) under wine64: what a user and the installer see.

Needs E2E_TWIN, the x86_64 build tree, and E2E_WORK, a folder for the prefix and kits.
"""
import os
import shutil
import unittest

import winekit
from winekit import read_record, text_argument, windows_path

TWIN = os.environ["E2E_TWIN"]
WORK = os.path.abspath(os.environ["E2E_WORK"])
prefix = winekit.Prefix(os.path.join(WORK, "wineprefix"))

KEY_ACCESS = os.path.join(TWIN, "tests", "programs", "KeyAccess.exe")

REFUSED = "Error! The API for Vista O.S. only.\n"
TOO_LONG = "Error! The launcher path is too long.\n"
NOT_ANSI = "Error! The launcher path does not fit the ANSI code page.\n"
NULL = "00000000"


def setUpModule():
    prefix.create()
    prefix.set_version("win7")


def expected_command(kit, package="Vista64"):
    return '"%s" /sa' % windows_path(kit.installer(package))


class E2E(unittest.TestCase):
    LAUNCHER = None  # the image each kit gets: None for the twin

    def setUp(self):
        # Each test starts from an empty folder: nothing left by an earlier run can pass for
        # a program that ran now.
        self.folder = os.path.join(WORK, "kits", self.id().rsplit(".", 1)[-1])
        shutil.rmtree(self.folder, ignore_errors=True)

    def kit(self, name, *folders, **options):
        """A kit at WORK/kits/<test>/<name>/<folders...>."""
        return winekit.Kit(os.path.join(self.folder, name, *folders), TWIN, launcher=self.LAUNCHER,
                           **options)

    def assertStarted(self, kit, run, package="Vista64"):
        self.assertEqual(run.status, 0)
        self.assertEqual(run.debug_lines, [])
        record = read_record(kit.installer(package))
        self.assertIsNotNone(record, "the installer in %s never ran" % package)
        self.assertEqual(record["module"].lower(), windows_path(kit.installer(package)).lower())
        self.assertEqual(record["command"], expected_command(kit, package))
        self.assertEqual(record["directory"].lower(),
                         windows_path(os.path.dirname(kit.installer(package))).lower())

    def assertNothingStarted(self, kit):
        # A start happens inside the launcher's run, so by now its record would be there.
        for package in ("Vista64", "Vista"):
            self.assertFalse(os.path.exists(kit.installer(package) + ".record"), "an installer ran")


class Versions(E2E):
    CASES = [  # winecfg name, exit status, whether the installer starts
        ("winxp64", 1, False),  # 5.2
        ("vista", 0, True),     # 6.0
        ("win7", 0, True),      # 6.1
        ("win8", 0, True),      # 6.2
        ("win10", 0, True),     # 6.2 to a program without a compatibility manifest
    ]

    def tearDown(self):
        prefix.set_version("win7")

    def test_only_major_version_6_starts_the_installer(self):
        for version, status, starts in self.CASES:
            with self.subTest(version=version):
                prefix.set_version(version)
                kit = self.kit(version)
                run = prefix.run(kit.setup, trace=True)
                if starts:
                    self.assertStarted(kit, run)
                else:
                    self.assertEqual(run.status, status)
                    self.assertEqual(run.debug_lines, [REFUSED])
                    self.assertEqual([c.name for c in run.calls],
                                     ["GetVersionExA", "OutputDebugStringA"])
                    self.assertNothingStarted(kit)


class Start(E2E):
    def test_installer_is_started_as_designed_and_let_go(self):
        kit = self.kit("kit")
        run = prefix.run(kit.setup, trace=True)
        self.assertStarted(kit, run)

        self.assertEqual([c.name for c in run.calls], [
            "GetVersionExA", "GetModuleFileNameA", "RegOpenKeyExA", "RegCloseKey",
            "SetCurrentDirectoryA", "CreateProcessA", "WaitForSingleObject",
            "CloseHandle", "CloseHandle"])
        calls = {c.name: c for c in run.calls}

        registry = calls["RegOpenKeyExA"].arguments
        self.assertEqual(registry[0][-8:], "80000002")  # HKEY_LOCAL_MACHINE
        self.assertEqual(text_argument(registry[1]), "SOFTWARE\\Wow6432Node")
        self.assertEqual(registry[2:4], [NULL, "00000001"])  # no options; KEY_QUERY_VALUE alone
        self.assertEqual(text_argument(calls["SetCurrentDirectoryA"].arguments[0]),
                         windows_path(os.path.dirname(kit.installer())))

        create = calls["CreateProcessA"].arguments
        self.assertEqual(create[0], NULL, "an application name was given")
        self.assertEqual(text_argument(create[1]), expected_command(kit))
        self.assertEqual(create[2:8], [NULL, NULL, NULL, "00000100", NULL, NULL],
                         "security attributes, inherit, flags, environment, directory")
        self.assertEqual(calls["CreateProcessA"].result, "00000001")

        # The primary thread is the handle CreateProcessA resumed.
        self.assertEqual(len(run.resumed), 1)
        thread = run.resumed[0]
        wait = calls["WaitForSingleObject"].arguments
        self.assertEqual(wait, [thread, NULL], "the wait is on the primary thread, for 0 ms")
        closed = [c.arguments[0] for c in run.calls if c.name == "CloseHandle"]
        self.assertEqual(closed[0], thread, "the thread handle is closed first")
        self.assertNotEqual(closed[1], thread)
        self.assertEqual([c.result for c in run.calls if c.name == "CloseHandle"],
                         ["00000001", "00000001"], "a close failed")

    def test_launcher_arguments_change_nothing(self):
        for arguments in [(), ("/q",), ("--folder", "C:\\other", "/sa"), ('"x y"', "%s%n")]:
            with self.subTest(arguments=arguments):
                kit = self.kit("args%d" % len(arguments))
                run = prefix.run(kit.setup, *arguments)
                self.assertStarted(kit, run)


class ProbeAnswer(E2E):
    """The registry probe's two answers, on a prefix that can play either Windows."""

    def test_package_folder_follows_the_key(self):
        kit = self.kit("kit", packages=("Vista64", "Vista"))
        with prefix.wow64_key_denied(KEY_ACCESS):
            run = prefix.run(kit.setup, trace=True)
            self.assertStarted(kit, run, package="Vista")
            # The open is refused, and a key that never opened is not closed.
            self.assertEqual([c.name for c in run.calls], [
                "GetVersionExA", "GetModuleFileNameA", "RegOpenKeyExA", "SetCurrentDirectoryA",
                "CreateProcessA", "WaitForSingleObject", "CloseHandle", "CloseHandle"])
            self.assertEqual(run.calls[2].result, "00000005")  # ERROR_ACCESS_DENIED
        self.assertFalse(os.path.exists(kit.installer("Vista64") + ".record"))

        # Access given back: the same kit is a 64-bit one again.
        os.remove(kit.installer("Vista") + ".record")
        self.assertStarted(kit, prefix.run(kit.setup), package="Vista64")
        self.assertFalse(os.path.exists(kit.installer("Vista") + ".record"))


class UnsafeInput(E2E):
    def test_program_at_a_blank_separated_prefix_is_never_started(self):
        kit = self.kit("my kit", "more dirs", "disk one")
        # Where an unquoted start would look first: each path cut at a blank, plus .exe
        line = windows_path(kit.installer())
        planted = []
        for cut in [i for i, c in enumerate(line) if c == " "]:
            host = "/" + line[3:cut].replace("\\", "/") + ".exe"
            planted.append(kit.plant(host))
        self.assertEqual(len(planted), 3)

        run = prefix.run(kit.setup)
        self.assertStarted(kit, run)
        for program in planted:
            self.assertFalse(os.path.exists(program + ".record"), program + " was started")


class Faults(E2E):
    def test_failed_start_is_reported_with_the_platform_code(self):
        cases = [  # name, kit options, the codes the platform may give
            # Windows says ERROR_PATH_NOT_FOUND (3) for a missing folder; Wine says 2.
            ("no package folder", {"packages": ()}, (2, 3)),
            ("no installer in it", {"installer": False}, (2,)),
        ]
        for name, options, codes in cases:
            with self.subTest(name):
                kit = self.kit(name.replace(" ", "-"), **options)
                run = prefix.run(kit.setup)
                self.assertEqual(run.status, 2)
                self.assertIn(run.debug_lines,
                              [["Error! Cannot start DPInst.exe (error %d).\n" % c] for c in codes])
                self.assertNothingStarted(kit)

    def test_folder_outside_the_ansi_code_page_is_reported(self):
        # Wine's ANSI code page here is 1252: it holds "Käse" but not Greek or Chinese.
        for name in ("κιτ", "驱动程序"):
            with self.subTest(name):
                kit = self.kit(name)
                run = prefix.run(kit.setup, trace=True)
                self.assertEqual(run.status, 2)
                self.assertEqual(run.debug_lines, [NOT_ANSI])
                names = [c.name for c in run.calls]
                self.assertIn("GetModuleFileNameA", names, "the trace missed the launcher's calls")
                self.assertNotIn("SetCurrentDirectoryA", names)
                self.assertNotIn("CreateProcessA", names)
                self.assertNothingStarted(kit)
        kit = self.kit("Käse")
        self.assertStarted(kit, prefix.run(kit.setup))

    def deep_kit(self, name, folder_length):
        """A kit whose launcher folder is folder_length characters long, as Windows names it."""
        base = os.path.join(self.folder, name)
        need = folder_length - len(windows_path(base))  # each folder adds 1 + its name
        if need < 2:
            self.skipTest("the build tree is too deep for this case")
        parts = []
        while need:
            take = min(101, need)
            if need - take == 1:  # leave no room for a folder without a name
                take -= 1
            parts.append("d" * (take - 1))
            need -= take
        kit = winekit.Kit(os.path.join(base, *parts), TWIN)
        self.assertEqual(len(windows_path(kit.root)), folder_length)
        return kit

    def test_path_bounds(self):
        # With "\Vista64\USB" and the 17 characters around the program name, a launcher
        # folder of 226 characters makes a command line of exactly 255.
        kit = self.deep_kit("fits", 226)
        self.assertEqual(len(expected_command(kit)), 255)
        self.assertStarted(kit, prefix.run(kit.setup))

        for name, length in [("one-over", 227), ("module-path-cut", 300)]:
            with self.subTest(name):
                kit = self.deep_kit(name, length)
                run = prefix.run(kit.setup, trace=True)
                self.assertEqual(run.status, 2)
                self.assertEqual(run.debug_lines, [TOO_LONG])
                names = [c.name for c in run.calls]
                self.assertNotIn("SetCurrentDirectoryA", names)
                self.assertNotIn("CreateProcessA", names)
                self.assertNothingStarted(kit)


class NoWait(E2E):
    def test_launcher_ends_while_the_installer_runs_on(self):
        kit = self.kit("kit")
        run = prefix.run(kit.setup, env={"STANDIN_LINGER_MS": "5000"})
        self.assertEqual(run.status, 0)
        # The launcher has ended: the installer has started and not yet finished...
        record = read_record(kit.installer(), finished=False)
        self.assertIsNotNone(record, "the installer never ran")
        self.assertFalse(record["finished"], "the launcher waited for the installer")
        # ... and it goes on to finish on its own.
        self.assertTrue(read_record(kit.installer(), finished=True, timeout=30)["finished"])


if __name__ == "__main__":
    unittest.main()
