#!/usr/bin/env bash
# make run: makes a sample tile in demo/ (once) and starts the program there.
# Answer "sample" to the first question and 1 (metres) or 2 (tenths) to the
# second; demo/sample.bil and demo/sample.hdr appear next to the tile.
set -euo pipefail
program=$(realpath "$1")
generator=$(dirname "$program")/tools/tolvex-make-tile
root=$(cd "$(dirname "$0")/.." && pwd)
demo=$root/demo

mkdir -p "$demo"
if [ ! -f "$demo/sample.xml" ]; then
  echo "making the sample tile demo/sample.xml"
  "$generator" "$demo/sample.xml"
fi
# The program only creates new files: clear the results of an earlier demo
# so that the sample can be converted again.
rm -f "$demo/sample.bil" "$demo/sample.hdr"
echo "in $demo: answer 'sample', then 1 (metres) or 2 (tenths of a metre)"
cd "$demo"
exec "$program"
