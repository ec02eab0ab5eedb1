#!/bin/sh
# Configures and builds Vexalith in the given folder (default: build).
# Extra arguments go to CMake.
set -eu
cd "$(dirname "$0")/.."
dir="${1:-build}"
[ $# -gt 0 ] && shift
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$dir"
