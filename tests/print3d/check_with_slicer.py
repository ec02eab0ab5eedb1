#!/usr/bin/env python3
"""Printable files of real corpus structures, checked by a real slicer.

For each case the converter writes the file; PrusaSlicer's command line
then reports on it (--info: manifold = yes, the number of parts expected)
and slices it to G-code (--export-gcode).  Kept to small models: the slicer
takes seconds per file.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile
import unittest

ARGS = None


def run(command, timeout=600):
    result = subprocess.run(command, capture_output=True, text=True, timeout=timeout)
    return result.returncode, result.stdout + result.stderr


def info_blocks(report):
    """The --info report as one dictionary per object (a [name] line starts each)."""
    blocks = []
    for line in report.splitlines():
        if re.match(r"^\[.*\]$", line):
            blocks.append({})
        elif blocks and " = " in line:
            key, value = line.split(" = ", 1)
            blocks[-1][key.strip()] = value.strip()
    return blocks


class SlicerChecks(unittest.TestCase):
    def convert(self, corpus_file, extension, *flags):
        folder = tempfile.mkdtemp(prefix="vexalith-slicer-")
        output = os.path.join(folder, "model." + extension)
        code, text = run([ARGS.converter, os.path.join(ARGS.corpus, corpus_file), "-o", output, *flags])
        self.assertEqual(code, 0, text)
        return output

    def check_file(self, path, parts_per_object, objects=1):
        code, report = run([ARGS.slicer, "--info", path])
        self.assertEqual(code, 0, report)
        blocks = info_blocks(report)
        self.assertEqual(len(blocks), objects, report)
        for block in blocks:
            self.assertEqual(block.get("manifold"), "yes", report)
        parts = [int(block["number_of_parts"]) for block in blocks]
        self.assertEqual(parts, parts_per_object, report)
        gcode = path + ".gcode"
        # The objects of a 3MF file stay together, as the file places them.
        merge = ["--merge"] if objects > 1 else []
        code, text = run([ARGS.slicer, "--export-gcode", *merge, path, "--output", gcode])
        self.assertEqual(code, 0, text)
        self.assertGreater(os.path.getsize(gcode), 1000)
        return blocks

    def test_caffeine_solid_ascii_stl(self):
        path = self.convert("pyobjcryst_caffeine.cif", "stl", "--solid", "--size", "40")
        self.check_file(path, [1])

    def test_caffeine_solid_binary_stl(self):
        path = self.convert("pyobjcryst_caffeine.cif", "stl", "--format", "stl-binary", "--solid", "--size", "40")
        blocks = self.check_file(path, [1])
        # The overlaps count once: less material than the meshes of the
        # spheres and cylinders added up.
        meshes = self.convert("pyobjcryst_caffeine.cif", "stl", "--format", "stl-binary", "--size", "40")
        code, report = run([ARGS.slicer, "--info", meshes])
        self.assertEqual(code, 0, report)
        separate = info_blocks(report)[0]
        self.assertEqual(int(separate["number_of_parts"]), 49)
        self.assertLess(float(blocks[0]["volume"]), float(separate["volume"]))

    def test_caffeine_colour_3mf_of_the_solid(self):
        # C, H, N, O and the bonds: five objects, each closed.  An element's
        # body falls into a piece per atom where bonds part its atoms.
        path = self.convert("pyobjcryst_caffeine.cif", "3mf", "--solid", "--size", "40")
        code, report = run([ARGS.slicer, "--info", path])
        self.assertEqual(code, 0, report)
        blocks = info_blocks(report)
        self.assertEqual(len(blocks), 5, report)
        for block in blocks:
            self.assertEqual(block.get("manifold"), "yes", report)
        code, text = run([ARGS.slicer, "--export-gcode", "--merge", path, "--output", path + ".gcode"])
        self.assertEqual(code, 0, text)

    def test_caffeine_colour_3mf_of_the_meshes(self):
        path = self.convert("pyobjcryst_caffeine.cif", "3mf", "--size", "40")
        code, report = run([ARGS.slicer, "--info", path])
        self.assertEqual(code, 0, report)
        blocks = info_blocks(report)
        self.assertEqual(len(blocks), 5, report)
        # Every sphere and cylinder is a closed part of its colour's object.
        self.assertEqual(sum(int(block["number_of_parts"]) for block in blocks), 49, report)

    def test_1cbs_solid_binary_stl(self):
        # A protein with its ions and water hidden, drawn as the program
        # does: the report's pieces are the slicer's parts.
        path = self.convert("libcifpp_1cbs.cif", "stl", "--format", "stl-binary", "--solid", "--size", "60",
                            "--solid-tolerance", "0.1")
        code, report = run([ARGS.converter, "check", os.path.join(ARGS.corpus, "libcifpp_1cbs.cif"), "--size", "60",
                            "--solid-tolerance", "0.1"])
        self.assertEqual(code, 0, report)
        pieces = int(re.search(r"^Pieces: (\d+)$", report, re.M).group(1))
        self.check_file(path, [pieces])


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--converter", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--slicer", default="prusa-slicer")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], *rest], verbosity=2)


if __name__ == "__main__":
    main()
