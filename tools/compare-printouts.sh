#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Prints the same lesson with the window tests of two builds and compares the PDFs byte
# for byte, their creation date aside. Qt's hash seed is fixed: the order in which a PDF
# lists its fonts follows Qt's hashing, which otherwise differs from one build to another. For a change that must not alter what is printed:
#   tools/compare-printouts.sh OLD/tests/ui/ui_tests NEW/tests/ui/ui_tests
set -u
A=$1; B=$2; out=$(mktemp -d)
mkdir -p "$out/a" "$out/b"
for side in a b; do
  bin=$A; [ $side = b ] && bin=$B
  VANTOR_PRINTOUTS="$out/$side" QT_QPA_PLATFORM=offscreen QT_HASH_SEED=0 "$bin" \
    --gtest_filter='PrintoutsKept.*' > "$out/$side.log" 2>&1 || { cat "$out/$side.log"; exit 2; }
done
bad=0
for pdf in "$out"/a/*.pdf; do
  name=$(basename "$pdf")
  norm() { grep -av '/CreationDate' "$1"; }
  if cmp -s <(norm "$pdf") <(norm "$out/b/$name"); then
    echo "$name: identical ($(stat -c %s "$pdf") bytes)"
  else
    echo "$name: differs"; bad=1
  fi
done
rm -rf "$out"
exit $bad
