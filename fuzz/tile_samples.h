// For the tile reader's and the archive input's fuzz targets: small tiles of
// today's layout to seed them, made by the tile generator's own code, and
// what every tile the reader returns must satisfy.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "convert/cli/byte_source.h"
#include "convert/cli/tile.h"
#include "convert/cli/tile_reader.h"

namespace tolvex::fuzz {

// A handful of tiles a few kilobytes long: each encoding, tuples at the
// start and at the end of a 5 m grid, one shrunk to a 4 x 3 grid read
// whole, and one with a byte order mark, CR LF ends and a comment.
std::vector<std::string> SampleTiles();

// A read: the tile, or the TileError it ended with (no other exception is
// caught).
struct TileRead {
  bool ok = false;
  cli::Tile tile;
  uint64_t line = 0;
  std::string message;
};
TileRead ReadOrFail(cli::ByteSource& source, const cli::ReadOptions& options);

// Equal reads: the same tile cell for cell (bit for bit), or the same error.
bool SameRead(const TileRead& a, const TileRead& b);

// What a tile read without error must be: a grid within the bound, the
// cells of the unit (none with head_only), no data outside the tuples, a
// known CRS and corners inside Japan, south-west of each other.
void CheckTile(const cli::Tile& tile, const cli::ReadOptions& options);

}  // namespace tolvex::fuzz
