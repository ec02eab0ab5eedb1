#!/bin/sh
# Batch conversion against a shell loop: builds in Release mode and converts
# every corpus CIF file into scenes in each model mode (ball-stick, covalent,
# vdw), once as a batch with --jobs 1, once with --jobs 2, and once by a loop
# that starts the converter for each file.  Prints the seconds, the files per
# second and each run's speed against the loop's.  Figures to read, not a test.
# Every file is converted VEXALITH_BENCH_COPIES times (default 10, as many
# copies under other names), so that a run lasts long enough to be timed.
# Run as root on a fresh machine.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake -S . -B build-bench-batch -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEXALITH_BUILD_TESTS=OFF
cmake --build build-bench-batch
convert=./build-bench-batch/src/vexalith-convert

corpus="${VEXALITH_CORPUS:-tests/data/corpus}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
mkdir "$work/input"
for file in "$corpus"/*.cif "$corpus"/*.mcif "$corpus"/*.cif.gz; do
    [ -f "$file" ] || continue
    case "$file" in
        *.gz) gzip -dc "$file" > "$work/input/$(basename "$file" .gz)" ;;
        *) cp "$file" "$work/input/" ;;
    esac
done
# The corpus files that stay in their Debian packages, under their corpus names.
tab="$(printf '\t')"
if [ -f "$corpus/debian-files.tsv" ]; then
    tail -n +2 "$corpus/debian-files.tsv" | while IFS="$tab" read -r name package version license path sha256; do
        cp "$path" "$work/input/$name"
    done
fi
copies="${VEXALITH_BENCH_COPIES:-10}"
corpus_files=$(ls "$work/input" | wc -l)
for file in "$work"/input/*; do
    k=2
    while [ "$k" -le "$copies" ]; do
        cp "$file" "$work/input/copy$k-$(basename "$file")"
        k=$((k + 1))
    done
done
files=$(ls "$work/input" | wc -l)

now() { date +%s.%N; }
seconds() { awk "BEGIN { printf \"%.2f\", $2 - $1 }"; }
per_second() { awk "BEGIN { printf \"%.1f\", $files / $1 }"; }
ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }

echo "$corpus_files corpus files from $corpus, $copies times each: $files files; $(nproc) processors"
printf '%-11s %-10s %9s %9s %12s\n' "mode" "run" "seconds" "files/s" "x loop speed"
for mode in ball-stick covalent vdw; do
    out="$work/out"
    start=$(now)
    for file in "$work"/input/*; do
        name=$(basename "$file")
        "$convert" "$file" -o "$out-loop-${name%.*}.wrl" --mode "$mode" 2>/dev/null || true
    done
    loop=$(seconds "$start" "$(now)")
    rm -f "$out"-loop-*
    printf '%-11s %-10s %9s %9s %12s\n' "$mode" "loop" "$loop" "$(per_second "$loop")" "1.00"
    for jobs in 1 2; do
        start=$(now)
        "$convert" "$work"/input/* -o "$out/" --mode "$mode" --jobs "$jobs" 2>"$work/summary" || true
        batch=$(seconds "$start" "$(now)")
        rm -rf "$out"
        printf '%-11s %-10s %9s %9s %12s\n' "$mode" "--jobs $jobs" "$batch" "$(per_second "$batch")" \
            "$(ratio "$loop" "$batch")"
    done
    echo "            ($(tail -n 1 "$work/summary" | sed 's/^vexalith-convert: //'))"
done
