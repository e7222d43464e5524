#!/usr/bin/env bash
# make run: makes sample tiles in demo/ (once), converts today's-layout
# samples with `tolvex convert` (a zip of two 5 m tiles and a mosaic), then
# starts the dialogue on the old-layout sample. Answer "sample" to the first
# question and 1 (metres) or 2 (tenths); demo/sample.bil and demo/sample.hdr
# appear next to the tile.
set -euo pipefail
program=$(realpath "$1")
generator=$(dirname "$program")/tools/tolvex-make-tile
root=$(cd "$(dirname "$0")/.." && pwd)
demo=$root/demo

mkdir -p "$demo/download"
if [ ! -f "$demo/sample.xml" ]; then
  echo "making the sample tiles in demo/"
  "$generator" "$demo/sample.xml"
  "$generator" --layout today --product DEM5A --lower "35.7 139.6875" \
    "$demo/download/FG-GML-533945-DEM5A-20161001.xml"
  "$generator" --layout today --product DEM5A --lower "35.7 139.7" --start 40,0 \
    "$demo/download/FG-GML-533946-DEM5A-20161001.xml"
fi

echo
echo "\$ tolvex convert --force -o demo/out --merge demo/out/mosaic.vrt demo/download"
(cd "$root" && "$program" convert --force -o demo/out --merge demo/out/mosaic.vrt demo/download)
ls -l "$demo/out"
echo

# The dialogue only creates new files: clear the results of an earlier demo
# so that the sample can be converted again.
rm -f "$demo/sample.bil" "$demo/sample.hdr"
echo "the dialogue, in $demo: answer 'sample', then 1 (metres) or 2 (tenths of a metre)"
cd "$demo"
exec "$program"
