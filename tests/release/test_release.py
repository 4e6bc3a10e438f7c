"""What a kit author ships: the product rebuilt bit for bit, and scripts/release.sh, signed
with a throwaway CA made here by openssl (nothing secret is kept in the repository).

Needs RELEASE_WORK (a folder in the build tree), PRODUCT_EXE and TWIN_EXE (the images the
build made) and PROJECT_VERSION; the Wine case needs E2E_TWIN and E2E_WORK as the end-to-end
suite does.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import test_e2e  # noqa: E402  the Wine harness and the end-to-end checks

RELEASE = os.path.join(ROOT, "scripts", "release.sh")
IMAGE_CHECKS = os.path.join(ROOT, "tests", "image")
WORK = os.path.abspath(os.environ["RELEASE_WORK"])
PRODUCT = os.environ["PRODUCT_EXE"]
TWIN = os.environ["TWIN_EXE"]
VERSION = os.environ["PROJECT_VERSION"]


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def run(*command, cwd=None):
    return subprocess.run(command, capture_output=True, text=True, cwd=cwd)


class Certificates:
    """A throwaway CA and a code-signing certificate it issued, with a stranger's key."""

    def __init__(self, folder):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        self.ca, ca_key = os.path.join(folder, "ca.pem"), os.path.join(folder, "ca.key")
        self.cert, self.key = os.path.join(folder, "signer.pem"), os.path.join(folder, "signer.key")
        self.stranger_key = os.path.join(folder, "stranger.key")
        request, extensions = os.path.join(folder, "signer.csr"), os.path.join(folder, "ext.cnf")
        with open(extensions, "w") as f:
            f.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                    "extendedKeyUsage=codeSigning\n")
        for command in (
            ["req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", ca_key, "-out", self.ca,
             "-days", "2", "-subj", "/CN=Throwaway Test CA",
             "-addext", "basicConstraints=critical,CA:TRUE",
             "-addext", "keyUsage=critical,keyCertSign,cRLSign"],
            ["req", "-newkey", "rsa:2048", "-nodes", "-keyout", self.key, "-out", request,
             "-subj", "/CN=Throwaway Code Signer"],
            ["x509", "-req", "-in", request, "-CA", self.ca, "-CAkey", ca_key, "-CAcreateserial",
             "-out", self.cert, "-days", "2", "-extfile", extensions],
            ["genpkey", "-algorithm", "RSA", "-out", self.stranger_key],
        ):
            done = run("openssl", *command)
            if done.returncode != 0:
                raise RuntimeError("openssl %s failed: %s" % (command[0], done.stderr))


certificates = None


def setUpModule():
    global certificates
    certificates = Certificates(os.path.join(WORK, "certificates"))


def verify(image, ca):
    return run("osslsigncode", "verify", "-CAfile", ca, "-in", image)


def release(name, *options):
    """Runs release.sh into WORK/<name>; the finished run and that folder."""
    out = os.path.join(WORK, name)
    return run("bash", RELEASE, "--out", out, *options), out


class Release(unittest.TestCase):
    def assertReleased(self, done, out):
        self.assertEqual(done.returncode, 0, done.stderr)
        self.assertEqual(run("sha256sum", "-c", "SHA256SUMS", cwd=out).returncode, 0,
                         "the checksum does not match the image")
        return os.path.join(out, "setup.exe")


class Reproducible(Release):
    def test_another_tree_at_another_path_builds_the_same_images(self):
        # A copy of the sources at a path with a blank, built in a fresh tree of its own.
        elsewhere = os.path.join(WORK, "another place")
        shutil.rmtree(elsewhere, ignore_errors=True)
        source = os.path.join(elsewhere, "source tree")
        shutil.copytree(ROOT, source, ignore=shutil.ignore_patterns("build", "dist", ".git"))
        for arch, image in (("i686", PRODUCT), ("x86_64", TWIN)):
            with self.subTest(arch):
                tree = os.path.join(elsewhere, "build-" + arch)
                configure = run("cmake", "-S", source, "-B", tree,
                                "-DCMAKE_TOOLCHAIN_FILE=%s/cmake/mingw-%s.cmake" % (source, arch),
                                "-DCMAKE_BUILD_TYPE=MinSizeRel")
                self.assertEqual(configure.returncode, 0, configure.stderr)
                build = run("cmake", "--build", tree, "--target", "setup", "-j", "2")
                self.assertEqual(build.returncode, 0, build.stderr)
                self.assertEqual(sha256(os.path.join(tree, "src", "setup.exe")), sha256(image))

    def test_unsigned_release_is_the_built_product_and_says_so(self):
        done, out = release("unsigned")
        image = self.assertReleased(done, out)
        self.assertIn("UNSIGNED", done.stdout)
        self.assertEqual(sha256(image), sha256(PRODUCT))
        self.assertNotEqual(verify(image, certificates.ca).returncode, 0)


