#!/usr/bin/env python3
"""Export Branch read back by other programs' tools: the CSV through Python's csv module, the
Darwin Core Archive through zipfile and an XML parser, and a full disk that must leave the old file.
Text fields hold what the summary shows: macros expanded, formatting codes read.

Usage: test_export_branch.py EXPORT_BRANCH_TOOL
"""

import csv
import os
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
import zipfile

TOOL = None

TREE = [
    "#c1#Korvelia#the korvels",
    '\t#s1#Subkorva#sub, "quoted"',
    "\t\t#o1#Ordina#walkers",
    "\t\t\t\t#f1#Familia#round ones",  # the suborder is skipped
    "\t\t\t\t\t#g1#Alpha#first",
    "\t\t\t\t\t#(n/a)#[unnamed]#planned",
    "\t\t\t\t\t#g2#B\u00eata, the second#info\twith tab",
    "\t\t\t\t\t#g1#Alpha bis#same id",  # an id twice: its record is found again
    "\t\t\t\t#f2#Nodata#no record",
    "#c2#Secunda#others",
]
DATABASES = {
    "class.dat": ["c1#Korvelia#korvel-like#A class.|Second line, with comma."],
    "subclass.dat": ["s1#Subkorva#under#Plain."],
    "order.dat": ['o1#Ordina#"walking" ones#Text "with" quotes.'],
    "family.dat": ["f1#Familia#round <velmora>#Fam. <unknown>caf\\'e9 [sic]"],
    "genus.dat": [
        "g1#Alpha#first one#Alpha desc. Like Beta <genus$'Beta'>.|More by <velmora>: <url$http://x/y>."
        "#land#Alpha {\\i korvel}#a.gif#Ann <c>#http://a#Bo#http://b/(1)#kw one, <velmora>",
        "\t#una#one#Una desc. <info$4,'f1'>",
        "\t#duo#two, too#",
        "g2#Ignored name#second#B.#water##-#####",
    ],
}
CODES = ["[Codes]", "velmora=the Velmora project", "[Misc]", "highlighttext={\\cf3\\u8599?}"]

# Text, never the summary's link marker: a web link is its address.
G1 = ["first one", "Alpha desc. Like Beta .\nMore by the Velmora project: http://x/y.", "land",
      "Alpha korvel", "a.gif", "Ann <c>", "http://a", "Bo", "http://b/(1)", "kw one, the Velmora project"]
FAMILY = "Korvelia > Subkorva > Ordina > Familia"
EXPECTED_CSV = [
    ["level", "id", "name", "info", "meaning", "description", "korvel_type", "common_name", "picture",
     "picture_copyright", "picture_copyright_url", "picture_owner", "picture_owner_url", "keywords", "path"],
    ["Class", "c1", "Korvelia", "the korvels", "korvel-like", "A class.\nSecond line, with comma."] + [""] * 8
    + ["Korvelia"],
    ["Subclass", "s1", "Subkorva", 'sub, "quoted"', "under", "Plain."] + [""] * 8 + ["Korvelia > Subkorva"],
    ["Order", "o1", "Ordina", "walkers", '"walking" ones', 'Text "with" quotes.'] + [""] * 8
    + ["Korvelia > Subkorva > Ordina"],
    ["Family", "f1", "Familia", "round ones", "round the Velmora project", "Fam. caf\u00e9 [sic]"] + [""] * 8
    + [FAMILY],
    ["Genus", "g1", "Alpha", "first"] + G1 + [FAMILY + " > Alpha"],
    ["Species", "", "una", "", "one", "Una desc. "] + [""] * 8 + [FAMILY + " > Alpha > una"],
    ["Species", "", "duo", "", "two, too", ""] + [""] * 8 + [FAMILY + " > Alpha > duo"],
    ["Genus", "(n/a)", "[unnamed]", "planned"] + [""] * 10 + [FAMILY + " > [unnamed]"],
    ["Genus", "g2", "B\u00eata, the second", "info\twith tab", "second", "B.", "water", "", "-"] + [""] * 5
    + [FAMILY + " > B\u00eata, the second"],
    ["Genus", "g1", "Alpha bis", "same id"] + G1 + [FAMILY + " > Alpha bis"],
    ["Species", "", "una", "", "one", "Una desc. "] + [""] * 8 + [FAMILY + " > Alpha bis > una"],
    ["Species", "", "duo", "", "two, too", ""] + [""] * 8 + [FAMILY + " > Alpha bis > duo"],
    ["Family", "f2", "Nodata", "no record"] + [""] * 10 + ["Korvelia > Subkorva > Ordina > Nodata"],
]
EXPECTED_TAXA = [
    ["c1", "", "Korvelia", "class", "the korvels"],
    ["s1", "c1", "Subkorva", "subclass", 'sub, "quoted"'],
    ["o1", "s1", "Ordina", "order", "walkers"],
    ["f1", "o1", "Familia", "family", "round ones"],
    ["g1", "f1", "Alpha", "genus", "Alpha korvel"],
    ["g1#1", "g1", "Alpha una", "species", ""],
    ["g1#2", "g1", "Alpha duo", "species", ""],
    ["#1", "f1", "[unnamed]", "genus", "planned"],
    ["g2", "f1", "B\u00eata, the second", "genus", "info with tab"],
    ["#2", "f1", "Alpha bis", "genus", "Alpha korvel"],
    ["#2#1", "#2", "Alpha bis una", "species", ""],
    ["#2#2", "#2", "Alpha bis duo", "species", ""],
    ["f2", "o1", "Nodata", "family", "no record"],
]


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8", newline="") as out:
        out.write("".join(line + "\r\n" for line in lines))


