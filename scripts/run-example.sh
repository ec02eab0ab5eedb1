#!/bin/sh
# Sets everything up on a fresh Debian 12 machine (as root), builds Vexalith
# and converts the bundled example structure into the on-screen scene, the
# colour VRML for printers and the STL file, in the folder example-output/.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build
mkdir -p example-output
./build/src/vexalith-convert info examples/caffeine.cif
./build/src/vexalith-convert examples/caffeine.cif -o example-output/caffeine.wrl
./build/src/vexalith-convert examples/caffeine.cif -o example-output/caffeine-printer.wrl --format printer
./build/src/vexalith-convert examples/caffeine.cif -o example-output/caffeine.stl --size 50
ls -l example-output
