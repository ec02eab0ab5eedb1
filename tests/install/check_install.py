#!/usr/bin/python3
"""Installs the build into a fresh prefix and checks the installed tree.

    check_install.py --build BUILD --converter BUILD/src/vexalith-convert
                     --corpus CORPUS [--gui]

The tree must hold the programs, the converter's data files, the manual and
(with --gui) the desktop integration; the desktop files must be valid for
the desktop's own tools; every link inside the manual must lead somewhere;
and the installed converter must find its data files from the install tree
alone and write the same STL as the converter of the build tree.
"""

import argparse
import configparser
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

ARGS = None
MIME_NS = "{http://www.freedesktop.org/standards/shared-mime-info}"
CORPUS_FILE = "pyobjcryst_caffeine.cif"
MANUAL = "share/doc/vexalith/manual/index.html"


def run(command, **kwargs):
    return subprocess.run(command, capture_output=True, text=True, **kwargs)


class ManualParser(html.parser.HTMLParser):
    """Collects the ids, the links and the resources of an HTML page."""

    def __init__(self):
        super().__init__()
        self.ids = []
        self.fragment_links = []
        self.other_links = []
        self.resources = []
        self.open_tags = []
        self.mismatched = []

    VOID = {"meta", "link", "br", "img", "hr", "input", "col", "area", "base", "source", "wbr"}
    # Elements whose end tag HTML lets a page leave out.
    OPTIONAL_END = {"p", "li", "dt", "dd", "tr", "td", "th", "thead", "tbody", "option"}

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if "id" in attrs:
            self.ids.append(attrs["id"])
        if tag == "a" and "href" in attrs:
            href = attrs["href"]
            if href.startswith("#"):
                self.fragment_links.append(href[1:])
            else:
                self.other_links.append(href)
        if tag in ("link", "script", "img", "iframe", "source", "video", "audio"):
            for key in ("href", "src"):
                if key in attrs:
                    self.resources.append((tag, attrs[key]))
        if tag == "script":
            self.resources.append((tag, "inline script"))
        if tag not in self.VOID:
            self.open_tags.append(tag)

    def handle_endtag(self, tag):
        while self.open_tags and self.open_tags[-1] != tag and self.open_tags[-1] in self.OPTIONAL_END:
            self.open_tags.pop()
        if self.open_tags and self.open_tags[-1] == tag:
            self.open_tags.pop()
        else:
            self.mismatched.append(tag)


WORK = None
PREFIX = None


def setUpModule():
    global WORK, PREFIX
    WORK = tempfile.mkdtemp(prefix="vexalith-install-")
    PREFIX = os.path.join(WORK, "prefix")
    result = run(["cmake", "--install", ARGS.build, "--prefix", PREFIX])
    if result.returncode != 0:
        raise AssertionError("cmake --install failed:\n" + result.stdout + result.stderr)


def tearDownModule():
    shutil.rmtree(WORK, ignore_errors=True)


