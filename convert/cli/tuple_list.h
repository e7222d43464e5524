// The hot loop of the tile reader: the "label,value" tuples of a
// gml:tupleList turned into cells as they stream past, one pass over the
// bytes, no allocation per tuple.
#pragma once
#include <cstddef>
#include <string_view>

#include "convert/cli/tile.h"
#include "convert/cli/tile_encoding.h"
#include "convert/cli/tile_window.h"

namespace tolvex::cli {

// The most tuples a list may hold here, and why.
struct TupleLimit {
  size_t cells = 0;
  std::string_view reason;  // "the grid's 225 x 150 cells"
};

// Reads tuples from the window's position up to the next "<" (the end of
// the list, or a comment inside it) or the end of the stream, and leaves
// the window there. Tuples are separated by blanks and line ends; a tuple
// is a label (never looked at) and a value, split by its one comma. Each
// value becomes a cell by ElevationFromText in tile->unit: cells16 for
// kMetres and kTenths, cells32 for kFloat, stored from index head.tuples
// on, which counts them. The cell vector is used as it is sized and grows
// by doubling up to limit.cells.
// Throws TileError at the tuple's line: no comma (`tuple "x" is not
// label,value`), a second comma, a value that is not a number or does not
// fit the unit, a tuple beyond limit.cells.
// Example: "地表面,30.46\n表層面,31.20\n</gml:tupleList>" in metres appends
// 30 and 31 and leaves the window on "</gml:tupleList>".
void ReadTuples(TileWindow& window, TileEncoding encoding, const TupleLimit& limit,
                Tile* tile);

}  // namespace tolvex::cli
