#!/bin/sh
# Writes the update server's version file for a release package to
# standard output:
#
#   sha256 <the package's SHA-256 in hexadecimal>
#   <the version, major.minor>
#   <the package's size in bytes>
#   <release notes: the lines of NOTES_FILE, or one line naming the version>
#
# usage: scripts/write-version-file.sh PACKAGE [NOTES_FILE]
set -eu
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: write-version-file.sh PACKAGE [NOTES_FILE]" >&2
  exit 1
fi
package="$1"

full=$(dpkg-deb -f "$package" Version)
version=$(printf '%s\n' "$full" | sed -E 's/^([0-9]+:)?([0-9]+\.[0-9]+).*$/\2/')
# The program compares versions as decimal numbers that agree within
# 0.0005: 0.10 would read as 0.1, and 1.5204 as 1.52.
minor=${version#*.}
if ! printf '%s\n' "$version" | grep -Eq '^[0-9]+\.[0-9]{1,3}$' ||
   { [ ${#minor} -gt 1 ] && [ "${minor%0}" != "$minor" ]; }; then
  echo "write-version-file.sh: version $full cannot be told apart as a number: give the minor version one to three digits, the last not 0" >&2
  exit 1
fi

sum=$(sha256sum "$package" | cut -d ' ' -f 1)
size=$(stat -c %s "$package")
printf 'sha256 %s\n%s\n%s\n' "$sum" "$version" "$size"
if [ $# -eq 2 ]; then
  cat "$2"
  # The last line ends with a line break.
  if [ -s "$2" ] && [ -n "$(tail -c 1 "$2")" ]; then echo; fi
else
  echo "Vexalith $version"
fi
