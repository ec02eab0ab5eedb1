#!/bin/sh
# Checks the code's style and prints every finding:
#   - clang-format (.clang-format) over the C++ files of src/, tests/,
#     bench/ and fuzz/: each file must be as the formatter leaves it;
#   - clang-tidy's readability-identifier-naming (.clang-tidy, and the
#     looser method rule of src/app, src/viewer, src/update) over the .cpp
#     files of src/common, structure, model, options, vrml, print3d,
#     convert, cli, app, viewer and update, with their headers.
# Exits 1 when either finds something.
#
#   scripts/check-style.sh [BUILD_DIR]   default: build
#
# clang-tidy reads BUILD_DIR/compile_commands.json; a folder without one is
# configured (no build: the sources include no generated header).  Two
# files are checked at a time (JOBS=N to change).  Set FORMAT=0 or TIDY=0
# to skip one of the two checks.
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)
build="${1:-build}"
jobs="${JOBS:-2}"

pick() {
  for tool in "$@"; do
    if command -v "$tool" > /dev/null 2>&1; then
      echo "$tool"
      return
    fi
  done
  echo "check-style.sh: none of $* is installed (scripts/install-deps.sh installs them)" >&2
  exit 2
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT INT TERM
failed=0

if [ "${FORMAT:-1}" != 0 ]; then
  clang_format=$(pick clang-format-14 clang-format)
  echo "== $($clang_format --version | sed 's/^[^0-9]*//'): clang-format over src tests bench fuzz"
  find src tests bench fuzz -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.cc' \) |
    LC_ALL=C sort > "$scratch/format-files"
  if xargs -n 32 "$clang_format" --dry-run --Werror < "$scratch/format-files" \
      > "$scratch/format.out" 2>&1; then
    echo "clang-format: $(wc -l < "$scratch/format-files") files formatted as .clang-format says"
  else
    cat "$scratch/format.out"
    files=$(grep -oE '^[^ :]+:[0-9]+:[0-9]+: error: code should be clang-formatted' "$scratch/format.out" |
      cut -d: -f1 | sort -u | wc -l)
    echo "clang-format: $files files differ from what the formatter makes of them" \
      "(clang-format -i FILE... rewrites them)"
    failed=1
  fi
fi

if [ "${TIDY:-1}" != 0 ]; then
  clang_tidy=$(pick clang-tidy-14 clang-tidy)
  if [ ! -f "$build/compile_commands.json" ]; then
    echo "== configuring $build for its compile_commands.json"
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
      > "$scratch/configure.out" 2>&1 || { cat "$scratch/configure.out"; exit 2; }
  fi
  echo "== $($clang_tidy --version | grep -o 'version [0-9.]*'): clang-tidy naming check, $jobs at a time"
  # The files the compilation database knows, in the checked folders.
  sed -n 's/^ *"file": *"\(.*\)",\{0,1\}$/\1/p' "$build/compile_commands.json" |
    sed "s#^$root/##" |
    grep -E '^src/(common|structure|model|options|vrml|print3d|convert|cli|app|viewer|update)/[^/]+\.cpp$' |
    LC_ALL=C sort -u > "$scratch/tidy-files"
  # Files of those folders that the build leaves out (the desktop program's
  # without VEXALITH_BUILD_GUI) are not checked: say so.
  find src/common src/structure src/model src/options src/vrml src/print3d src/convert src/cli \
    src/app src/viewer src/update -maxdepth 1 -name '*.cpp' | LC_ALL=C sort > "$scratch/all-files"
  missing=$(LC_ALL=C comm -23 "$scratch/all-files" "$scratch/tidy-files" | wc -l)
  if [ "$missing" -gt 0 ]; then
    echo "clang-tidy: $missing files are not in $build/compile_commands.json and stay unchecked:"
    LC_ALL=C comm -23 "$scratch/all-files" "$scratch/tidy-files" | sed 's/^/  /'
  fi
  if [ ! -s "$scratch/tidy-files" ]; then
    echo "check-style.sh: $build/compile_commands.json lists none of the files to check" >&2
    exit 2
  fi
  # One output file per source file, so that parallel runs do not mix lines.
  mkdir "$scratch/tidy"
  # shellcheck disable=SC2016 # the inner script expands its own arguments
  tr '\n' '\0' < "$scratch/tidy-files" |
    xargs -0 -P "$jobs" -n 1 sh -c '
      out="$0/$(echo "$3" | tr / _).out"
      "$1" -p "$2" --quiet "$3" > "$out" 2>&1 || echo "$3" >> "$out.failed"
    ' "$scratch/tidy" "$clang_tidy" "$build" || true
  # One line per finding, with the name clang-tidy offers after the caret
  # line; paths relative, "src/app/../model/x.h" made plain.  A header's
  # finding comes from every file that includes it: each is printed once.
  cat "$scratch"/tidy/*.out | sed "s#$root/##; s#src/[a-z0-9_]*/\.\./#src/#g" | awk '
    /^[^ ]+:[0-9]+:[0-9]+: (warning|error): / {
      if (finding != "") print finding
      finding = $0; sub(/ \[readability-identifier-naming[^]]*\]$/, "", finding); after = 0; next
    }
    finding != "" && after == 0 { after = 1; next }              # the source line
    finding != "" && after == 1 && /^ *\^/ { after = 2; next }  # the caret line
    finding != "" && after == 2 && /^ *[A-Za-z_][A-Za-z0-9_]*( +[A-Za-z_][A-Za-z0-9_]*)*$/ {
      # the new name, once per use on the source line
      finding = finding " (wanted: " $1 ")"; print finding; finding = ""; next
    }
    finding != "" { print finding; finding = "" }
    /^[0-9]+ warnings? generated\.$/ || /^Suppressed / || /^Use -header-filter/ { next }
    /^[0-9]+ warnings? treated as errors?$/ { next }
    { print "other: " $0 }
    END { if (finding != "") print finding }
  ' > "$scratch/tidy.lines"
  grep -v '^other: ' "$scratch/tidy.lines" | LC_ALL=C sort -t: -k1,1 -k2,2n -k3,3n -u > "$scratch/tidy-findings" || true
  grep '^other: ' "$scratch/tidy.lines" | sed 's/^other: //' | LC_ALL=C sort -u > "$scratch/tidy-other" || true
  checked=$(wc -l < "$scratch/tidy-files")
  findings=$(wc -l < "$scratch/tidy-findings")
  if [ "$findings" -gt 0 ] || [ -s "$scratch/tidy-other" ] || ls "$scratch"/tidy/*.failed > /dev/null 2>&1; then
    cat "$scratch/tidy-findings" "$scratch/tidy-other"
    echo "clang-tidy: $findings naming findings in $checked files and their headers"
    failed=1
  else
    echo "clang-tidy: $checked files and their headers follow the naming rules"
  fi
fi

if [ "$failed" -ne 0 ]; then
  echo "check-style.sh: style findings above"
  exit 1
fi
echo "check-style.sh: no findings"