class Signed(Release):
    @classmethod
    def setUpClass(cls):
        cls.done, cls.out = release("signed", "--cert", certificates.cert,
                                    "--key", certificates.key, "--ca", certificates.ca)

    def test_signature_verifies_against_the_ca(self):
        image = self.assertReleased(self.done, self.out)
        self.assertIn("signed by", self.done.stdout)
        checked = verify(image, certificates.ca)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        self.assertIn("Text description: Driver package installer launcher", checked.stdout)

    def test_one_changed_byte_fails_verification(self):
        image = self.assertReleased(self.done, self.out)
        with open(image, "rb") as f:
            data = bytearray(f.read())
        # A byte of the launcher's code, well inside what the signature covers.
        tampered = os.path.join(WORK, "tampered.exe")
        data[0x600] ^= 0x01
        with open(tampered, "wb") as f:
            f.write(data)
        self.assertNotEqual(verify(tampered, certificates.ca).returncode, 0)

    def test_signed_image_keeps_its_resources_and_passes_the_image_checks(self):
        image = self.assertReleased(self.done, self.out)
        resources = run(sys.executable, os.path.join(IMAGE_CHECKS, "check_resources.py"), image,
                        VERSION)
        self.assertEqual(resources.returncode, 0, resources.stdout)
        checks = run("bash", os.path.join(IMAGE_CHECKS, "check_image.sh"), image, "pei-i386", "",
                     PRODUCT[:-len(".exe")] + ".map")
        self.assertEqual(checks.returncode, 0, checks.stdout)


class BadKeys(Release):
    def test_each_bad_key_gives_one_line_and_leaves_no_image(self):
        c = certificates
        garbage = os.path.join(WORK, "not-pem.txt")
        with open(garbage, "w") as f:
            f.write("this is no certificate\n")
        missing = os.path.join(WORK, "missing.pem")
        cases = [  # name, options, what the line says
            ("missing certificate", ["--cert", missing, "--key", c.key], "missing or unreadable"),
            ("missing key", ["--cert", c.cert, "--key", missing], "missing or unreadable"),
            ("folder as certificate", ["--cert", WORK, "--key", c.key], "missing or unreadable"),
            ("certificate not PEM", ["--cert", garbage, "--key", c.key], "not a PEM certificate"),
            ("key not PEM", ["--cert", c.cert, "--key", garbage], "not an unencrypted PEM"),
            ("key of another", ["--cert", c.cert, "--key", c.stranger_key], "does not belong"),
            ("key without certificate", ["--key", c.key], "needs --cert"),
            ("certificate without key", ["--cert", c.cert], "needs --key"),
            ("CA missing", ["--cert", c.cert, "--key", c.key, "--ca", missing], "missing"),
            # a real certificate whose CA is not the one the image is verified against
            ("untrusted CA", ["--cert", c.cert, "--key", c.key, "--ca", c.cert], "does not verify"),
        ]
        for name, options, says in cases:
            with self.subTest(name):
                out = os.path.join(WORK, "bad")
                os.makedirs(out, exist_ok=True)
                # An unsigned image from before must not pass for the signed one asked for.
                for stale in ("setup.exe", "SHA256SUMS"):
                    with open(os.path.join(out, stale), "w") as f:
                        f.write("an earlier release\n")
                done, _ = release("bad", *options)
                self.assertNotEqual(done.returncode, 0)
                lines = done.stderr.splitlines()
                self.assertEqual(len(lines), 1, done.stderr)
                self.assertIn(says, lines[0])
                self.assertEqual(os.listdir(out), [], "left behind in " + out)


class SignedTwinUnderWine(test_e2e.E2E, Release):
    """A signature changes the image's bytes: the signed twin must still do its work."""

    def test_signed_twin_starts_the_installer(self):
        test_e2e.setUpModule()
        done, out = release("signed-twin", "--arch", "x86_64", "--cert", certificates.cert,
                            "--key", certificates.key, "--ca", certificates.ca)
        self.LAUNCHER = self.assertReleased(done, out)
        self.assertEqual(verify(self.LAUNCHER, certificates.ca).returncode, 0)
        kit = self.kit("signed kit")
        self.assertStarted(kit, test_e2e.prefix.run(kit.setup))


if __name__ == "__main__":
    unittest.main()
