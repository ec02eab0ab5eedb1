#!/bin/sh
# Cuts a release: builds Vexalith in Release mode, makes the Debian package
# with cpack and writes the update server's version file beside it.
#
#   scripts/make-release.sh [--update-url URL] [--notes FILE] [--output DIR]
#
# DIR (default release/) then holds vexalithHome/vexalith.deb and
# vexalithHome/version.txt; copy the vexalithHome folder to the update
# server below its base address.  --update-url compiles that address into
# the program (https, ending in "/"); without it the program has no update
# check, as befits a package a distribution's package manager updates.
# --notes names a text file of release notes (default: one line naming the
# version).
set -eu

url=""
notes=""
output="release"
while [ $# -gt 0 ]; do
  case "$1" in
    --update-url) url="$2"; shift 2 ;;
    --notes) notes="$2"; shift 2 ;;
    --output) output="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) echo "make-release.sh: unknown argument $1" >&2; exit 1 ;;
  esac
done
if [ -n "$notes" ]; then
  notes=$(realpath "$notes")
fi
mkdir -p "$output"
output=$(realpath "$output")
cd "$(dirname "$0")/.."

build=build-release
./scripts/build.sh "$build" -DCMAKE_BUILD_TYPE=Release -DVEXALITH_BUILD_TESTS=OFF \
  -DVEXALITH_BUILD_BENCHMARKS=OFF "-DVEXALITH_UPDATE_URL=$url"
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package"

folder="$output/vexalithHome"
rm -rf "$folder"
mkdir -p "$folder"
for package in "$build"/package/*.deb; do
  cp "$package" "$folder/"
  name=$(basename "$package")
done
if [ -n "$notes" ]; then
  ./scripts/write-version-file.sh "$folder/$name" "$notes" > "$folder/version.txt"
else
  ./scripts/write-version-file.sh "$folder/$name" > "$folder/version.txt"
fi
echo "make-release.sh: $folder/$name and $folder/version.txt"
