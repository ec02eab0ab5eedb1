#!/bin/sh
# Compares the output of two converter builds, byte for byte, for every
# corpus file in every model mode and output kind, and for `info`.  Used when
# reworking the core: the bytes must not change.
#   scripts/compare-converters.sh OLD/vexalith-convert NEW/vexalith-convert
set -eu
old=$1
new=$2
root=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
mkdir "$work/old" "$work/new"
trap 'rm -rf "$work"' EXIT
files=0
differ=0
for cif in "$root"/tests/data/corpus/*.cif "$root"/tests/data/corpus/*.cif.gz; do
  [ -e "$cif" ] || continue
  name=$(basename "$cif")
  case "$name" in *.gz) gunzip -c "$cif" > "$work/in.cif"; input="$work/in.cif" ;; *) input=$cif ;; esac
  for variant in "" "--mode ball-stick" "--mode covalent" "--mode vdw" "--no-helices" "--no-protein-style" \
                 "--hbonds with-vdw" "--hbonds only --show-water" "--expand" "--unit m --size 50" "--bridges"; do
    for format in scene printer stl; do
      ext=wrl; [ "$format" = stl ] && ext=stl
      # shellcheck disable=SC2086
      o=0; "$old" "$input" -o "$work/old/model.$ext" --format $format $variant > "$work/old.log" 2>&1 || o=$?
      # shellcheck disable=SC2086
      n=0; "$new" "$input" -o "$work/new/model.$ext" --format $format $variant > "$work/new.log" 2>&1 || n=$?
      files=$((files + 1))
      if [ "$o" != "$n" ] || ! cmp -s "$work/old.log" "$work/new.log" ||
         { [ "$o" = 0 ] && ! cmp -s "$work/old/model.$ext" "$work/new/model.$ext"; }; then
        echo "differs: $name --format $format $variant (exit $o / $n)"
        differ=$((differ + 1))
      fi
      rm -f "$work/old/model.$ext" "$work/new/model.$ext"
    done
  done
  for variant in "" "--no-helices" "--atoms"; do
    # shellcheck disable=SC2086
    "$old" info "$input" $variant > "$work/old.info" 2>&1 || true
    # shellcheck disable=SC2086
    "$new" info "$input" $variant > "$work/new.info" 2>&1 || true
    files=$((files + 1))
    cmp -s "$work/old.info" "$work/new.info" || { echo "differs: info $name $variant"; differ=$((differ + 1)); }
  done
done
echo "$files outputs compared, $differ differ"
[ "$differ" = 0 ]
