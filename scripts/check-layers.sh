#!/usr/bin/env bash
# The layers form a one-way stack: a folder may include its own headers and
# those of the folders below it, never one above. Lowest first:
LAYERS=(runtime/os runtime/core runtime/text runtime/numeric runtime/io
        runtime/frontend runtime/frame convert convert/cli)
# Prints every upward include as file:line and fails when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

rank_of() {  # the rank of the layer holding path $1, or nothing
  local best="" i
  for i in "${!LAYERS[@]}"; do
    # the deepest folder that holds the path (convert/cli before convert)
    [[ "$1" == "${LAYERS[$i]}/"* ]] && best=$i
  done
  echo "$best"
}

status=0
while IFS= read -r file; do
  own=$(rank_of "$file")
  [ -n "$own" ] || continue
  while IFS=: read -r line target; do
    rank=$(rank_of "$target")
    if [ -n "$rank" ] && [ "$rank" -gt "$own" ]; then
      echo "$file:$line: includes $target, a layer above ${LAYERS[$own]}" >&2
      status=1
    fi
  done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
           sed 's/^\([0-9]*\):[^"]*"\([^"]*\)".*/\1:\2/')
done < <(git ls-files 'runtime/*.h' 'runtime/*.cpp' 'convert/*.h' 'convert/*.cpp')

[ "$status" -eq 0 ] && echo "layers: no upward include"
exit "$status"
