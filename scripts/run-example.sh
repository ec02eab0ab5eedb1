#!/bin/sh
# Sets everything up on a fresh Debian 12 machine (as root), builds Vexalith
# and runs it on the bundled example structure.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
./scripts/build.sh build
./build/src/vexalith-convert info examples/caffeine.cif
