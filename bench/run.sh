#!/usr/bin/env bash
# make bench: runs every benchmark program of the build, then times whole
# processes side by side, alternating runs so that a noisy machine weighs on
# both sides alike, and prints medians and ratios:
#   - the dialogue converting one tile (units 1 and 2) against floor_parse,
#     a bare C parse of the same tile with no checks (the speed floor), and
#     against reading it with cat;
#   - `tolvex convert` on one full 10 m tile against floor_parse;
#   - `tolvex convert` on 16 tiles with --jobs 1 against --jobs 2.
set -euo pipefail
build=$(realpath "${1:-build}")
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-9}
for program in "$build"/bench/bench_*; do
  [ -x "$program" ] || continue
  echo "== ${program##*/}"
  "$program"
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
make_tile="$build/tools/tolvex-make-tile"
tolvex="$build/tolvex"
cd "$work"

now() { date +%s%N; }
# Median of the sorted times (nanoseconds).
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# pair NAME_A 'COMMAND A' NAME_B 'COMMAND B': runs both $runs times,
# alternating, and prints both medians and the ratio A / B.
pair() {
  local a_times=() b_times=()
  for _ in $(seq "$runs"); do
    local start end
    start=$(now); eval "$2" >/dev/null 2>&1; end=$(now); a_times+=($((end - start)))
    start=$(now); eval "$4" >/dev/null 2>&1; end=$(now); b_times+=($((end - start)))
  done
  local a b
  a=$(printf '%s\n' "${a_times[@]}" | median)
  b=$(printf '%s\n' "${b_times[@]}" | median)
  awk -v a="$a" -v b="$b" -v na="$1" -v nb="$3" 'BEGIN {
    printf "%-22s %8.1f ms\n%-22s %8.1f ms\nratio                  %8.2f x\n", na, a / 1e6, nb, b / 1e6, a / b
  }'
}

"$make_tile" tile.xml
floor_source="$root/../shared/bench/floor_parse.c"
if [ -f "$floor_source" ]; then
  cc -O2 -o floor_parse "$floor_source"
  for unit in 1 2; do
    echo "== the dialogue (unit $unit, answers piped) against floor_parse on the same tile, median of $runs runs"
    pair "dialogue (unit $unit)" "rm -f tile.bil tile.hdr; printf 'tile\\n$unit\\n\\n' | \"\$tolvex\"" \
         "floor_parse" './floor_parse tile.xml floor.raw'
  done
else
  echo "== (floor_parse.c not found beside the project: floor ratios skipped)"
fi
echo "== the dialogue on one tile (old layout, answers piped) against cat, median of $runs runs"
pair "dialogue (unit 1)" "rm -f tile.bil tile.hdr; printf 'tile\\n1\\n\\n' | \"\$tolvex\"" \
     "cat" 'cat tile.xml'

if [ -x ./floor_parse ]; then
  "$make_tile" --layout today --product DEM10B today.xml
  echo "== tolvex convert on one 10 m tile ($(stat -c %s today.xml) bytes), single-threaded"
  pair "convert -j1" '"$tolvex" convert -q -j1 --force -o out today.xml' \
       "floor_parse" './floor_parse today.xml floor.raw'
fi

echo "== tolvex convert on 16 tiles: --jobs 1 against --jobs 2 (throughput = inverse time ratio)"
mkdir -p tiles
for seed in $(seq 16); do "$make_tile" --layout today --product DEM10B --seed "$seed" "tiles/t$seed.xml"; done
pair "convert -j1 (16 tiles)" '"$tolvex" convert -q -j1 --force -o out16 tiles' \
     "convert -j2 (16 tiles)" '"$tolvex" convert -q -j2 --force -o out16 tiles'
if [ -x ./floor_parse ]; then
  echo "== the machine's own ceiling: two floor_parse processes one after the other against side by side"
  pair "floor_parse x2, serial" './floor_parse tiles/t1.xml f1.raw; ./floor_parse tiles/t2.xml f2.raw' \
       "floor_parse x2, parallel" './floor_parse tiles/t1.xml f1.raw & ./floor_parse tiles/t2.xml f2.raw; wait'
fi