class InstalledTree(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = WORK
        cls.prefix = PREFIX

    def path(self, relative):
        return os.path.join(self.prefix, relative)

    def assertInstalled(self, relative, executable=False):
        full = self.path(relative)
        self.assertTrue(os.path.isfile(full), relative + " is not installed")
        self.assertGreater(os.path.getsize(full), 0, relative + " is empty")
        if executable:
            self.assertTrue(os.access(full, os.X_OK), relative + " is not executable")

    def test_programs_and_data_files(self):
        self.assertInstalled("bin/vexalith-convert", executable=True)
        for name in ("ball.txt", "ball1.txt", "ball2.txt", "cylinder.txt", "Vexalithempty.wrl"):
            self.assertInstalled("share/vexalith/" + name)
        with open(self.path("share/vexalith/Vexalithempty.wrl"), encoding="utf-8") as scene:
            self.assertTrue(scene.readline().startswith("#VRML V2.0 utf8"))
        if ARGS.gui:
            self.assertInstalled("bin/vexalith", executable=True)

    def test_manual_where_the_program_looks(self):
        # The program opens ../share/doc/vexalith/manual/index.html from its
        # own folder.
        from_bin = os.path.normpath(os.path.join(self.path("bin"), "..", MANUAL))
        self.assertTrue(os.path.isfile(from_bin))
        self.assertInstalled("share/doc/vexalith/manual/manual.css")

    def test_manual_links_resolve(self):
        parser = ManualParser()
        with open(self.path(MANUAL), encoding="utf-8") as page:
            parser.feed(page.read())
        parser.close()

        duplicates = sorted({i for i in parser.ids if parser.ids.count(i) > 1})
        self.assertEqual(duplicates, [], "ids used more than once")
        broken = sorted(set(parser.fragment_links) - set(parser.ids))
        self.assertEqual(broken, [], "links to anchors that do not exist")
        self.assertIn("graphics", parser.ids)
        self.assertIn("graphics", parser.fragment_links, "the contents do not list the graphics set-up")
        # Every section is reachable from the contents.
        sections = []
        with open(self.path(MANUAL), encoding="utf-8") as page:
            text = page.read()
        for part in text.split("<section id=\"")[1:]:
            sections.append(part.split("\"", 1)[0])
        self.assertGreater(len(sections), 5)
        self.assertEqual(sorted(set(sections) - set(parser.fragment_links)), [])

        # The page is read from disk, perhaps without a network: everything
        # it loads is installed beside it.
        folder = os.path.dirname(self.path(MANUAL))
        for tag, target in parser.resources:
            self.assertNotEqual(tag, "script", "the manual needs no scripts")
            self.assertNotIn("://", target, "external resource " + target)
            self.assertTrue(os.path.isfile(os.path.join(folder, target)), target + " is not installed")
        for target in parser.other_links:
            if "://" in target or target.startswith("mailto:"):
                continue
            self.assertTrue(os.path.isfile(os.path.join(folder, target.split("#")[0])), target)
        self.assertEqual(parser.mismatched, [], "end tags without their start tags")
        self.assertEqual(parser.open_tags, [], "elements left open")

    def test_installed_converter_uses_the_installed_templates(self):
        source = os.path.join(ARGS.corpus, CORPUS_FILE)
        work = os.path.join(self.work, "convert")
        os.makedirs(work)
        cif = os.path.join(work, CORPUS_FILE)
        shutil.copyfile(source, cif)
        env = {k: v for k, v in os.environ.items() if k != "VEXALITH_DATA_DIR"}

        # Same file names in two folders: the solid is named after the file.
        os.makedirs(os.path.join(work, "installed"))
        os.makedirs(os.path.join(work, "built"))
        installed = os.path.join(work, "installed", "caffeine.stl")
        result = run([self.path("bin/vexalith-convert"), cif, "-o", installed], cwd=work, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(installed, "rb") as stl:
            data = stl.read()
        self.assertTrue(data.startswith(b"solid"))
        self.assertTrue(data.rstrip().split(b"\r\n")[-1].startswith(b"endsolid"))
        self.assertGreater(data.count(b"endfacet"), 1000)

        # The same file as the converter of the build tree writes with the
        # templates of the build tree.
        built = os.path.join(work, "built", "caffeine.stl")
        result = run([ARGS.converter, cif, "-o", built], cwd=work, env=env)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(built, "rb") as stl:
            self.assertEqual(data, stl.read())

        # The templates come from the install tree: without them there, the
        # installed converter cannot write an STL file.
        copy = os.path.join(self.work, "prefix-without-templates")
        shutil.copytree(self.prefix, copy, symlinks=True)
        os.remove(os.path.join(copy, "share/vexalith/ball.txt"))
        missing = os.path.join(work, "missing.stl")
        result = run([os.path.join(copy, "bin/vexalith-convert"), cif, "-o", missing], cwd=work, env=env)
        self.assertEqual(result.returncode, 2, result.stdout + result.stderr)
        self.assertIn("ball.txt", result.stderr)
        self.assertFalse(os.path.exists(missing))


class DesktopIntegration(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not ARGS.gui:
            raise unittest.SkipTest("the desktop program is not built")
        cls.work = WORK
        cls.prefix = PREFIX
        cls.desktop = os.path.join(cls.prefix, "share/applications/vexalith.desktop")
        cls.icon = os.path.join(cls.prefix, "share/icons/hicolor/scalable/apps/vexalith.svg")
        cls.mime = os.path.join(cls.prefix, "share/mime/packages/vexalith.xml")

    def entry(self):
        parser = configparser.ConfigParser(interpolation=None, strict=True)
        parser.optionxform = str
        parser.read(self.desktop, encoding="utf-8")
        return parser["Desktop Entry"]

    def defined_mime_types(self):
        root = ET.parse(self.mime).getroot()
        return {t.get("type"): t for t in root.findall(MIME_NS + "mime-type")}

    def test_files_installed(self):
        for path in (self.desktop, self.icon, self.mime):
            self.assertTrue(os.path.isfile(path), path)

    def test_desktop_file_is_valid(self):
        validator = shutil.which("desktop-file-validate")
        if validator is None:
            self.skipTest("desktop-file-validate is not installed")
        result = run([validator, self.desktop])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotIn("error:", result.stdout + result.stderr)

    def test_desktop_entry_matches_the_installed_tree(self):
        entry = self.entry()
        self.assertEqual(entry["Type"], "Application")
        self.assertEqual(entry["Name"], "Vexalith")
        program, argument = entry["Exec"].split()
        self.assertEqual(argument, "%f")
        self.assertTrue(os.access(os.path.join(self.prefix, "bin", program), os.X_OK))
        self.assertEqual(os.path.basename(self.icon), entry["Icon"] + ".svg")
        categories = entry["Categories"].rstrip(";").split(";")
        self.assertIn("Science", categories)
        self.assertIn("Chemistry", categories)

        # Every file type named is defined: by our MIME package or by the
        # desktop's shared MIME database.
        ours = self.defined_mime_types()
        for mime_type in entry["MimeType"].rstrip(";").split(";"):
            system = os.path.join("/usr/share/mime", mime_type + ".xml")
            self.assertTrue(mime_type in ours or os.path.isfile(system), mime_type + " is defined nowhere")
        self.assertIn("chemical/x-cif", entry["MimeType"].split(";"))

    def test_mime_package(self):
        types = self.defined_mime_types()
        self.assertIn("chemical/x-cif", types)
        globs = [g.get("pattern") for g in types["chemical/x-cif"].findall(MIME_NS + "glob")]
        self.assertIn("*.cif", globs)
        # VRML comes from the desktop's own database.
        self.assertNotIn("model/vrml", types)

        # The desktop's own tool builds a database from it.
        updater = shutil.which("update-mime-database")
        if updater is None:
            self.skipTest("update-mime-database is not installed")
        database = os.path.join(self.work, "mime-database")
        os.makedirs(os.path.join(database, "packages"))
        shutil.copy(self.mime, os.path.join(database, "packages"))
        result = run([updater, database])
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        with open(os.path.join(database, "globs2"), encoding="utf-8") as globs2:
            lines = globs2.read().splitlines()
        self.assertIn("50:chemical/x-cif:*.cif", lines)
        self.assertTrue(os.path.isfile(os.path.join(database, "chemical/x-cif.xml")))
        with open(os.path.join(database, "magic"), "rb") as magic:
            self.assertIn(b"#\\#CIF_", magic.read())

    def test_icon_is_a_square_svg(self):
        root = ET.parse(self.icon).getroot()
        self.assertEqual(root.tag, "{http://www.w3.org/2000/svg}svg")
        x, y, width, height = (float(v) for v in root.get("viewBox").split())
        self.assertEqual(width, height)
        self.assertGreater(width, 0)
        # Hand-written shapes, no embedded bitmaps or outside references.
        for element in root.iter():
            for key, value in element.attrib.items():
                if key.endswith("href"):
                    self.assertTrue(value.startswith("#"), value)


def main():
    global ARGS
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--converter", required=True)
    parser.add_argument("--corpus", required=True)
    parser.add_argument("--gui", action="store_true")
    ARGS, rest = parser.parse_known_args()
    for name in ("build", "converter", "corpus"):
        setattr(ARGS, name, os.path.abspath(getattr(ARGS, name)))
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
