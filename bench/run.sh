#!/usr/bin/env bash
# make bench: runs every benchmark program of the build, then times the whole
# conversion of a generated tile (answers piped in) against the time it takes
# just to read the tile (cat to /dev/null), the floor for any converter.
set -euo pipefail
build=$(realpath "${1:-build}")
runs=${RUNS:-7}
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== ${program##*/}"
  "$program"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/tools/tolvex-make-tile" "$work/tile.xml"
cd "$work"

now() { date +%s%N; }
# Median of the sorted times (nanoseconds).
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

convert_times=()
for _ in $(seq "$runs"); do
  rm -f tile.bil tile.hdr
  start=$(now)
  printf 'tile\n1\n\n' | "$build/tolvex" >/dev/null
  end=$(now)
  convert_times+=($((end - start)))
done
cat_times=()
for _ in $(seq "$runs"); do
  start=$(now)
  cat tile.xml >/dev/null
  end=$(now)
  cat_times+=($((end - start)))
done

convert=$(printf '%s\n' "${convert_times[@]}" | median)
floor=$(printf '%s\n' "${cat_times[@]}" | median)
size=$(stat -c %s tile.xml)
echo "== conversion of one tile ($size bytes), median of $runs runs"
awk -v c="$convert" -v f="$floor" 'BEGIN {
  printf "convert   %8.1f ms\n", c / 1e6
  printf "cat       %8.1f ms  (reading the tile, the floor)\n", f / 1e6
  printf "ratio     %8.1f x\n", c / f
}'
