"""The shipped image itself, the i686 setup.exe, under Wine's WoW64 half: the few cases that
show it does what the twin is shown to do. Each start costs close to a minute where 32-bit
programs run under qemu, so the cases are few and each checks a whole road.

Needs E2E_PRODUCT (the i686 image), E2E_TWIN and E2E_WORK as the twin's suite does.
"""
import os
import unittest

import test_e2e
from test_e2e import E2E, REFUSED, prefix

PRODUCT = os.environ["E2E_PRODUCT"]
RUN_TIMEOUT = 600  # seconds for one emulated start, with room to spare


def setUpModule():
    test_e2e.setUpModule()


class Product(E2E):
    LAUNCHER = PRODUCT

    def run_setup(self, kit):
        return prefix.run(kit.setup, timeout=RUN_TIMEOUT)

    def test_starts_the_quoted_installer_from_a_folder_with_blanks(self):
        kit = self.kit("my kit", "disk one")
        line = test_e2e.windows_path(kit.installer())
        first_blank = line.index(" ")
        planted = kit.plant("/" + line[3:first_blank].replace("\\", "/") + ".exe")

        self.assertStarted(kit, self.run_setup(kit))
        self.assertFalse(os.path.exists(planted + ".record"), planted + " was started")

    def test_starts_from_vista_when_the_key_is_refused(self):
        kit = self.kit("kit", packages=("Vista64", "Vista"))
        with prefix.wow64_key_denied(test_e2e.KEY_ACCESS):
            self.assertStarted(kit, self.run_setup(kit), package="Vista")
        self.assertFalse(os.path.exists(kit.installer("Vista64") + ".record"))

    def test_refuses_windows_xp(self):
        kit = self.kit("kit")
        prefix.set_version("winxp64")
        try:
            run = self.run_setup(kit)
        finally:
            prefix.set_version("win7")
        self.assertEqual(run.status, 1)
        self.assertEqual(run.debug_lines, [REFUSED])
        self.assertNothingStarted(kit)

    def test_reports_a_missing_installer(self):
        kit = self.kit("kit", installer=False)
        run = self.run_setup(kit)
        self.assertEqual(run.status, 2)
        self.assertEqual(run.debug_lines, ["Error! Cannot start DPInst.exe (error 2).\n"])
        self.assertNothingStarted(kit)


if __name__ == "__main__":
    unittest.main()