def make_folder(root, tree=TREE, databases=DATABASES):
    for name, lines in [("classifytree.dat", tree), ("summarycode.dat", CODES)] + list(databases.items()):
        write_lines(os.path.join(root, name), lines)


def export(folder, branch, output):
    return subprocess.run([TOOL, folder, branch, output], capture_output=True, text=True)


class ExportBranchTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.folder = self.dir.name
        make_folder(self.folder)

    def tearDown(self):
        self.dir.cleanup()

    def test_csv_round_trips(self):
        out = os.path.join(self.folder, "branch.csv")
        run = export(self.folder, "c1", out)
        self.assertEqual(run.returncode, 0, run.stderr)
        self.assertEqual(run.stdout.split(), ["9", "4"])
        with open(out, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f, strict=True))
        self.assertEqual(rows, EXPECTED_CSV)
        with open(out, "rb") as f:
            self.assertTrue(f.read().endswith(b"\r\n"))
        # A branch further down keeps its path from the top of the tree.
        run = export(self.folder, "f1", out)
        self.assertEqual(run.returncode, 0, run.stderr)
        with open(out, encoding="utf-8", newline="") as f:
            rows = list(csv.reader(f, strict=True))
        self.assertEqual(rows[1][-1], FAMILY)
        self.assertEqual(len(rows), 1 + 5 + 4)

    def test_darwin_core_archive(self):
        out = os.path.join(self.folder, "branch.ZIP")
        run = export(self.folder, "c1", out)
        self.assertEqual(run.returncode, 0, run.stderr)
        with zipfile.ZipFile(out) as archive:
            self.assertIsNone(archive.testzip())  # every checksum holds
            self.assertEqual(sorted(archive.namelist()), ["meta.xml", "taxon.txt"])
            meta = ET.fromstring(archive.read("meta.xml"))
            taxa = archive.read("taxon.txt").decode("utf-8").split("\n")
        ns = {"dwc": "http://rs.tdwg.org/dwc/text/"}
        core = meta.find("dwc:core", ns)
        self.assertEqual(core.get("rowType"), "http://rs.tdwg.org/dwc/terms/Taxon")
        self.assertEqual(core.find("dwc:files/dwc:location", ns).text, "taxon.txt")
        self.assertEqual(core.get("fieldsTerminatedBy"), "\\t")
        self.assertEqual(core.get("ignoreHeaderLines"), "1")
        self.assertEqual(core.find("dwc:id", ns).get("index"), "0")
        # meta.xml names every column of taxon.txt, at its index, and nothing else.
        self.assertEqual(taxa[-1], "")
        header = taxa[0].split("\t")
        terms = {int(f.get("index")): f.get("term") for f in core.findall("dwc:field", ns)}
        self.assertEqual(sorted(terms), list(range(len(header))))
        for index, column in enumerate(header):
            self.assertEqual(terms[index], "http://rs.tdwg.org/dwc/terms/" + column)
        rows = [line.split("\t") for line in taxa[1:-1]]
        self.assertEqual(rows, EXPECTED_TAXA)
        ids = [row[0] for row in rows]
        self.assertEqual(len(set(ids)), len(ids))
        self.assertTrue(all(row[1] in ids for row in rows[1:]))

    def test_full_disk_keeps_the_old_file(self):
        # A small file system of its own; where that cannot be had, the check is left out.
        probe = subprocess.run(["unshare", "-rm", "true"], capture_output=True)
        if probe.returncode != 0:
            self.skipTest("no private mount namespace here")
        genera = []
        tree = ["#c1#Big#b"]
        for i in range(400):
            tree.append("\t\t\t\t\t#g%d#Genus%d#info %d" % (i, i, i))
            genera.append("g%d#Genus%d#m#%s#####-#####" % (i, i, "Long description. " * 20))
        big = os.path.join(self.folder, "big")
        os.mkdir(big)
        make_folder(big, tree, {"genus.dat": genera})
        disk = os.path.join(self.folder, "disk")
        os.mkdir(disk)
        script = (
            'mount -t tmpfs -o size=64k tmpfs "$1" && printf old > "$1/out.csv" && '
            '"$2" "$3" c1 "$1/out.csv"; rc=$?; cat "$1/out.csv"; echo; ls -A "$1"; exit $rc'
        )
        run = subprocess.run(["unshare", "-rm", "sh", "-c", script, "sh", disk, TOOL, big],
                             capture_output=True, text=True)
        if "mount" in run.stderr and "old" not in run.stdout:
            self.skipTest("tmpfs cannot be mounted here")
        self.assertEqual(run.returncode, 1, run.stdout + run.stderr)
        self.assertIn("The disk is full", run.stderr)
        self.assertEqual(run.stdout.split(), ["old", "out.csv"])  # old content, no temporary file


if __name__ == "__main__":
    TOOL = os.path.abspath(sys.argv.pop(1))
    unittest.main()
