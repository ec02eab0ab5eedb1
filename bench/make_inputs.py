#!/usr/bin/python3
"""Makes the synthetic benchmark structures from real ones.

Usage: make_inputs.py CORPUS_DIR OUT_DIR

Writes into OUT_DIR:
  tiled-10k.cif, tiled-100k.cif, tiled-1m.cif
      copies of the protein 1CBS (libcifpp_1cbs.cif, 1,213 atoms with water)
      side by side in a cubic block, 10 A apart, cut at exactly 10,000,
      100,000 and 1,000,000 atoms; ids numbered through.
  zsm5-5k.cif
      ZSM-5 (avogadro_zeolites_ZSM-5.cif, 99 atoms) repeated 2 x 5 x 5 times
      in a cell that many times larger: an asymmetric unit of 4,950 atoms
      for Expand, which keeps the fragments joined to atom 1.
  diamond-5k.cif
      diamond, 5 x 5 x 25 cubic cells of 8 carbon atoms in one cell: 5,000
      atoms all joined to each other, the most work Expand can have.
"""
import math
import os
import sys


def atom_loop(lines, prefix):
    """The tags of the loop holding PREFIX tags, and the indexes of its rows."""
    tags, rows, in_loop = [], [], False
    for n, line in enumerate(lines):
        text = line.strip()
        if text.startswith(prefix):
            tags.append(text.split()[0])
            in_loop = True
        elif in_loop and text and not text.startswith("#") and not text.startswith("_") \
                and not text.startswith("loop_"):
            rows.append(n)
        elif in_loop and rows:
            break
    return tags, rows


def tile_protein(source, atoms, target):
    lines = open(source).read().splitlines()
    tags, rows = atom_loop(lines, "_atom_site.")
    column = {tag: k for k, tag in enumerate(tags)}
    x, y, z, ident = (column["_atom_site.Cartn_x"], column["_atom_site.Cartn_y"],
                      column["_atom_site.Cartn_z"], column["_atom_site.id"])
    table = [lines[n].split() for n in rows]
    coords = [[float(r[x]), float(r[y]), float(r[z])] for r in table]
    low = [min(c[k] for c in coords) for k in range(3)]
    high = [max(c[k] for c in coords) for k in range(3)]
    step = [high[k] - low[k] + 10.0 for k in range(3)]
    side = math.ceil((atoms / len(table)) ** (1 / 3))
    out = ["data_tiled", "#", "loop_"] + tags
    made = 0
    for i in range(side):
        for j in range(side):
            for k in range(side):
                for row, c in zip(table, coords):
                    if made == atoms:
                        break
                    made += 1
                    values = list(row)
                    values[ident] = str(made)
                    values[x] = "%.3f" % (c[0] + i * step[0])
                    values[y] = "%.3f" % (c[1] + j * step[1])
                    values[z] = "%.3f" % (c[2] + k * step[2])
                    out.append(" ".join(values))
    out.append("#")
    with open(target, "w") as f:
        f.write("\n".join(out) + "\n")


def tile_cell(source, repeats, target):
    lines = open(source).read().splitlines()
    cell = {}
    for line in lines:
        words = line.split()
        if words and words[0].startswith("_cell_length_") or words and words[0].startswith("_cell_angle_"):
            cell[words[0]] = float(words[1].split("(")[0])
    tags, rows = atom_loop(lines, "_atom_site_")
    column = {tag: k for k, tag in enumerate(tags)}
    label = column["_atom_site_label"]
    fract = [column["_atom_site_fract_" + a] for a in "xyz"]
    table = [lines[n].split() for n in rows]
    out = ["data_supercell"]
    for axis, times in zip("abc", repeats):
        out.append("_cell_length_%s %.4f" % (axis, cell["_cell_length_" + axis] * times))
    for angle in ("alpha", "beta", "gamma"):
        out.append("_cell_angle_%s %.4f" % (angle, cell["_cell_angle_" + angle]))
    out += ["loop_", "_atom_site_label", "_atom_site_fract_x", "_atom_site_fract_y", "_atom_site_fract_z"]
    for i in range(repeats[0]):
        for j in range(repeats[1]):
            for k in range(repeats[2]):
                for row in table:
                    f = [float(row[fract[a]].split("(")[0]) for a in range(3)]
                    out.append("%s %.6f %.6f %.6f" % (row[label], (f[0] + i) / repeats[0],
                                                      (f[1] + j) / repeats[1], (f[2] + k) / repeats[2]))
    with open(target, "w") as f:
        f.write("\n".join(out) + "\n")


def diamond(repeats, target):
    a = 3.567
    basis = [(0, 0, 0), (0, .5, .5), (.5, 0, .5), (.5, .5, 0),
             (.25, .25, .25), (.25, .75, .75), (.75, .25, .75), (.75, .75, .25)]
    out = ["data_diamond"]
    for axis, times in zip("abc", repeats):
        out.append("_cell_length_%s %.4f" % (axis, a * times))
    out += ["_cell_angle_alpha 90", "_cell_angle_beta 90", "_cell_angle_gamma 90",
            "loop_", "_atom_site_label", "_atom_site_type_symbol",
            "_atom_site_fract_x", "_atom_site_fract_y", "_atom_site_fract_z"]
    n = 0
    for i in range(repeats[0]):
        for j in range(repeats[1]):
            for k in range(repeats[2]):
                for b in basis:
                    n += 1
                    out.append("C%d C %.6f %.6f %.6f" % (n, (b[0] + i) / repeats[0], (b[1] + j) / repeats[1],
                                                         (b[2] + k) / repeats[2]))
    with open(target, "w") as f:
        f.write("\n".join(out) + "\n")


def main():
    corpus, folder = sys.argv[1], sys.argv[2]
    os.makedirs(folder, exist_ok=True)
    protein = os.path.join(corpus, "libcifpp_1cbs.cif")
    for name, atoms in (("tiled-10k.cif", 10_000), ("tiled-100k.cif", 100_000), ("tiled-1m.cif", 1_000_000)):
        tile_protein(protein, atoms, os.path.join(folder, name))
    tile_cell(os.path.join(corpus, "avogadro_zeolites_ZSM-5.cif"), (2, 5, 5), os.path.join(folder, "zsm5-5k.cif"))
    diamond((5, 5, 25), os.path.join(folder, "diamond-5k.cif"))


if __name__ == "__main__":
    main()
