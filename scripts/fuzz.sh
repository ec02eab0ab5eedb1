#!/bin/sh
# Builds the libFuzzer targets (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, in build-fuzz/), seeds them from the test
# corpus (tests/data/corpus and the files of its debian-files.tsv) and runs
# each for SECONDS, one after the other on one core:
#
#   scripts/fuzz.sh SECONDS [TARGET]     TARGET: cif_reader, structure_index, conversion, crystal
#                                        (default: all four)
#   scripts/fuzz.sh replay               builds, then runs every target once on
#                                        each file of tests/fuzz-regressions
#
# The corpus each target grows stays in build-fuzz/corpus/TARGET; crashes,
# leaks, timeouts and out-of-memory inputs land in build-fuzz/findings/.
# Each run ends with libFuzzer's final statistics (executions, coverage).
set -eu
cd "$(dirname "$0")/.."

if [ $# -lt 1 ]; then
  echo "usage: $0 SECONDS [cif_reader|structure_index|conversion|crystal] | $0 replay" >&2
  exit 1
fi
seconds="$1"
targets="${2:-cif_reader structure_index conversion crystal}"
build=build-fuzz
corpus=tests/data/corpus

CC=clang-14 CXX=clang++-14 ./scripts/build.sh "$build" -DVEXALITH_FUZZ=ON \
  -DVEXALITH_BUILD_TESTS=OFF -DVEXALITH_BUILD_BENCHMARKS=OFF -DVEXALITH_BUILD_GUI=OFF

if [ "$seconds" = replay ]; then
  for target in $targets; do
    status=0
    find tests/fuzz-regressions -type f ! -name README.md -print0 |
      xargs -0 "$build/fuzz/fuzz_$target" -rss_limit_mb=2048 -timeout=60 > "$build/replay_$target.log" 2>&1 ||
      status=$?
    echo "fuzz_$target: $(grep -c '^Executed' "$build/replay_$target.log") kept findings replayed"
    if [ "$status" -ne 0 ]; then
      cat "$build/replay_$target.log" >&2
      exit 1
    fi
  done
  exit 0
fi

# Seeds: the corpus files unpacked, and for the structure index target the
# same files behind a two-byte index (structures 0, 1 and 2).  Remade on
# every run; they never enter git.
seeds="$build/seeds"
rm -rf "$seeds"
mkdir -p "$seeds/plain" "$seeds/indexed" "$build/findings"
add_seed() {
  # add_seed NAME FILE
  case "$2" in
    *.gz) gzip -dc "$2" > "$seeds/plain/$1" ;;
    *) cp "$2" "$seeds/plain/$1" ;;
  esac
  for index in 0 1 2; do
    { printf "\\$(printf %03o "$index")\\000"; cat "$seeds/plain/$1"; } > "$seeds/indexed/$index-$1"
  done
}
for file in "$corpus"/*.cif "$corpus"/*.mcif "$corpus"/*.cif.gz; do
  add_seed "$(basename "$file" .gz)" "$file"
done
tab=$(printf '\t')
tail -n +2 "$corpus/debian-files.tsv" | while IFS="$tab" read -r name package version license path sha256; do
  if [ -f "$path" ]; then
    add_seed "$name" "$path"
  else
    echo "fuzz.sh: no seed $name: $path is missing (Debian package $package; scripts/install-deps.sh installs it)" >&2
  fi
done

for target in $targets; do
  case "$target" in
    cif_reader) seed_dir="$seeds/plain"; max_len=65536 ;;
    structure_index) seed_dir="$seeds/indexed"; max_len=65536 ;;
    conversion) seed_dir="$seeds/plain"; max_len=16384 ;;
    crystal) seed_dir="$seeds/indexed"; max_len=16384 ;;
    *) echo "$0: unknown target $target" >&2; exit 1 ;;
  esac
  work="$build/corpus/$target"
  mkdir -p "$work"
  echo "== fuzz_$target for $seconds s"
  status=0
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "$build/fuzz/fuzz_$target" "$work" "$seed_dir" \
      -dict=fuzz/cif.dict -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len="$max_len" -print_final_stats=1 \
      -artifact_prefix="$build/findings/$target-" 2> "$build/fuzz_$target.log" || status=$?
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::|SUMMARY|ERROR' "$build/fuzz_$target.log" || true
  echo "corpus: $(find "$work" -type f | wc -l) inputs"
  if [ "$status" -ne 0 ]; then
    echo "fuzz_$target stopped with status $status: see $build/fuzz_$target.log and $build/findings/" >&2
    exit "$status"
  fi
done
