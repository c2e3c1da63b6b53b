#!/usr/bin/env bash
# Keeps the inputs of a libFuzzer run that add coverage: merges the working
# corpus of build-fuzz/corpus/<target> with the committed one into a
# minimal set, and adds to fuzz/corpus/<target>/ those of its files that
# are not there yet (by content). Run after scripts/fuzz.
#   fuzz/merge-corpus.sh target...
set -euo pipefail
cd "$(dirname "$0")/.."
for t in "$@"; do
  out=$(mktemp -d)
  nice -n 19 build-fuzz/fuzz/fuzz_$t -merge=1 -max_len=4096 "$out" fuzz/corpus/$t build-fuzz/corpus/$t \
    >/dev/null 2>&1
  added=0
  for f in "$out"/*; do
    [ -e "$f" ] || continue
    sum=$(sha1sum "$f" | cut -c1-40)
    if ! sha1sum fuzz/corpus/$t/* | cut -c1-40 | grep -qx "$sum"; then
      cp "$f" "fuzz/corpus/$t/$sum"
      added=$((added + 1))
    fi
  done
  rm -rf "$out"
  echo "$t: $added inputs added, $(ls fuzz/corpus/$t | wc -l) in fuzz/corpus/$t ($(du -cb fuzz/corpus/$t/* | tail -1 | cut -f1) bytes)"
done
