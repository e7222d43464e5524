#!/usr/bin/env bash
# make fuzz: builds the libFuzzer targets with clang in build-fuzz/ and runs
# each for FUZZ_SECONDS (default 30) on the seeds its own code writes, then
# prints the inputs each one tried. Fails when any target fails a property,
# crashes or hangs; the input that did it is kept in build-fuzz/findings/ and
# replays with `build-fuzz/fuzz/fuzz_NAME FILE`.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-30}
build=${FUZZ_BUILD:-build-fuzz}
bash fuzz/ensure-clang.sh

generator=()
if command -v ninja >/dev/null 2>&1; then generator=(-G Ninja); fi
cmake -S . -B "$build" "${generator[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DTOLVEX_FUZZ=ON -DTOLVEX_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target fuzz_targets

# Corpora and the targets' scratch files live here, gone at the end; in
# memory where the machine allows, since some targets write files (and sync
# the hive) for every input.
scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export TOLVEX_FUZZ_SCRATCH="$scratch"
mkdir -p "$build/findings" "$build/fuzz-logs"

failed=()
for source in fuzz/*_fuzz.cpp; do
  name=fuzz_$(basename "$source" _fuzz.cpp)
  target="$build/fuzz/$name"
  corpus="$scratch/$name"
  log="$build/fuzz-logs/$name.log"
  TOLVEX_FUZZ_SEEDS="$corpus" "$target"
  if "$target" -max_total_time="$seconds" -timeout=60 -print_final_stats=1 \
      -artifact_prefix="$build/findings/$name-" "$corpus" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    printf '%-22s %12s inputs in %s s\n' "$name" "$runs" "$seconds"
  else
    failed+=("$name")
    echo "$name FAILED (log: $log):" >&2
    grep -E 'property failed|ERROR|SUMMARY|Test unit written' "$log" >&2 || tail -n 20 "$log" >&2
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}" >&2
  exit 1
fi
