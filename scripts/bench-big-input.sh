#!/bin/sh
# The reader on huge structures: builds in Release mode, makes protein files
# of 1, 3 and 10 million atoms (about 50 bytes an atom on disk) and prints
# the time and the peak memory of vexalith-convert info on each, with the
# memory per atom.  Time and memory should grow in proportion to the atom
# count; the 10-million-atom run needs about 5 GB of memory.  Run as root on
# a fresh machine (installs what the build needs); ATOMS="..." picks other
# sizes.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXALITH_BUILD_TESTS=OFF
cmake --build build-release --target vexalith-convert

folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
for atoms in ${ATOMS:-1000000 3000000 10000000}; do
  file="$folder/atoms-$atoms.cif"
  # Ten atoms a residue, chains of 10000 residues, on a 0.5 angstrom grid
  # of 1000 x 1000 x n.
  awk -v n="$atoms" 'BEGIN {
    print "data_big"; print "loop_"
    print "_atom_site.group_PDB"; print "_atom_site.id"; print "_atom_site.type_symbol"
    print "_atom_site.label_atom_id"; print "_atom_site.label_comp_id"; print "_atom_site.label_seq_id"
    print "_atom_site.Cartn_x"; print "_atom_site.Cartn_y"; print "_atom_site.Cartn_z"
    for (i = 1; i <= n; i++)
      printf "ATOM %d C CA ALA %d %.1f %.1f %.1f\n", i, int(i / 10) % 10000 + 1, (i % 1000) * 0.5,
             (int(i / 1000) % 1000) * 0.5, int(i / 1000000) * 0.5
  }' > "$file"
  /usr/bin/time -f "%e %M" -o "$folder/time" ./build-release/src/vexalith-convert info "$file" > "$folder/info"
  read -r seconds kilobytes < "$folder/time"
  echo "$atoms atoms ($(wc -c < "$file") bytes): $seconds s, peak $kilobytes KB," \
       "$((kilobytes * 1024 / atoms)) bytes an atom; $(grep '^AtomsRead' "$folder/info")"
  rm -f "$file"
done
