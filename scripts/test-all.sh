#!/bin/sh
# Sets everything up on a fresh Debian 12 machine (as root), builds Vexalith
# and runs every test: once in the normal build, once built with
# AddressSanitizer and UndefinedBehaviorSanitizer.  Then the fuzz targets
# are built with clang and replay the inputs their runs found.  The style
# check (scripts/check-style.sh: clang-format and the naming rules) runs
# after the normal build; its findings fail the run at the end, once every
# test has run.
set -eu
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

./scripts/build.sh build
style=0
./scripts/check-style.sh build || style=$?

ctest --test-dir build --output-on-failure --timeout 600

./scripts/fuzz.sh replay

./scripts/build.sh build-sanitize -DVEXALITH_SANITIZE=ON -DVEXALITH_BUILD_BENCHMARKS=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure --timeout 1200

if [ "$style" -ne 0 ]; then
  echo "test-all.sh: the tests passed, the style check did not (scripts/check-style.sh, findings above)" >&2
  exit "$style"
fi
