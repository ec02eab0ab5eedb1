#!/bin/sh
# The large-structure benchmarks: builds in Release mode, makes the
# synthetic inputs, runs the in-process stage benchmarks and the whole-run
# comparisons (gemmi, PyMOL, the page cache), and prints the tables.
# Run as root on a fresh Debian 12 machine; takes about ten minutes.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends pymol python3-prody-tests time >/dev/null
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXALITH_BUILD_TESTS=OFF \
  -DVEXALITH_BUILD_BENCHMARKS=ON -DVEXALITH_BUILD_GUI=OFF >/dev/null
cmake --build build-bench
inputs=build-bench/bench-inputs
/usr/bin/python3 bench/make_inputs.py tests/data/corpus "$inputs"
VEXALITH_BENCH_DIR="$inputs" ./build-bench/bench/vexalith_stage_benchmark --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true --benchmark_out=build-bench/stages.json --benchmark_out_format=json
/usr/bin/python3 bench/compare.py ./build-bench/src/vexalith-convert "$inputs" build-bench/stages.json
