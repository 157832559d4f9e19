#!/usr/bin/env bash
# `./dev test` from a source archive: the tree has no .git, and the format check must still find
# the sources, pass on formatted ones and fail on one that is not formatted.
#
#   dev_format_check_archive.sh <source-tree>
set -uo pipefail
src=$1
if ! command -v clang-format >/dev/null; then
  [ "${CI:-}" = true ] && { echo "FAILED: clang-format is required under CI"; exit 1; }
  echo "SKIPPED: clang-format is not installed"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# An unpacked archive: the sources as files, no repository around them.
mkdir -p "$work/tree/report_printer" "$work/tree/build/x"
cp "$src/dev" "$src/.clang-format" "$work/tree/"
cp "$src/report_printer/StartFiles.cpp" "$src/report_printer/StartFiles.h" "$work/tree/report_printer/"
printf 'int  badly ( ) {return 1 ;}\n' >"$work/tree/build/x/generated.cpp"  # build trees are not sources
cd "$work/tree" || exit 1
git rev-parse --is-inside-work-tree >/dev/null 2>&1 && { echo "FAILED: $work is inside a git work tree"; exit 1; }

out=$(./dev format-check 2>&1) || { echo "FAILED: formatted sources fail the check:"; echo "$out"; exit 1; }
printf 'int  badly ( ) {return 1 ;}\n' >report_printer/Bad.cpp
if out=$(./dev format-check 2>&1); then
  echo "FAILED: an unformatted file passed the check"
  exit 1
fi
echo "$out" | grep -q 'report_printer/Bad.cpp' || { echo "FAILED: the check did not name the file:"; echo "$out"; exit 1; }
echo "the format check works without git"
