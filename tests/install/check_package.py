#!/usr/bin/python3
"""Builds the Debian package with cpack and checks it from a scratch root.

    check_package.py --build BUILD --corpus CORPUS --package-file NAME
                     --version X.Y.Z --scripts SCRIPTS [--gui]

The package must carry the fields a Debian system needs, the files of the
install tree, and a converter that works from the unpacked tree (`dpkg -x`)
with the data files found there; the update server's version file written
for it must name its checksum, version and size.
"""

import argparse
import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

ARGS = None
CORPUS_FILE = "pyobjcryst_caffeine.cif"
WORK = None
PACKAGE = None
ROOT = None


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


def setUpModule():
    global WORK, PACKAGE, ROOT
    WORK = tempfile.mkdtemp(prefix="vexalith-package-")
    result = run(["cpack", "--config", os.path.join(ARGS.build, "CPackConfig.cmake"),
                  "-B", os.path.join(WORK, "cpack")])
    if result.returncode != 0:
        raise AssertionError("cpack failed:\n" + result.stdout + result.stderr)
    PACKAGE = os.path.join(WORK, "cpack", ARGS.package_file)
    ROOT = os.path.join(WORK, "root")
    result = run(["dpkg", "-x", PACKAGE, ROOT])
    if result.returncode != 0:
        raise AssertionError("dpkg -x failed:\n" + result.stdout + result.stderr)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


class DebianPackage(unittest.TestCase):
    def field(self, name):
        result = run(["dpkg-deb", "-f", PACKAGE, name])
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout.strip()

    def test_control_fields(self):
        self.assertEqual(self.field("Package"), "vexalith")
        self.assertEqual(self.field("Version"), ARGS.version)
        self.assertEqual(self.field("Section"), "science")
        self.assertIn("@", self.field("Maintainer"))
        architecture = run(["dpkg", "--print-architecture"]).stdout.strip()
        self.assertEqual(self.field("Architecture"), architecture)
        description = self.field("Description").splitlines()
        self.assertGreater(len(description), 2, "a summary and a long description")
        self.assertNotEqual(description[0].strip(), description[1].strip())

        # The libraries the programs link, with the versions they need.
        depends = [d.strip().split(" ")[0] for d in self.field("Depends").split(",")]
        for library in ("libc6", "libstdc++6"):
            self.assertIn(library, depends)
        if ARGS.gui:
            for library in ("libqt6widgets6", "libqt6network6", "libcoin80c"):
                self.assertIn(library, depends)

    def test_files_of_the_install_tree(self):
        files = ["usr/bin/vexalith-convert", "usr/share/doc/vexalith/manual/index.html",
                 "usr/share/doc/vexalith/copyright"]
        files += ["usr/share/vexalith/" + name
                  for name in ("ball.txt", "ball1.txt", "ball2.txt", "cylinder.txt", "Vexalithempty.wrl")]
        if ARGS.gui:
            files += ["usr/bin/vexalith", "usr/share/applications/vexalith.desktop",
                      "usr/share/icons/hicolor/scalable/apps/vexalith.svg",
                      "usr/share/mime/packages/vexalith.xml"]
        for relative in files:
            path = os.path.join(ROOT, relative)
            self.assertTrue(os.path.isfile(path), relative)
            self.assertGreater(os.path.getsize(path), 0, relative)
        with open(os.path.join(ROOT, "usr/share/doc/vexalith/copyright"), encoding="utf-8") as copyright:
            text = copyright.read()
        self.assertIn("License: BSD-3-Clause", text)
        self.assertIn("Redistribution and use", text)
        # Every line of the licence text is indented, as the format asks.
        licence = text.split("License: BSD-3-Clause\n", 1)[1]
        self.assertTrue(all(line.startswith(" ") for line in licence.splitlines()))

    def test_unpacked_converter_uses_the_unpacked_data(self):
        cif = os.path.join(ARGS.corpus, CORPUS_FILE)
        env = {k: v for k, v in os.environ.items() if k != "VEXALITH_DATA_DIR"}
        converter = os.path.join(ROOT, "usr/bin/vexalith-convert")
        out = os.path.join(WORK, "out")
        os.makedirs(out)

        scene = os.path.join(out, "caffeine.wrl")
        result = run([converter, cif, "-o", scene, "--format", "scene"], cwd=out, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(scene, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(b"#VRML V2.0 utf8"))
        self.assertGreater(data.count(b"Sphere"), 10)

        stl = os.path.join(out, "caffeine.stl")
        result = run([converter, cif, "-o", stl], cwd=out, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(stl, "rb") as f:
            data = f.read()
        self.assertTrue(data.startswith(b"solid"))
        self.assertGreater(data.count(b"endfacet"), 1000)

        # The templates came from the unpacked tree: without one there, the
        # STL cannot be written.
        os.remove(os.path.join(ROOT, "usr/share/vexalith/ball.txt"))
        missing = os.path.join(out, "missing.stl")
        result = run([converter, cif, "-o", missing], cwd=out, env=env)
        self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
        self.assertIn("ball.txt", result.stderr)
        self.assertFalse(os.path.exists(missing))

    def test_version_file_for_the_update_server(self):
        script = os.path.join(ARGS.scripts, "write-version-file.sh")
        with open(PACKAGE, "rb") as f:
            package = f.read()
        major_minor = ".".join(ARGS.version.split(".")[:2])

        result = run([script, PACKAGE])
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.split("\n")
        self.assertEqual(lines[0], "sha256 " + hashlib.sha256(package).hexdigest())
        self.assertEqual(lines[1], major_minor)
        self.assertEqual(lines[2], str(len(package)))
        self.assertEqual(lines[3], "Vexalith " + major_minor)
        self.assertEqual(lines[4:], [""], "one line of notes, ended by a line break")

        notes = os.path.join(WORK, "notes.txt")
        with open(notes, "w", encoding="utf-8") as f:
            f.write("Faster reading.\n\nSTL export fixed.")
        result = run([script, PACKAGE, notes])
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.split("\n")[3:], ["Faster reading.", "", "STL export fixed.", ""])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--package-file", required=True)
    parser.add_argument("--version", required=True)
    parser.add_argument("--scripts", required=True)
    parser.add_argument("--gui", action="store_true")
    ARGS, rest = parser.parse_known_args()
    for name in ("build", "corpus", "scripts"):
        setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
