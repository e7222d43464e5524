#!/usr/bin/env bash
# make bench: runs every benchmark program of the build.
set -euo pipefail
build=${1:-build}
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== ${program##*/}"
  "$program"
done
