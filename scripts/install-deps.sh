#!/bin/sh
# Installs the Debian 12 packages Vexalith needs to build, test, package,
# benchmark and check its style (clang-format, clang-tidy), and the German locale the locale tests run under.
# OpenVDB (with the Boost headers its own headers include) makes the
# watertight solid, libzip packs 3MF files, and admesh and PrusaSlicer check
# the printable files.
# python3-openbabel, gdis-data and refmac-dictionary bring the corpus files
# whose licence keeps them out of the repository
# (tests/data/corpus/debian-files.tsv).
# Idempotent; run as root.
set -eu

PACKAGES="
  build-essential
  cmake
  clang-14
  libclang-rt-14-dev
  clang-format-14
  clang-tidy-14
  ninja-build
  pkg-config
  libcli11-dev
  libgtest-dev
  libgmock-dev
  libbenchmark-dev
  zlib1g-dev
  locales
  gemmi
  python3-gemmi
  libcoin-dev
  gemmi-dev
  admesh
  libopenvdb-dev
  libboost-dev
  libzip-dev
  prusa-slicer
  qt6-base-dev
  libqt6opengl6-dev
  libgl-dev
  xvfb
  xauth
  xclip
  x11-utils
  fonts-dejavu-core
  desktop-file-utils
  dpkg-dev
  time
  python3-openbabel
  gdis-data
  refmac-dictionary
"

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps.sh: run as root (it installs Debian packages)" >&2
  exit 1
fi

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done

if [ -n "$missing" ]; then
  echo "install-deps.sh: installing$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing
fi

if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "install-deps.sh: generating the de_DE.UTF-8 locale"
  if grep -q '^# *de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
  elif ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'de_DE.UTF-8 UTF-8' >> /etc/locale.gen
  fi
  locale-gen
fi
